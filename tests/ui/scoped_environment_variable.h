#pragma once
// Sets an environment variable of this process and puts the old value back afterwards.

#include <windows.h>

#include <optional>
#include <string>

namespace ui_testing {

class ScopedEnvironmentVariable {
public:
    ScopedEnvironmentVariable(const wchar_t* name, const std::wstring& value) : name_(name) {
        wchar_t old[32768];
        const DWORD length = GetEnvironmentVariableW(name, old, 32768);
        if (length > 0 && length < 32768) {
            old_.emplace(old, length);
        }
        SetEnvironmentVariableW(name, value.c_str());
    }
    ~ScopedEnvironmentVariable() {
        SetEnvironmentVariableW(name_.c_str(), old_ ? old_->c_str() : nullptr);
    }
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

private:
    std::wstring name_;
    std::optional<std::wstring> old_;
};

} // namespace ui_testing

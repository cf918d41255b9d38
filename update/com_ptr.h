#pragma once
// Owners for COM interface pointers and BSTRs: released exactly once, on every path.

#include <windows.h>
#include <oleauto.h>

namespace updater {

template <typename Interface> class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    Interface* Get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

    // Releases the current pointer and hands out the slot for an out-parameter.
    Interface** Put() {
        Reset();
        return &pointer_;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }

    void Reset() {
        if (pointer_) {
            pointer_->Release();
            pointer_ = nullptr;
        }
    }

private:
    Interface* pointer_ = nullptr;
};

class Bstr {
public:
    Bstr() = default;
    explicit Bstr(BSTR text) : text_(text) {}
    explicit Bstr(const wchar_t* text) : text_(SysAllocString(text)) {}
    ~Bstr() { SysFreeString(text_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;

    BSTR Get() const { return text_; }
    BSTR* Put() {
        SysFreeString(text_);
        text_ = nullptr;
        return &text_;
    }
    UINT Length() const { return SysStringLen(text_); }

private:
    BSTR text_ = nullptr;
};

} // namespace updater

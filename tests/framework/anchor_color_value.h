#pragma once
// Sets the user's "Anchor Color" registry value for one test and puts back what was there.

#include <windows.h>

#include <string>
#include <vector>

namespace framework_testing {

class AnchorColorValue {
public:
    AnchorColorValue();
    ~AnchorColorValue();
    AnchorColorValue(const AnchorColorValue&) = delete;
    AnchorColorValue& operator=(const AnchorColorValue&) = delete;

    // Stores `text` with its terminator as a value of the given type.
    bool SetText(const std::wstring& text, DWORD type = REG_SZ);
    bool SetDword(DWORD value);
    bool Remove();

private:
    HKEY key_ = nullptr;
    bool hadValue_ = false;
    DWORD oldType_ = 0;
    std::vector<BYTE> oldData_;
};

} // namespace framework_testing

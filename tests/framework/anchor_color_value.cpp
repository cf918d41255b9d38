#include "anchor_color_value.h"

namespace framework_testing {
namespace {

constexpr wchar_t kSettingsKey[] = L"Software\\Microsoft\\Internet Explorer\\Settings";
constexpr wchar_t kValueName[] = L"Anchor Color";

} // namespace

AnchorColorValue::AnchorColorValue() {
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_,
                        nullptr) != ERROR_SUCCESS) {
        key_ = nullptr;
        return;
    }
    DWORD bytes = 0;
    if (RegQueryValueExW(key_, kValueName, nullptr, &oldType_, nullptr, &bytes) == ERROR_SUCCESS) {
        oldData_.resize(bytes);
        hadValue_ = RegQueryValueExW(key_, kValueName, nullptr, &oldType_, oldData_.data(),
                                     &bytes) == ERROR_SUCCESS;
    }
}

AnchorColorValue::~AnchorColorValue() {
    if (key_ == nullptr) {
        return;
    }
    if (hadValue_) {
        RegSetValueExW(key_, kValueName, 0, oldType_, oldData_.data(),
                       static_cast<DWORD>(oldData_.size()));
    } else {
        RegDeleteValueW(key_, kValueName);
    }
    RegCloseKey(key_);
}

bool AnchorColorValue::SetText(const std::wstring& text, DWORD type) {
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    return key_ != nullptr &&
           RegSetValueExW(key_, kValueName, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                          bytes) == ERROR_SUCCESS;
}

bool AnchorColorValue::SetDword(DWORD value) {
    return key_ != nullptr &&
           RegSetValueExW(key_, kValueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof(value)) == ERROR_SUCCESS;
}

bool AnchorColorValue::Remove() {
    if (key_ == nullptr) {
        return false;
    }
    const LONG status = RegDeleteValueW(key_, kValueName);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

} // namespace framework_testing

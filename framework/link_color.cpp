#include "framework/link_color.h"

#include "common/unique_handle.h"

#include <cwchar>
#include <string>
#include <string_view>

namespace updater {
namespace {

constexpr wchar_t kSettingsKey[] = L"Software\\Microsoft\\Internet Explorer\\Settings";
constexpr wchar_t kAnchorColorValue[] = L"Anchor Color";
constexpr DWORD kColorTextCapacity = 12; // characters, terminator included

int ToInt(std::wstring_view text) {
    const std::wstring terminated(text);
    return static_cast<int>(std::wcstol(terminated.c_str(), nullptr, 10));
}

} // namespace

COLORREF ParseColorText(const wchar_t* text) {
    std::wstring_view rest = text != nullptr ? text : L"";
    int leading[2] = {};
    for (int& component : leading) {
        const size_t comma = rest.find(L',');
        if (comma == std::wstring_view::npos) {
            return kInvalidColor;
        }
        component = ToInt(rest.substr(0, comma));
        if (component == -1) {
            return kInvalidColor;
        }
        rest.remove_prefix(comma + 1);
    }
    if (rest.empty()) {
        return kInvalidColor;
    }
    const int blue = ToInt(rest);
    return RGB(leading[0] & 0xFF, leading[1] & 0xFF, blue & 0xFF);
}

std::optional<COLORREF> ReadAnchorColor() {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &opened) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    const UniqueRegistryKey key(opened);
    wchar_t text[kColorTextCapacity] = {};
    DWORD type = 0;
    DWORD bytes = sizeof(text);
    if (RegQueryValueExW(key.get(), kAnchorColorValue, nullptr, &type,
                         reinterpret_cast<BYTE*>(text), &bytes) != ERROR_SUCCESS) {
        return std::nullopt; // missing, or longer than the buffer
    }
    const bool isString = type == REG_SZ || type == REG_EXPAND_SZ;
    if (!isString || bytes % sizeof(wchar_t) != 0 || bytes == 0 ||
        text[bytes / sizeof(wchar_t) - 1] != L'\0') {
        return std::nullopt;
    }
    const COLORREF color = ParseColorText(text);
    if (color == kInvalidColor) {
        return std::nullopt;
    }
    return color;
}

} // namespace updater

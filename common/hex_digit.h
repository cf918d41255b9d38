#pragma once
// Hexadecimal digits: read for URL escapes and published checksums alike, written for codes.

#include <cwchar>
#include <string>

namespace updater {

// The value of one hexadecimal digit in either case; -1 for any other character.
inline int HexDigitValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') {
        return c - L'0';
    }
    if (c >= L'a' && c <= L'f') {
        return c - L'a' + 10;
    }
    if (c >= L'A' && c <= L'F') {
        return c - L'A' + 10;
    }
    return -1;
}

// "0x" and eight hexadecimal digits, as status codes are written.
inline std::wstring HexCode(long code) {
    wchar_t text[16] = {};
    std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(code));
    return text;
}

} // namespace updater

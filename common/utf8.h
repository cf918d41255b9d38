#pragma once
// UTF-16 text as UTF-8 bytes, for request lines, file names and output.

#include <windows.h>

#include <string>

namespace updater {

// Appends `length` UTF-16 characters of `text` to `bytes` as UTF-8. With `strict`, text that
// is not valid UTF-16 (a lone surrogate) appends nothing and gives false; otherwise such a
// character becomes U+FFFD.
inline bool AppendUtf8(std::string& bytes, const wchar_t* text, size_t length,
                       bool strict = false) {
    if (length == 0) {
        return true;
    }
    const DWORD flags = strict ? WC_ERR_INVALID_CHARS : 0;
    const int wide = static_cast<int>(length);
    const int size = WideCharToMultiByte(CP_UTF8, flags, text, wide, nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return false;
    }
    const size_t start = bytes.size();
    bytes.resize(start + static_cast<size_t>(size));
    WideCharToMultiByte(CP_UTF8, flags, text, wide, &bytes[start], size, nullptr, nullptr);
    return true;
}

} // namespace updater

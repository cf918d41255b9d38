#pragma once
// Decimal numbers of up to 64 bits, as HTTP headers carry them.

#include <windows.h>

namespace updater {

// Reads the digits at `text` into `value` and moves past them; false when there is no digit
// or the number does not fit 64 bits.
inline bool ReadDecimal64(const wchar_t*& text, ULONGLONG& value) {
    const wchar_t* start = text;
    value = 0;
    for (; *text >= L'0' && *text <= L'9'; ++text) {
        const ULONGLONG next = value * 10 + static_cast<ULONGLONG>(*text - L'0');
        if (next / 10 != value) {
            return false;
        }
        value = next;
    }
    return text != start;
}

} // namespace updater

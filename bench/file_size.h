#pragma once
// The size of a downloaded file, which the download modes report as their result.

#include <windows.h>

namespace bench {

// Bytes in the file at `path`, or -1 when its attributes cannot be read.
inline long long FileSize(const wchar_t* path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data)) {
        return -1;
    }
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

} // namespace bench

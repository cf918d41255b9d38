#include "ui/save_path.h"

#include <windows.h>
#include <shlwapi.h>

namespace updater {
namespace {

constexpr DWORD kTemporaryDirectoryCapacity = 1024;

} // namespace

bool GetTemporaryDirectory(std::wstring& directory) {
    wchar_t buffer[kTemporaryDirectoryCapacity];
    // Success returns the length without the terminator; a buffer too small returns the size
    // needed including it, which is never below the capacity.
    const DWORD length = GetTempPathW(kTemporaryDirectoryCapacity, buffer);
    if (length == 0 || length >= kTemporaryDirectoryCapacity) {
        return false;
    }
    directory.assign(buffer, length);
    return true;
}

std::wstring BuildSavePath(const std::wstring& temporaryDirectory, const std::wstring& url) {
    std::wstring path = temporaryDirectory;
    if (path.empty() || path.back() != L'\\') {
        path += L'\\';
    }
    const std::wstring address = url.substr(0, url.find_first_of(L"?#"));
    path += PathFindFileNameW(address.c_str());
    return path;
}

} // namespace updater

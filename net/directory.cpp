#include "net/directory.h"

#include <shlwapi.h>

#include <cwchar>

namespace updater {
namespace {

constexpr size_t kPathCapacity = MAX_PATH;

} // namespace

wchar_t* GetModuleDirectory(HMODULE module, wchar_t* buffer, DWORD size) {
    GetModuleFileNameW(module, buffer, size);
    // Clear back to the last backslash, never the first character.
    for (size_t i = wcslen(buffer); i > 0 && buffer[i] != L'\\'; --i) {
        buffer[i] = L'\0';
    }
    return buffer;
}

BOOL EnsureDirectory(const wchar_t* path, HMODULE module) {
    if (path == nullptr) {
        return FALSE;
    }
    if (PathFileExistsW(path)) {
        return PathIsDirectoryW(path) ? TRUE : FALSE;
    }

    wchar_t full[kPathCapacity] = {};
    if (wcschr(path, L':') != nullptr) {
        wcsncpy(full, path, kPathCapacity - 1);
    } else {
        wchar_t base[kPathCapacity] = {};
        GetModuleDirectory(module, base, kPathCapacity);
        if (PathCombineW(full, base, path) == nullptr) {
            return FALSE;
        }
    }
    size_t length = wcslen(full);
    if (length == 0 || full[length - 1] != L'\\') {
        if (length + 1 >= kPathCapacity) {
            return FALSE;
        }
        full[length++] = L'\\';
        full[length] = L'\0';
    }

    // Each prefix up to and including a backslash is one level: D:\, D:\x\, D:\x\y\ ...
    for (size_t i = 0; i < length; ++i) {
        if (full[i] != L'\\') {
            continue;
        }
        const wchar_t kept = full[i + 1];
        full[i + 1] = L'\0';
        bool ok = true;
        if (PathFileExistsW(full)) {
            ok = PathIsDirectoryW(full) != FALSE;
        } else {
            ok = CreateDirectoryW(full, nullptr) != FALSE;
        }
        full[i + 1] = kept;
        if (!ok) {
            return FALSE;
        }
    }
    return TRUE;
}

bool EnsureParentDirectory(const wchar_t* filePath) {
    if (filePath == nullptr || *filePath == L'\0') {
        return false;
    }
    wchar_t directory[kPathCapacity] = {};
    wcsncpy(directory, filePath, kPathCapacity - 1);
    if (!PathRemoveFileSpecW(directory) || directory[0] == L'\0') {
        return false; // no directory part
    }
    return EnsureDirectory(directory, nullptr) != FALSE;
}

} // namespace updater

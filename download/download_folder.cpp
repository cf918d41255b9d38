#include "download/download_folder.h"

#include "common/hex_digit.h"
#include "download/folder_security.h"

#include <windows.h>
#include <bcrypt.h>

namespace updater {
namespace {

constexpr wchar_t kFolderPrefix[] = L"updater-download-";
constexpr size_t kFolderPrefixLength = sizeof(kFolderPrefix) / sizeof(wchar_t) - 1;
constexpr size_t kRandomDigits = 16;
constexpr int kFolderAttempts = 16;
constexpr DWORD kLinkOrFolder = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;

std::wstring WithSeparator(const std::wstring& directory) {
    return !directory.empty() && directory.back() == L'\\' ? directory : directory + L'\\';
}

// A name nobody can guess ahead, so that nobody can make the folder first.
std::wstring RandomFolderName() {
    UCHAR bytes[kRandomDigits / 2] = {};
    BCryptGenRandom(nullptr, bytes, sizeof(bytes), BCRYPT_USE_SYSTEM_PREFERRED_RNG);
    static const wchar_t kHex[] = L"0123456789abcdef";
    std::wstring name = kFolderPrefix;
    for (const UCHAR byte : bytes) {
        name += kHex[byte >> 4];
        name += kHex[byte & 0xF];
    }
    return name;
}

// Listing is allowed, and so is reading and writing files inside; removing, renaming or
// replacing the folder is not, since the hold does not share deletion.
UniqueFileHandle HoldFolder(const std::wstring& path) {
    UniqueFileHandle hold(CreateFileW(
        path.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE,
        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    // The folder made a moment ago, not a link that took its place in between.
    if (!hold || !GetFileInformationByHandle(hold.get(), &information) ||
        (information.dwFileAttributes &
         (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != FILE_ATTRIBUTE_DIRECTORY ||
        !IsOwnedByCurrentUser(hold.get())) {
        return UniqueFileHandle();
    }
    return hold;
}

} // namespace

bool IsDownloadFolderName(const std::wstring& name) {
    if (name.size() != kFolderPrefixLength + kRandomDigits ||
        _wcsnicmp(name.c_str(), kFolderPrefix, kFolderPrefixLength) != 0) {
        return false;
    }
    for (size_t i = kFolderPrefixLength; i < name.size(); ++i) {
        if (HexDigitValue(name[i]) < 0) {
            return false;
        }
    }
    return true;
}

std::vector<std::wstring> FindDownloadFolders(const std::wstring& temporaryDirectory) {
    const std::wstring directory = WithSeparator(temporaryDirectory);
    std::vector<std::wstring> folders;
    WIN32_FIND_DATAW found{};
    const UniqueFindHandle search(
        FindFirstFileW((directory + kFolderPrefix + L"*").c_str(), &found));
    for (bool more = static_cast<bool>(search); more;
         more = FindNextFileW(search.get(), &found) != FALSE) {
        // wine opens what a link points at even when asked for the link itself.
        if ((found.dwFileAttributes & kLinkOrFolder) == FILE_ATTRIBUTE_DIRECTORY &&
            IsDownloadFolderName(found.cFileName)) {
            folders.push_back(directory + found.cFileName);
        }
    }
    return folders;
}

bool ListPlainFiles(HANDLE folder, std::vector<std::wstring>& names) {
    alignas(8) BYTE buffer[16 * 1024];
    FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
    while (GetFileInformationByHandleEx(folder, kind, buffer, sizeof(buffer))) {
        kind = FileIdBothDirectoryInfo;
        for (const BYTE* at = buffer;;) {
            const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(at);
            const std::wstring name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..") {
                if (entry->FileAttributes & kLinkOrFolder) {
                    return false;
                }
                names.push_back(name);
            }
            if (entry->NextEntryOffset == 0) {
                break;
            }
            at += entry->NextEntryOffset;
        }
    }
    return GetLastError() == ERROR_NO_MORE_FILES;
}

bool DownloadFolder::Create(const std::wstring& temporaryDirectory) {
    PrivateFolderSecurity security;
    if (security.Attributes() == nullptr) {
        return false;
    }
    for (int attempt = 0; attempt < kFolderAttempts; ++attempt) {
        const std::wstring candidate = WithSeparator(temporaryDirectory) + RandomFolderName();
        if (!CreateDirectoryW(candidate.c_str(), security.Attributes())) {
            if (GetLastError() != ERROR_ALREADY_EXISTS) {
                return false;
            }
            continue;
        }
        // Another run's clean-up may take an empty folder before it is held: then try anew.
        hold_ = HoldFolder(candidate);
        if (hold_) {
            path_ = candidate;
            return true;
        }
    }
    return false;
}

bool DownloadFolder::Adopt(const std::wstring& path) {
    const size_t separator = path.find_last_of(L'\\');
    if (separator == std::wstring::npos || !IsDownloadFolderName(path.substr(separator + 1))) {
        return false;
    }
    hold_ = HoldFolder(path);
    path_ = hold_ ? path : std::wstring();
    return static_cast<bool>(hold_);
}

void DownloadFolder::Discard(const std::wstring& savePath) {
    if (!savePath.empty()) {
        DeleteFileW(savePath.c_str());
    }
    Release();
    if (!path_.empty()) {
        RemoveDirectoryW(path_.c_str());
    }
}

} // namespace updater

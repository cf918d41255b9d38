#include "ui/download_folder.h"

#include "common/unique_handle.h"

#include <windows.h>
#include <bcrypt.h>

#include <vector>

namespace updater {
namespace {

constexpr wchar_t kFolderPrefix[] = L"updater-download-";
constexpr int kFolderAttempts = 16;

std::wstring WithSeparator(const std::wstring& directory) {
    return !directory.empty() && directory.back() == L'\\' ? directory : directory + L'\\';
}

// A name nobody can guess ahead, so that nobody can make the folder first.
std::wstring RandomFolderName() {
    UCHAR bytes[8] = {};
    BCryptGenRandom(nullptr, bytes, sizeof(bytes), BCRYPT_USE_SYSTEM_PREFERRED_RNG);
    static const wchar_t kHex[] = L"0123456789abcdef";
    std::wstring name = kFolderPrefix;
    for (const UCHAR byte : bytes) {
        name += kHex[byte >> 4];
        name += kHex[byte & 0xF];
    }
    return name;
}

// Calls visit(found) for each entry that matches `pattern`, "." and ".." left out.
template <typename Visit> void ForEachEntry(const std::wstring& pattern, Visit visit) {
    WIN32_FIND_DATAW found{};
    const UniqueFindHandle search(FindFirstFileW(pattern.c_str(), &found));
    if (!search) {
        return;
    }
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") {
            visit(found);
        }
    } while (FindNextFileW(search.get(), &found));
}

// Empties and removes an earlier run's folder, unless a file in it is open (a setup program
// that still runs) or it holds folders: then nothing in it is touched.
void RemoveUnusedFolder(const std::wstring& folder) {
    std::vector<std::wstring> files;
    bool inUse = false;
    ForEachEntry(folder + L"\\*", [&](const WIN32_FIND_DATAW& found) {
        inUse = inUse || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        files.push_back(folder + L"\\" + found.cFileName);
    });
    // Each file opened alone shows that no handle has it open; it goes when closed.
    std::vector<UniqueFileHandle> unused;
    for (const std::wstring& file : files) {
        if (inUse) {
            break;
        }
        unused.emplace_back(CreateFileW(file.c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        inUse = !unused.back();
    }
    if (inUse) {
        // Undo the deletions asked for so far: nothing of a folder in use goes.
        for (UniqueFileHandle& file : unused) {
            FILE_DISPOSITION_INFO keep{FALSE};
            if (file) {
                SetFileInformationByHandle(file.get(), FileDispositionInfo, &keep, sizeof(keep));
            }
        }
        return;
    }
    unused.clear();
    RemoveDirectoryW(folder.c_str());
}

} // namespace

bool CreateDownloadFolder(const std::wstring& temporaryDirectory, std::wstring& folder) {
    for (int attempt = 0; attempt < kFolderAttempts; ++attempt) {
        const std::wstring candidate = WithSeparator(temporaryDirectory) + RandomFolderName();
        if (CreateDirectoryW(candidate.c_str(), nullptr)) {
            folder = candidate;
            return true;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            return false;
        }
    }
    return false;
}

void DiscardDownload(const std::wstring& savePath) {
    DeleteFileW(savePath.c_str());
    const size_t separator = savePath.rfind(L'\\');
    if (separator != std::wstring::npos) {
        RemoveDirectoryW(savePath.substr(0, separator).c_str());
    }
}

void RemoveEarlierDownloads(const std::wstring& temporaryDirectory) {
    const std::wstring directory = WithSeparator(temporaryDirectory);
    std::vector<std::wstring> folders;
    ForEachEntry(directory + kFolderPrefix + L"*", [&](const WIN32_FIND_DATAW& found) {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            folders.push_back(directory + found.cFileName);
        }
    });
    for (const std::wstring& folder : folders) {
        RemoveUnusedFolder(folder);
    }
}

} // namespace updater

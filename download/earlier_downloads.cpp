#include "download/earlier_downloads.h"

#include "common/unique_handle.h"
#include "download/download_folder.h"
#include "download/folder_security.h"
#include "download/kept_state.h"
#include "update/utc_time.h"

#include <windows.h>

#include <vector>

namespace updater {
namespace {

constexpr DWORD kLinkOrFolder = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;

bool HasAttributes(HANDLE object, DWORD mask, DWORD wanted) {
    BY_HANDLE_FILE_INFORMATION information{};
    return GetFileInformationByHandle(object, &information) &&
           (information.dwFileAttributes & mask) == wanted;
}

// The path the platform gives an open file or folder, which names what was really opened.
std::wstring FinalPath(HANDLE object) {
    wchar_t path[MAX_PATH * 2] = {};
    const DWORD length = GetFinalPathNameByHandleW(object, path, MAX_PATH * 2, 0);
    return length > 0 && length < MAX_PATH * 2 ? std::wstring(path, length) : std::wstring();
}

// Whether the open file is the entry `name` of `folder` itself. wine shows a file link as a
// plain file and opens what it points at even when asked for the link itself, but the final
// path of what was opened then lies elsewhere.
bool IsEntryOf(HANDLE file, const std::wstring& folderPath, const std::wstring& name) {
    const std::wstring path = FinalPath(file);
    return !folderPath.empty() && path.size() == folderPath.size() + 1 + name.size() &&
           _wcsnicmp(path.c_str(), folderPath.c_str(), folderPath.size()) == 0 &&
           path[folderPath.size()] == L'\\' &&
           _wcsicmp(path.c_str() + folderPath.size() + 1, name.c_str()) == 0;
}

bool MarkForDeletion(HANDLE object, bool remove) {
    FILE_DISPOSITION_INFO disposition{static_cast<BOOLEAN>(remove)};
    return SetFileInformationByHandle(object, FileDispositionInfo, &disposition,
                                      sizeof(disposition)) != FALSE;
}

} // namespace

void RemoveDownloadFolder(const std::wstring& folder) {
    if (!IsDownloadFolderName(folder.substr(folder.find_last_of(L'\\') + 1))) {
        return;
    }
    // Opened for deletion, sharing only reading: a folder that its run still holds cannot be
    // opened so, and while this handle is open nobody can rename or replace the folder.
    const UniqueFileHandle held(CreateFileW(
        folder.c_str(), DELETE | READ_CONTROL | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
        FILE_SHARE_READ, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    std::vector<std::wstring> names;
    if (!held || !HasAttributes(held.get(), kLinkOrFolder, FILE_ATTRIBUTE_DIRECTORY) ||
        !IsOwnedByCurrentUser(held.get()) || !ListPlainFiles(held.get(), names)) {
        return;
    }
    // First every file opened alone, which shows that nobody has it open; only when all are
    // unused does any of them go.
    const std::wstring folderPath = FinalPath(held.get());
    std::vector<UniqueFileHandle> files;
    for (const std::wstring& name : names) {
        files.emplace_back(CreateFileW((folder + L"\\" + name).c_str(),
                                       DELETE | FILE_READ_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!files.back() || !HasAttributes(files.back().get(), kLinkOrFolder, 0) ||
            !IsEntryOf(files.back().get(), folderPath, name)) {
            return;
        }
    }
    // A running program's file can refuse deletion even when it could be opened: then the
    // files marked so far are kept after all.
    size_t marked = 0;
    while (marked < files.size() && MarkForDeletion(files[marked].get(), true)) {
        ++marked;
    }
    if (marked < files.size()) {
        while (marked > 0) {
            MarkForDeletion(files[--marked].get(), false);
        }
        return;
    }
    files.clear();
    MarkForDeletion(held.get(), true); // the empty folder goes as its handle closes
}

void RemoveEarlierDownloads(const std::wstring& temporaryDirectory) {
    const ULONGLONG now = CurrentUtcTicks();
    for (const std::wstring& folder : FindDownloadFolders(temporaryDirectory)) {
        KeptState kept;
        if (ReadKeptState(folder, kept) && IsKeptStateFresh(kept.began, now)) {
            continue; // to be continued by a later run
        }
        RemoveDownloadFolder(folder);
    }
}

} // namespace updater

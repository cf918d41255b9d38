#pragma once
// Every download gets a folder of its own under the temporary directory, made by the run that
// downloads: installers load DLLs from their own folder, so a setup program started from the
// shared temporary directory would run whatever another program had left there.

#include "common/unique_handle.h"

#include <string>
#include <vector>

namespace updater {

// Whether `name` is the name of one of the updater's download folders: "updater-download-"
// followed by exactly 16 hexadecimal digits. Nothing else is ever removed as one.
bool IsDownloadFolderName(const std::wstring& name);

// The download folders directly under `temporaryDirectory`: plain folders (never a link or
// junction, which is not even opened) named as IsDownloadFolderName says.
std::vector<std::wstring> FindDownloadFolders(const std::wstring& temporaryDirectory);

// The names in an open folder, read through the handle so that the folder read is the one
// held; "." and ".." left out. False when the listing fails or finds a link or a folder.
bool ListPlainFiles(HANDLE folder, std::vector<std::wstring>& names);

class DownloadFolder {
public:
    // Creates a folder that did not exist before under `temporaryDirectory` (never one that is
    // already there: nothing can be waiting in it), with an access list for the current user and
    // the system alone, and holds it open: until Release, nobody can remove, rename or replace
    // it, so the download never lands in a folder made by someone else. False when none can be
    // made.
    bool Create(const std::wstring& temporaryDirectory);
    // Holds the download folder at `path` that an earlier run of this user's made and left
    // (a plain folder, named as IsDownloadFolderName says, owned by the current user), as Create
    // holds a new one. False when it is anything else or cannot be held.
    bool Adopt(const std::wstring& path);

    // Full path without a trailing backslash; empty before Create.
    const std::wstring& Path() const { return path_; }
    // The names in the held folder (see ListPlainFiles).
    bool ListFiles(std::vector<std::wstring>& names) const {
        return hold_ && ListPlainFiles(hold_.get(), names);
    }

    // Lets go of the folder: from then on the clean-up of a later run may remove it, once no
    // file in it is in use.
    void Release() { hold_.reset(); }

    // Deletes the file at `savePath`, lets go of the folder and removes it. The folder stays
    // only while a file in it is still open (it goes at a later run's clean-up).
    void Discard(const std::wstring& savePath);

private:
    std::wstring path_;
    UniqueFileHandle hold_;
};

} // namespace updater

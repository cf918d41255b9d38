#pragma once
// Every download gets a folder of its own under the temporary directory, made by the run that
// downloads: installers load DLLs from their own folder, so a setup program started from the
// shared temporary directory would run whatever another program had left there.

#include "common/unique_handle.h"

#include <string>

namespace updater {

// Whether `name` is the name of one of the updater's download folders: "updater-download-"
// followed by exactly 16 hexadecimal digits. Nothing else is ever removed as one.
bool IsDownloadFolderName(const std::wstring& name);

class DownloadFolder {
public:
    // Creates a folder that did not exist before under `temporaryDirectory` (never one that is
    // already there: nothing can be waiting in it), with an access list for the current user and
    // the system alone, and holds it open: until Release, nobody can remove, rename or replace
    // it, so the download never lands in a folder made by someone else. False when none can be
    // made.
    bool Create(const std::wstring& temporaryDirectory);

    // Full path without a trailing backslash; empty before Create.
    const std::wstring& Path() const { return path_; }

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

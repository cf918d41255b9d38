#pragma once
// Every download gets a folder of its own under the temporary directory, made by the run that
// downloads: installers load DLLs from their own folder, so a setup program started from the
// shared temporary directory would run whatever another program had left there. Folders of
// earlier runs go once their setup programs have ended.

#include <string>

namespace updater {

// Creates a folder that did not exist before under `temporaryDirectory` (never one that is
// already there: nothing can be waiting in it). Its full path without a trailing backslash;
// false when none can be made.
bool CreateDownloadFolder(const std::wstring& temporaryDirectory, std::wstring& folder);

// Deletes the file at `savePath` and then its folder, which is left only while a file in it is
// still open.
void DiscardDownload(const std::wstring& savePath);

// Removes the download folders of earlier runs under `temporaryDirectory` with everything in
// them, except those holding a file that is still open (a setup program that still runs).
void RemoveEarlierDownloads(const std::wstring& temporaryDirectory);

} // namespace updater

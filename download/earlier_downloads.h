#pragma once
// Download folders of earlier runs go once nothing in them is in use, so that the temporary
// folder does not fill up with setup programs. The clean-up runs in folders that other programs
// and other users can reach, so it removes nothing but what the updater itself made.

#include <string>

namespace updater {

// Removes each download folder of an earlier run under `temporaryDirectory` with the files in
// it (see RemoveDownloadFolder), except one that holds a download kept for a later run, for
// seven days from when that download began (see download/kept_state.h).
void RemoveEarlierDownloads(const std::wstring& temporaryDirectory);

// Removes the download folder at `folder` with the files in it, all or nothing: only a folder
// named as IsDownloadFolderName says, that is a plain folder (not a link or junction), owned
// by the current user and not held by a run still at work, holding plain files only, none of
// them in use (a setup program that still runs keeps its folder whole). Links are never
// followed: a folder with a link in it is left alone.
void RemoveDownloadFolder(const std::wstring& folder);

} // namespace updater

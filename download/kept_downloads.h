#pragma once
// The downloads kept for a later run, found by the application they belong to: at most one is
// continued (the newest of the same address and <sha256>), and those of another update go.

#include "download/kept_state.h"
#include "update/sha256.h"

#include <optional>
#include <string>
#include <vector>

namespace updater {

// Where one application's setup programs are downloaded and kept.
struct DownloadPlace {
    std::wstring temporaryDirectory; // the run's folders are made under it
    std::wstring application;        // the folder of the updater that downloads
};

// This updater's place: the user's temporary folder and the folder of the running exe. False
// when either cannot be read.
bool GetDownloadPlace(DownloadPlace& place);

struct KeptDownload {
    std::wstring folder;
    KeptState state;
};

// The kept downloads under the place's temporary folder that belong to its application (the
// same folder, in any case), newest first; stale ones included.
std::vector<KeptDownload> FindKeptDownloads(const DownloadPlace& place);

// The form of a digest in a state file: 64 lowercase hexadecimal digits.
std::wstring Sha256Hex(const Sha256Digest& digest);

// Removes the kept downloads of the application that belong to no published update any more:
// every one whose <sha256> is not `published` (all of them when nothing is published).
void DiscardKeptDownloadsOfOtherUpdates(const DownloadPlace& place,
                                        const std::optional<Sha256Digest>& published);
// The same for this updater's place.
void DiscardKeptDownloadsOfOtherUpdates(const std::optional<Sha256Digest>& published);

} // namespace updater

#pragma once
// What a download kept for a later run needs to be continued, written beside its part in the
// run's folder: which updater kept it, the address, the file's strong validator and size, the
// descriptor's <sha256> and when the download began. Read back defensively: anything but the
// exact form means that there is no kept download.

#include <windows.h>

#include <string>

namespace updater {

// The state file's name in a download folder.
constexpr wchar_t kKeptStateName[] = L"updater-kept-download.txt";
// How long a kept download is continued, from when it began.
constexpr ULONGLONG kKeptDownloadLifetimeTicks = 7ULL * 24 * 60 * 60 * 10000000;

struct KeptState {
    std::wstring application; // the folder of the updater that kept it
    std::wstring url;         // the address downloaded
    std::wstring validator;   // the strong ETag or Last-Modified that names the file's version
    ULONGLONG total = 0;      // the size of the whole file
    std::wstring sha256;      // the descriptor's <sha256>, 64 lowercase hexadecimal digits
    ULONGLONG began = 0;      // FILETIME ticks (UTC) when the download of the part began
};

// The state as the file holds it: UTF-8 lines "key=value", in a fixed order. False when a
// value cannot be written so (a line break or another control character, a validator that is
// not printable ASCII, a checksum that is not 64 lowercase hexadecimal digits, a total of 0).
bool FormatKeptState(const KeptState& state, std::string& text);
// The reverse, exactly: false for anything else (at most kMaxKeptStateBytes bytes).
bool ParseKeptState(const std::string& text, KeptState& state);
constexpr size_t kMaxKeptStateBytes = 16 * 1024;

// Whether a download that began at `began` may still be continued at `now`: less than seven
// days ago, and not in the future.
bool IsKeptStateFresh(ULONGLONG began, ULONGLONG now);

// Writes the state file into `folder`, replacing one that is there. False when it cannot.
bool WriteKeptState(const std::wstring& folder, const KeptState& state);
// Reads the state file of `folder`: false when there is none, or it is not a plain file of the
// exact form.
bool ReadKeptState(const std::wstring& folder, KeptState& state);

} // namespace updater

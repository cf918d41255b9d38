#pragma once
// Where the downloaded setup program is saved: the user's temporary directory and a file name
// made from the last segment of the download address, always short enough for the platform's
// path limit.

#include <string>

namespace updater {

// The user's temporary directory as GetTempPathW gives it (it ends with a backslash).
// False when the call fails or the text needs more than 1024 characters.
bool GetTemporaryDirectory(std::wstring& directory);

// The name the setup program at `url` is saved under: the last segment of the address's path
// (query and fragment cut off first, so that they neither become part of the name nor hide
// it), percent-decoded as UTF-8, then made a name Windows accepts for a plain file: forbidden
// characters become "_", trailing dots and spaces go, a device name (CON, NUL, COM1, ...)
// gets a leading "_", and the length is bounded to `maxLength` (at most 200) with the extension
// kept. "setup.exe" when nothing usable is left.
std::wstring SetupFileName(const std::wstring& url, size_t maxLength = 200);

// `directory`, a backslash unless it already ends with one, and SetupFileName(url), shortened
// so that the whole path fits MAX_PATH: a longer path would download in full and then fail to
// be checked or started.
std::wstring BuildSavePath(const std::wstring& directory, const std::wstring& url);

} // namespace updater

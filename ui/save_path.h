#pragma once
// Where the downloaded setup program is saved: the user's temporary directory and the last
// component of the download address.

#include <string>

namespace updater {

// The user's temporary directory as GetTempPathW gives it (it ends with a backslash).
// False when the call fails or the text needs more than 1024 characters.
bool GetTemporaryDirectory(std::wstring& directory);

// `temporaryDirectory`, a backslash unless it already ends with one, and the file-name part of
// `url` as PathFindFileNameW finds it, after cutting the address at its first "?" or "#" so
// that a query or fragment neither becomes part of the name nor hides it. Nothing is decoded.
std::wstring BuildSavePath(const std::wstring& temporaryDirectory, const std::wstring& url);

} // namespace updater

#pragma once
// Whole files in and out for the publishing steps; each failure said in English with the
// platform's error code.

#include <windows.h>

#include <string>

namespace updater {

// Reads the whole file into `bytes` when it has at most `maxBytes` bytes. Empty on success,
// otherwise why not.
std::wstring ReadWholeFile(const std::wstring& path, size_t maxBytes, std::string& bytes);

// Replaces the file with `bytes`. Empty on success, otherwise why not.
std::wstring WriteWholeFile(const std::wstring& path, const std::string& bytes);

// Creates the file with `bytes` for the current user alone: its access list names that user
// only and inherits nothing. Never replaces a file: ERROR_FILE_EXISTS then, ERROR_SUCCESS on
// success, or the error that stopped it (a file that could not be written whole is removed).
DWORD CreatePrivateFile(const std::wstring& path, const std::string& bytes);

// Writes all of `bytes` to a file or pipe; false when it takes no more.
bool WriteAll(HANDLE file, const std::string& bytes);

} // namespace updater

#pragma once
// Making sure that a directory exists, and finding a module's directory.

#include <windows.h>

namespace updater {

// Creates every missing level of path. A path without a colon is taken relative to module's
// directory (the executable's for a null module), although the first existence test looks at
// it relative to the current directory. Nonzero when the directory exists at the end; 0 for a
// null path, when a level is a file or cannot be created.
BOOL EnsureDirectory(const wchar_t* path, HMODULE module);

// EnsureDirectory for the directory part of filePath; false for an empty path or a bare
// file name.
bool EnsureParentDirectory(const wchar_t* filePath);

// Fills buffer (size characters) with the module's directory, ending in a backslash, and
// returns it.
wchar_t* GetModuleDirectory(HMODULE module, wchar_t* buffer, DWORD size);

} // namespace updater

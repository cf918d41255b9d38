#pragma once
// SHA-256 digests of downloaded files and of descriptors, and the hexadecimal form descriptors
// publish them in.

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace updater {

using Sha256Digest = std::array<uint8_t, 32>;

// The digest of the whole file, read through CNG. False when the file cannot be opened or read
// (it is opened for reading with only other readers allowed, so a file still being written
// fails) or when CNG fails; `digest` is then left as it was.
bool Sha256File(const std::wstring& path, Sha256Digest& digest);
// The same for a file already open for reading, read from its start. `stop`, when given, is
// asked before each block: true ends the reading with false, so that a large file's digest
// does not hold up a cancel.
bool Sha256OfOpenFile(HANDLE file, Sha256Digest& digest,
                      const std::function<bool()>& stop = nullptr);
// The digest of `length` bytes in memory; false when CNG fails, leaving `digest` as it was.
bool Sha256OfBytes(const void* bytes, size_t length, Sha256Digest& digest);

// Exactly 64 hexadecimal digits in either case, with spaces, tabs or line breaks around them
// but not between them. False otherwise, leaving `digest` as it was.
bool ParseSha256Hex(const std::wstring& text, Sha256Digest& digest);

} // namespace updater

#pragma once
// A fresh folder under the system temporary directory, removed with everything in it when the
// owner goes away; and whole-file reads and writes.

#include <string>

namespace testing_support {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Full path without a trailing backslash.
    const std::wstring& path() const { return path_; }
    std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

// Replaces the file with these bytes; false on failure.
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
// The whole file; empty when it cannot be read.
std::string ReadFileBytes(const std::wstring& path);
bool FileExists(const std::wstring& path);

// Makes `link` a symbolic link to `target` as another program could: under wine a link made on
// the Unix side, which Windows programs see as a junction (a folder) or as a plain file (a
// file). False when it did not appear.
bool MakeLink(const std::wstring& target, const std::wstring& link);

} // namespace testing_support

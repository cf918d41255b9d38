#pragma once
// Reference downloads with nothing but the platform: the plainest loops that move an HTTP body
// into a file in 8 KB reads. They measure what the program's own download could reach.

#include <windows.h>

namespace bench {

constexpr DWORD kReadSize = 8192;

// Body bytes written, or -1 on failure. requestFlags go to HttpOpenRequestW.
long long PlainWinInetDownload(const wchar_t* url, const wchar_t* localPath, DWORD requestFlags);

// One GET over a socket with "Connection: close"; the body is what follows the header, up to
// the server's close. Body bytes written, or -1 on failure.
long long PlainWinsockDownload(const wchar_t* url, const wchar_t* localPath);

} // namespace bench

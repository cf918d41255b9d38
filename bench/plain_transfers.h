#pragma once
// Reference downloads with nothing but the platform: the plainest loops that move an HTTP body
// into a file. They measure what the program's own download could reach.

#include <windows.h>

namespace bench {

// The read size of the reference loops: the program's largest read (net/transfer_common.h),
// the best a plain loop does on a fast link.
constexpr DWORD kReadSize = 256 * 1024;
// The reads of the earlier reference loop, kept as a row for comparison with older results.
constexpr DWORD kSmallReadSize = 8 * 1024;

// Body bytes written, or -1 on failure. requestFlags go to HttpOpenRequestW; each
// InternetReadFile asks for readSize bytes.
long long PlainWinInetDownload(const wchar_t* url, const wchar_t* localPath, DWORD requestFlags,
                               DWORD readSize);

// One GET over a socket with "Connection: close"; the body is what follows the header, up to
// the server's close, received in calls of up to readSize bytes. Body bytes written, or -1 on
// failure.
long long PlainWinsockDownload(const wchar_t* url, const wchar_t* localPath, DWORD readSize);

} // namespace bench

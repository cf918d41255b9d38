#pragma once
// Splitting a URL into what a connection and a request need.

#include <windows.h>
#include <wininet.h>

namespace updater {

// Capacity, in characters with the terminating NUL, of every URL component buffer.
constexpr DWORD kUrlPartCapacity = 260;

// Splits url into scheme, host and object name (path followed by its query or fragment, with
// %xx escapes decoded), port (explicit or the scheme's default) and scheme kind
// (INTERNET_SCHEME). The three text outputs must hold kUrlPartCapacity characters. Returns
// false, writing nothing, for an empty URL, one the platform cannot split, one whose object
// name would not fit, or one holding a control character (below 0x20, or 0x7F) before or
// after decoding.
bool CrackUrl(const wchar_t* url, wchar_t* scheme, wchar_t* host, wchar_t* objectName,
              INTERNET_PORT* port, INTERNET_SCHEME* schemeKind);

// CrackUrl for http and https URLs only: any other scheme gives false (the outputs may then
// have been written). `secure`, when given, tells whether the URL is https.
bool CrackHttpUrl(const wchar_t* url, wchar_t* host, wchar_t* objectName, INTERNET_PORT* port,
                  bool* secure = nullptr);

} // namespace updater

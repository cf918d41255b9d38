#pragma once
// Splitting a URL into what a connection and a request need.

#include <windows.h>
#include <wininet.h>

#include <string>

namespace updater {

// The longest address accepted anywhere, in characters: the platform's URL limit (its
// constant counts the terminating zero).
constexpr size_t kMaxUrlLength = INTERNET_MAX_URL_LENGTH - 1;

struct UrlParts {
    std::wstring scheme;
    INTERNET_SCHEME schemeKind = INTERNET_SCHEME_UNKNOWN;
    std::wstring host;
    INTERNET_PORT port = INTERNET_DEFAULT_HTTP_PORT;
    // The path followed by its query, exactly as written: no escape is decoded and none is
    // added, except that spaces and characters beyond ASCII are sent percent-encoded as UTF-8,
    // as browsers send them. It ends before the fragment ("#..."), which is never sent.
    std::wstring objectName;

    bool Secure() const { return schemeKind == INTERNET_SCHEME_HTTPS; }
};

// Splits url into its parts, the port being the explicit one or the scheme's default. False
// for an empty URL, one longer than kMaxUrlLength, one the platform cannot split, one whose
// explicit port is not 1-65535, and one holding a control character (below 0x20, or 0x7F),
// written as it is or escaped.
bool CrackUrl(const wchar_t* url, UrlParts& parts);

// CrackUrl for http and https URLs only: any other scheme gives false.
bool CrackHttpUrl(const wchar_t* url, UrlParts& parts);

// `reference` resolved against `base` as a browser resolves a link (RFC 3986, section 5.2):
// an absolute reference stands as it is but for its dot segments; no escape is decoded or
// added. False for an empty reference, when the two cannot be combined (a relative reference
// against a base without scheme), and when either or the result is longer than kMaxUrlLength.
bool ResolveUrl(const std::wstring& base, const std::wstring& reference, std::wstring& resolved);

} // namespace updater

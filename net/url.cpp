#include "net/url.h"

#include "common/hex_digit.h"

#include <shlwapi.h>

#include <cwchar>

namespace updater {
namespace {

// A control character would end up in the request line as it is, CR LF included: a server, or
// anyone on the way, would read what follows as headers of its own.
bool HasControlCharacter(const wchar_t* text) {
    for (; *text != L'\0'; ++text) {
        if (*text < 0x20 || *text == 0x7F) {
            return true;
        }
    }
    return false;
}

// "%0D", "%00", "%7F", ...: checked before decoding, because a decoded NUL would simply cut
// the text short where a later check would no longer see it.
bool HasEscapedControlCharacter(const wchar_t* text) {
    for (; *text != L'\0'; ++text) {
        if (*text == L'%' && HexDigitValue(text[1]) >= 0 && HexDigitValue(text[2]) >= 0) {
            const int value = HexDigitValue(text[1]) * 16 + HexDigitValue(text[2]);
            if (value < 0x20 || value == 0x7F) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

bool CrackUrl(const wchar_t* url, wchar_t* scheme, wchar_t* host, wchar_t* objectName,
              INTERNET_PORT* port, INTERNET_SCHEME* schemeKind) {
    if (url == nullptr || *url == L'\0' || HasControlCharacter(url) ||
        HasEscapedControlCharacter(url)) {
        return false;
    }
    wchar_t schemePart[kUrlPartCapacity] = {};
    wchar_t hostPart[kUrlPartCapacity] = {};
    wchar_t pathPart[kUrlPartCapacity] = {};
    wchar_t extraPart[kUrlPartCapacity] = {};
    URL_COMPONENTSW parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.lpszScheme = schemePart;
    parts.dwSchemeLength = kUrlPartCapacity;
    parts.lpszHostName = hostPart;
    parts.dwHostNameLength = kUrlPartCapacity;
    parts.lpszUrlPath = pathPart;
    parts.dwUrlPathLength = kUrlPartCapacity;
    parts.lpszExtraInfo = extraPart;
    parts.dwExtraInfoLength = kUrlPartCapacity;
    parts.nPort = INTERNET_DEFAULT_HTTP_PORT;
    // Fails when a component does not fit its buffer. The %xx sequences are decoded below
    // rather than with ICU_ESCAPE, which not every WinInet honours; decoding before the split
    // (ICU_DECODE) would let an escaped "?" or "/" change where the URL is cut.
    if (!InternetCrackUrlW(url, static_cast<DWORD>(wcslen(url)), 0, &parts)) {
        return false;
    }
    UrlUnescapeW(pathPart, nullptr, nullptr, URL_UNESCAPE_INPLACE);
    UrlUnescapeW(extraPart, nullptr, nullptr, URL_UNESCAPE_INPLACE);
    if (HasControlCharacter(pathPart) || HasControlCharacter(extraPart)) {
        return false;
    }

    // The extra information is appended only when the path does not already carry it.
    const bool appendExtra = extraPart[0] != L'\0' && StrStrIW(pathPart, extraPart) == nullptr;
    const size_t objectLength = wcslen(pathPart) + (appendExtra ? wcslen(extraPart) : 0);
    if (objectLength >= kUrlPartCapacity) {
        return false; // an object name that is cut would ask the server for something else
    }

    *port = parts.nPort;
    *schemeKind = parts.nScheme;
    wcsncpy(scheme, schemePart, kUrlPartCapacity - 1);
    scheme[kUrlPartCapacity - 1] = L'\0';
    wcsncpy(host, hostPart, kUrlPartCapacity - 1);
    host[kUrlPartCapacity - 1] = L'\0';
    wcscpy(objectName, pathPart);
    if (appendExtra) {
        wcscat(objectName, extraPart);
    }
    return true;
}

bool CrackHttpUrl(const wchar_t* url, wchar_t* host, wchar_t* objectName, INTERNET_PORT* port,
                  bool* secure) {
    wchar_t scheme[kUrlPartCapacity] = {};
    INTERNET_SCHEME schemeKind = INTERNET_SCHEME_UNKNOWN;
    if (!CrackUrl(url, scheme, host, objectName, port, &schemeKind) ||
        (schemeKind != INTERNET_SCHEME_HTTP && schemeKind != INTERNET_SCHEME_HTTPS)) {
        return false;
    }
    if (secure != nullptr) {
        *secure = schemeKind == INTERNET_SCHEME_HTTPS;
    }
    return true;
}

} // namespace updater

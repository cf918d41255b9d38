#include "net/url.h"

#include "common/hex_digit.h"
#include "common/utf8.h"
#include "net/url_reference.h"

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

// "%0D", "%00", "%7F", ...: the server decodes them into the same characters.
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

// The splitter keeps only the low 16 bits of a port, so port 70000 would reach port 4464: the
// port text is checked here first. An empty port stands for the scheme's default.
bool HasUsablePort(const std::wstring& url) {
    const size_t schemeEnd = url.find(L"://");
    if (schemeEnd == std::wstring::npos) {
        return true; // not a URL with an authority: the splitter refuses it
    }
    const size_t start = schemeEnd + 3;
    const size_t end = url.find_first_of(L"/?#", start);
    std::wstring authority = url.substr(start, end == std::wstring::npos ? end : end - start);
    const size_t userEnd = authority.rfind(L'@');
    if (userEnd != std::wstring::npos) {
        authority.erase(0, userEnd + 1);
    }
    const size_t bracket = authority.rfind(L']');
    const size_t colon = authority.rfind(L':');
    if (colon == std::wstring::npos || (bracket != std::wstring::npos && colon < bracket)) {
        return true;
    }
    const std::wstring port = authority.substr(colon + 1);
    if (port.empty()) {
        return true;
    }
    if (port.size() > 5 || port.find_first_not_of(L"0123456789") != std::wstring::npos) {
        return false;
    }
    const unsigned long value = std::wcstoul(port.c_str(), nullptr, 10);
    return value >= 1 && value <= 65535;
}

// Spaces and characters beyond ASCII go on the request line as UTF-8 escapes; everything else,
// escapes included, stays as written. False for text that is not valid UTF-16.
bool EncodeForRequestLine(const std::wstring& text, std::wstring& encoded) {
    static const wchar_t kHex[] = L"0123456789ABCDEF";
    encoded.clear();
    for (size_t i = 0; i < text.size();) {
        if (text[i] < 0x80 && text[i] != L' ') {
            encoded += text[i++];
            continue;
        }
        size_t end = i + 1;
        while (end < text.size() && (text[end] >= 0x80 || text[end] == L' ')) {
            ++end;
        }
        std::string bytes;
        if (!AppendUtf8(bytes, &text[i], end - i, true)) {
            return false;
        }
        for (const unsigned char byte : bytes) {
            encoded += L'%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0xF];
        }
        i = end;
    }
    return true;
}

} // namespace

bool CrackUrl(const wchar_t* url, UrlParts& parts) {
    if (url == nullptr || *url == L'\0' || wcslen(url) > kMaxUrlLength ||
        HasControlCharacter(url) || HasEscapedControlCharacter(url) || !HasUsablePort(url)) {
        return false;
    }
    // The fragment belongs to the client alone: browsers never send it, and a server may
    // refuse a request line that carries one. Cut before splitting, so that a "#" ends the
    // host as well, as it does in a browser.
    const std::wstring sent(url, wcscspn(url, L"#"));
    // Every component fits a buffer as long as the whole URL. No flag: the splitter neither
    // decodes nor adds escapes, so the path and query reach the server as they were written.
    const DWORD capacity = static_cast<DWORD>(sent.size() + 1);
    std::wstring scheme(capacity, L'\0'), host(capacity, L'\0'), path(capacity, L'\0'),
        extra(capacity, L'\0');
    URL_COMPONENTSW split = {};
    split.dwStructSize = sizeof(split);
    split.lpszScheme = &scheme[0];
    split.dwSchemeLength = capacity;
    split.lpszHostName = &host[0];
    split.dwHostNameLength = capacity;
    split.lpszUrlPath = &path[0];
    split.dwUrlPathLength = capacity;
    split.lpszExtraInfo = &extra[0];
    split.dwExtraInfoLength = capacity;
    split.nPort = INTERNET_DEFAULT_HTTP_PORT;
    if (!InternetCrackUrlW(sent.c_str(), capacity - 1, 0, &split)) {
        return false;
    }
    scheme.resize(split.dwSchemeLength);
    host.resize(split.dwHostNameLength);
    path.resize(split.dwUrlPathLength);
    extra.resize(split.dwExtraInfoLength);
    std::wstring objectName;
    if (!EncodeForRequestLine(path + extra, objectName)) {
        return false;
    }
    parts.scheme = std::move(scheme);
    parts.schemeKind = split.nScheme;
    parts.host = std::move(host);
    parts.port = split.nPort;
    parts.objectName = std::move(objectName);
    return true;
}

bool ResolveUrl(const std::wstring& base, const std::wstring& reference, std::wstring& resolved) {
    // Neither can be part of an address that is accepted; bounding them also bounds the work.
    if (reference.empty() || reference.size() > kMaxUrlLength || base.size() > kMaxUrlLength) {
        return false;
    }
    std::wstring target;
    if (!ResolveReference(base, reference, target) || target.size() > kMaxUrlLength) {
        return false;
    }
    resolved = std::move(target);
    return true;
}

bool CrackHttpUrl(const wchar_t* url, UrlParts& parts) {
    return CrackUrl(url, parts) &&
           (parts.schemeKind == INTERNET_SCHEME_HTTP || parts.schemeKind == INTERNET_SCHEME_HTTPS);
}

} // namespace updater

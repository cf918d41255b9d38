#include "net/url_reference.h"

#include <algorithm>
#include <cwchar>

namespace updater {
namespace {

// A reference split as RFC 3986 (appendix B) splits it. An absent component differs from an
// empty one: "http://h/p?" has an empty query, "http://h/p" none.
struct Components {
    bool hasScheme = false, hasAuthority = false, hasQuery = false, hasFragment = false;
    std::wstring scheme, authority, path, query, fragment;
};

bool IsAsciiLetter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

bool IsSchemeCharacter(wchar_t c) {
    return IsAsciiLetter(c) || (c >= L'0' && c <= L'9') || c == L'+' || c == L'-' || c == L'.';
}

// The length of the scheme that starts `text` (a letter, then letters, digits, "+", "-" or
// ".", ended by ":"); 0 when it starts with none, as "setup.exe" or "1:x" do.
size_t SchemeLength(const std::wstring& text) {
    if (text.empty() || !IsAsciiLetter(text[0])) {
        return 0;
    }
    size_t at = 1;
    while (at < text.size() && IsSchemeCharacter(text[at])) {
        ++at;
    }
    return at < text.size() && text[at] == L':' ? at : 0;
}

Components Split(const std::wstring& text) {
    Components parts;
    size_t at = SchemeLength(text);
    if (at != 0) {
        parts.hasScheme = true;
        parts.scheme = text.substr(0, at);
        ++at; // the ":"
    }
    if (text.compare(at, 2, L"//") == 0) {
        const size_t end = std::min(text.find_first_of(L"/?#", at + 2), text.size());
        parts.hasAuthority = true;
        parts.authority = text.substr(at + 2, end - at - 2);
        at = end;
    }
    const size_t pathEnd = std::min(text.find_first_of(L"?#", at), text.size());
    parts.path = text.substr(at, pathEnd - at);
    at = pathEnd;
    if (at < text.size() && text[at] == L'?') {
        const size_t end = std::min(text.find(L'#', at), text.size());
        parts.hasQuery = true;
        parts.query = text.substr(at + 1, end - at - 1);
        at = end;
    }
    if (at < text.size()) {
        parts.hasFragment = true;
        parts.fragment = text.substr(at + 1);
    }
    return parts;
}

bool StartsWithAt(const std::wstring& text, size_t at, const wchar_t* prefix) {
    return text.compare(at, wcslen(prefix), prefix) == 0;
}

bool EndsWithAt(const std::wstring& text, size_t at, const wchar_t* rest) {
    return text.compare(at, std::wstring::npos, rest) == 0;
}

// Drops the last segment of `output` with the "/" before it.
void DropLastSegment(std::wstring& output) {
    const size_t slash = output.rfind(L'/');
    output.erase(slash == std::wstring::npos ? 0 : slash);
}

// The path with its "." and ".." segments applied, step by step as RFC 3986 (section 5.2.4)
// describes it; `at` walks through the input instead of cutting it.
std::wstring RemoveDotSegments(const std::wstring& path) {
    std::wstring output;
    size_t at = 0;
    while (at < path.size()) {
        if (StartsWithAt(path, at, L"../")) {
            at += 3;
        } else if (StartsWithAt(path, at, L"./") || StartsWithAt(path, at, L"/./")) {
            at += 2;
        } else if (EndsWithAt(path, at, L"/.")) {
            output += L'/';
            at = path.size();
        } else if (StartsWithAt(path, at, L"/../")) {
            at += 3;
            DropLastSegment(output);
        } else if (EndsWithAt(path, at, L"/..")) {
            DropLastSegment(output);
            output += L'/';
            at = path.size();
        } else if (EndsWithAt(path, at, L".") || EndsWithAt(path, at, L"..")) {
            at = path.size();
        } else {
            const size_t next = std::min(path.find(L'/', at + 1), path.size());
            output.append(path, at, next - at);
            at = next;
        }
    }
    return output;
}

// A relative path put beside the last segment of the base's path (RFC 3986, section 5.2.3).
std::wstring Merge(const Components& base, const std::wstring& path) {
    if (base.hasAuthority && base.path.empty()) {
        return L"/" + path;
    }
    const size_t slash = base.path.rfind(L'/');
    return slash == std::wstring::npos ? path : base.path.substr(0, slash + 1) + path;
}

std::wstring Recompose(const Components& parts) {
    std::wstring text;
    if (parts.hasScheme) {
        text += parts.scheme + L":";
    }
    if (parts.hasAuthority) {
        text += L"//" + parts.authority;
    }
    text += parts.path;
    if (parts.hasQuery) {
        text += L"?" + parts.query;
    }
    if (parts.hasFragment) {
        text += L"#" + parts.fragment;
    }
    return text;
}

} // namespace

bool ResolveReference(const std::wstring& base, const std::wstring& reference,
                      std::wstring& target) {
    const Components from = Split(base);
    Components to = Split(reference);
    if (to.hasScheme) {
        to.path = RemoveDotSegments(to.path);
        target = Recompose(to);
        return true;
    }
    if (!from.hasScheme) {
        return false;
    }
    if (to.hasAuthority) {
        to.path = RemoveDotSegments(to.path);
    } else {
        if (to.path.empty()) {
            to.path = from.path;
            if (!to.hasQuery) {
                to.hasQuery = from.hasQuery;
                to.query = from.query;
            }
        } else {
            to.path = RemoveDotSegments(to.path[0] == L'/' ? to.path : Merge(from, to.path));
        }
        to.hasAuthority = from.hasAuthority;
        to.authority = from.authority;
    }
    to.hasScheme = true;
    to.scheme = from.scheme;
    target = Recompose(to);
    return true;
}

} // namespace updater

#include "download/save_path.h"

#include "common/hex_digit.h"
#include "common/utf8.h"

#include <windows.h>

#include <cwchar>
#include <string>

namespace updater {
namespace {

constexpr DWORD kTemporaryDirectoryCapacity = 1024;
constexpr wchar_t kFallbackName[] = L"setup.exe";
constexpr size_t kMaxNameLength = 200;
// Enough for "_con.exe", so that a bounded name keeps its meaning.
constexpr size_t kMinNameRoom = 12;
constexpr wchar_t kForbiddenCharacters[] = L"<>:\"/\\|?*";

// The last segment of the address's path without query or fragment; "" when the path is empty
// or ends with "/".
std::wstring LastPathSegment(const std::wstring& url) {
    const std::wstring address = url.substr(0, url.find_first_of(L"?#"));
    const size_t scheme = address.find(L"://");
    if (scheme != std::wstring::npos && address.find(L'/', scheme + 3) == std::wstring::npos) {
        return std::wstring(); // a host without a path
    }
    return address.substr(address.find_last_of(L'/') + 1);
}

// "%XX" escapes become their bytes, every other character its UTF-8, and the bytes are read
// back as UTF-8. Bytes that are not valid UTF-8 become U+FFFD; the name stays usable and shows
// that something could not be read. A "%" without two hexadecimal digits stays as written.
std::wstring PercentDecode(const std::wstring& segment) {
    std::string bytes;
    std::wstring plain; // the characters since the last escape
    for (size_t i = 0; i < segment.size(); ++i) {
        const int high =
            segment[i] == L'%' && i + 2 < segment.size() ? HexDigitValue(segment[i + 1]) : -1;
        const int low = high >= 0 ? HexDigitValue(segment[i + 2]) : -1;
        if (low < 0) {
            plain += segment[i];
            continue;
        }
        AppendUtf8(bytes, plain.data(), plain.size());
        plain.clear();
        bytes += static_cast<char>(high * 16 + low);
        i += 2;
    }
    AppendUtf8(bytes, plain.data(), plain.size());
    if (bytes.empty()) {
        return std::wstring();
    }
    const int size = static_cast<int>(bytes.size());
    const int wide = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, nullptr, 0);
    std::wstring text(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, text.data(), wide);
    return text;
}

bool IsForbidden(wchar_t c) {
    return c < 0x20 || std::wcschr(kForbiddenCharacters, c) != nullptr;
}

// At most `limit` characters, cut before the extension when the extension itself is shorter;
// a surrogate pair is never split.
std::wstring Bounded(const std::wstring& name, size_t limit) {
    if (name.size() <= limit) {
        return name;
    }
    const size_t dot = name.find_last_of(L'.');
    const std::wstring extension =
        dot != std::wstring::npos && name.size() - dot < limit ? name.substr(dot) : L"";
    size_t kept = limit - extension.size();
    if (kept > 0 && name[kept] >= 0xDC00 && name[kept] <= 0xDFFF) {
        --kept;
    }
    return name.substr(0, kept) + extension;
}

// CON, PRN, AUX, NUL, COM0-COM9 and LPT0-LPT9 name devices in any case and with any extension
// (and Windows ignores spaces before the extension as well), and so do COM and LPT with a
// superscript 1, 2 or 3.
bool IsDeviceName(const std::wstring& name) {
    std::wstring base = name.substr(0, name.find(L'.'));
    while (!base.empty() && base.back() == L' ') {
        base.pop_back();
    }
    for (wchar_t& c : base) {
        c = c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
    }
    if (base == L"CON" || base == L"PRN" || base == L"AUX" || base == L"NUL") {
        return true;
    }
    return base.size() == 4 &&
           (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0) &&
           ((base[3] >= L'0' && base[3] <= L'9') || base[3] == L'\u00B9' || base[3] == L'\u00B2' ||
            base[3] == L'\u00B3');
}

} // namespace

bool GetTemporaryDirectory(std::wstring& directory) {
    wchar_t buffer[kTemporaryDirectoryCapacity];
    // Success returns the length without the terminator; a buffer too small returns the size
    // needed including it, which is never below the capacity.
    const DWORD length = GetTempPathW(kTemporaryDirectoryCapacity, buffer);
    if (length == 0 || length >= kTemporaryDirectoryCapacity) {
        return false;
    }
    directory.assign(buffer, length);
    return true;
}

std::wstring SetupFileName(const std::wstring& url, size_t maxLength) {
    std::wstring name = PercentDecode(LastPathSegment(url));
    for (wchar_t& c : name) {
        c = IsForbidden(c) ? L'_' : c; // "%2F" too: the name never reaches into another folder
    }
    // One character is left for the "_" before a device name.
    name = Bounded(name, (maxLength < kMaxNameLength ? maxLength : kMaxNameLength) - 1);
    while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) {
        name.pop_back(); // Windows drops them, and a name of only these would be no name
    }
    if (name.empty()) {
        return kFallbackName;
    }
    if (IsDeviceName(name)) {
        name.insert(0, 1, L'_');
    }
    return name;
}

std::wstring BuildSavePath(const std::wstring& directory, const std::wstring& url) {
    std::wstring path = directory;
    if (path.empty() || path.back() != L'\\') {
        path += L'\\';
    }
    // MAX_PATH counts the terminating zero. A folder the platform let us create leaves room for
    // a name of several characters.
    const size_t room = path.size() < MAX_PATH - 1 ? MAX_PATH - 1 - path.size() : 0;
    return path + SetupFileName(url, room > kMinNameRoom ? room : kMinNameRoom);
}

} // namespace updater

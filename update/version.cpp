#include "update/version.h"

#include <windows.h>
#include <shlwapi.h>

#include <array>
#include <stdexcept>

namespace updater {
namespace {

constexpr wchar_t kSeparator = L'.';
constexpr int kVersionParts = 4;

using VersionParts = std::array<int, kVersionParts>;

VersionParts ReadVersionParts(const std::wstring& text) {
    VersionParts parts{};
    int position = 0;
    std::wstring token = NextToken(text, position);
    for (int index = 0; !token.empty();) {
        parts[index] = StrToIntW(token.c_str());
        if (++index >= kVersionParts) {
            break;
        }
        token = NextToken(text, position);
    }
    return parts;
}

} // namespace

std::wstring NextToken(const std::wstring& text, int& position) {
    if (position < 0) {
        throw std::invalid_argument("NextToken: negative position");
    }
    size_t start = static_cast<size_t>(position);
    while (start < text.size() && text[start] == kSeparator) {
        ++start;
    }
    if (start >= text.size()) {
        position = -1;
        return std::wstring();
    }
    size_t end = text.find(kSeparator, start);
    if (end == std::wstring::npos) {
        end = text.size();
    }
    position = static_cast<int>(end + 1);
    return text.substr(start, end - start);
}

int CompareVersions(const std::wstring& local, const std::wstring& remote) {
    const VersionParts localParts = ReadVersionParts(local);
    const VersionParts remoteParts = ReadVersionParts(remote);
    for (int k = 0; k < kVersionParts; ++k) {
        if (remoteParts[k] > localParts[k]) {
            return 1;
        }
        if (remoteParts[k] < localParts[k]) {
            return -1;
        }
    }
    return 0;
}

} // namespace updater

#include "update/version.h"

#include <array>
#include <stdexcept>

namespace updater {
namespace {

constexpr wchar_t kSeparator = L'.';
constexpr int kVersionParts = 4;

// One part as a number of any size: its sign and its digits without leading zeros (none for
// 0, which is never negative).
struct VersionPart {
    bool negative = false;
    std::wstring digits;
};

using VersionParts = std::array<VersionPart, kVersionParts>;

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

// An optional sign, then the decimal digits up to the first other character.
VersionPart ReadPart(const std::wstring& token) {
    VersionPart part;
    size_t at = 0;
    if (at < token.size() && (token[at] == L'-' || token[at] == L'+')) {
        part.negative = token[at++] == L'-';
    }
    while (at < token.size() && token[at] == L'0') {
        ++at;
    }
    const size_t start = at;
    while (at < token.size() && IsDigit(token[at])) {
        ++at;
    }
    part.digits = token.substr(start, at - start);
    part.negative = part.negative && !part.digits.empty();
    return part;
}

// -1, 0 or 1 as `a` is below, equal to or above `b`. Without leading zeros the longer digits
// are the larger number, and digits of one length compare as text.
int ComparePart(const VersionPart& a, const VersionPart& b) {
    if (a.negative != b.negative) {
        return a.negative ? -1 : 1;
    }
    int magnitude = 0;
    if (a.digits.size() != b.digits.size()) {
        magnitude = a.digits.size() < b.digits.size() ? -1 : 1;
    } else {
        const int text = a.digits.compare(b.digits);
        magnitude = text < 0 ? -1 : (text > 0 ? 1 : 0);
    }
    return a.negative ? -magnitude : magnitude;
}

VersionParts ReadVersionParts(const std::wstring& text) {
    VersionParts parts{};
    int position = 0;
    std::wstring token = NextToken(text, position);
    for (int index = 0; !token.empty();) {
        parts[index] = ReadPart(token);
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
        if (const int order = ComparePart(remoteParts[k], localParts[k])) {
            return order;
        }
    }
    return 0;
}

} // namespace updater

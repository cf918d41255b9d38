#include "update/base64.h"

namespace updater {
namespace {

constexpr wchar_t kAlphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The six bits a character stands for; -1 for a character outside the alphabet.
int SextetOf(wchar_t c) {
    if (c >= L'A' && c <= L'Z') {
        return c - L'A';
    }
    if (c >= L'a' && c <= L'z') {
        return c - L'a' + 26;
    }
    if (c >= L'0' && c <= L'9') {
        return c - L'0' + 52;
    }
    if (c == L'+') {
        return 62;
    }
    return c == L'/' ? 63 : -1;
}

bool IsSkipped(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

} // namespace

bool DecodeBase64(const std::wstring& text, size_t maxBytes, std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> decoded;
    uint32_t group = 0; // the sextets of the current group, padding counted as zero bits
    int characters = 0; // in the current group, padding included
    int padding = 0;
    bool paddedGroupSeen = false; // nothing but skipped characters may follow a padded group
    for (const wchar_t c : text) {
        if (IsSkipped(c)) {
            continue;
        }
        if (paddedGroupSeen) {
            return false;
        }
        if (c == L'=') {
            // Padding completes a group of at least two characters of data.
            if (characters < 2) {
                return false;
            }
            ++padding;
            group <<= 6;
        } else {
            const int sextet = SextetOf(c);
            if (sextet < 0 || padding > 0) {
                return false;
            }
            group = group << 6 | static_cast<uint32_t>(sextet);
        }
        if (++characters < 4) {
            continue;
        }
        // One "=" drops the last byte of the group, two drop the last two; what they drop is 0.
        if ((group & ((1u << (8 * padding)) - 1)) != 0) {
            return false;
        }
        const size_t count = static_cast<size_t>(3 - padding);
        if (count > maxBytes - decoded.size()) {
            return false;
        }
        for (size_t index = 0; index < count; ++index) {
            decoded.push_back(static_cast<uint8_t>(group >> (16 - 8 * index)));
        }
        paddedGroupSeen = padding > 0;
        group = 0;
        characters = 0;
    }
    if (characters != 0) {
        return false;
    }
    bytes.swap(decoded);
    return true;
}

std::wstring EncodeBase64(const uint8_t* bytes, size_t length) {
    std::wstring text;
    text.reserve((length + 2) / 3 * 4);
    for (size_t at = 0; at < length; at += 3) {
        const size_t count = length - at < 3 ? length - at : 3;
        uint32_t group = static_cast<uint32_t>(bytes[at]) << 16;
        group |= count > 1 ? static_cast<uint32_t>(bytes[at + 1]) << 8 : 0;
        group |= count > 2 ? bytes[at + 2] : 0;
        for (size_t index = 0; index < 4; ++index) {
            text += index <= count ? kAlphabet[group >> (18 - 6 * index) & 0x3F] : L'=';
        }
    }
    return text;
}

} // namespace updater

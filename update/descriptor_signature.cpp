#include "update/descriptor_signature.h"

#include "update/descriptor_text.h"

#include <cstdint>
#include <cwchar>

namespace updater {
namespace {

constexpr wchar_t kOpen[] = L"<!--";
constexpr wchar_t kClose[] = L"-->";
constexpr wchar_t kLabel[] = L"signature:";
constexpr size_t kOpenUnits = 4;
constexpr size_t kCloseUnits = 3;
// A DER signature takes at most 96 base64 characters; the comment around it is short.
constexpr size_t kLongestComment = 256;

bool IsSpace(uint16_t unit) {
    return unit == L' ' || unit == L'\t' || unit == L'\r' || unit == L'\n';
}

// A descriptor's code units after its byte order mark: bytes, or UTF-16 units in the mark's
// byte order.
class CodeUnits {
public:
    CodeUnits(const char* bytes, size_t length)
        : bytes_(reinterpret_cast<const uint8_t*>(bytes)),
          encoding_(DetectDescriptorEncoding(bytes, length)), start_(ByteOrderMarkBytes(encoding_)),
          width_(encoding_ == DescriptorEncoding::ByteWide ? 1 : 2),
          count_((length - start_) / width_), whole_((length - start_) % width_ == 0) {}

    // False for UTF-16 text that ends in half a unit.
    bool Whole() const { return whole_; }
    size_t Count() const { return count_; }
    uint16_t At(size_t index) const {
        const uint8_t* unit = bytes_ + start_ + index * width_;
        if (width_ == 1) {
            return unit[0];
        }
        return encoding_ == DescriptorEncoding::Utf16BigEndian ? unit[0] << 8 | unit[1]
                                                               : unit[1] << 8 | unit[0];
    }
    size_t ByteOffset(size_t index) const { return start_ + index * width_; }
    // True when the units from `index` on spell the ASCII text `text`.
    bool Spell(size_t index, const wchar_t* text) const {
        for (; *text != L'\0'; ++text, ++index) {
            if (index >= count_ || At(index) != *text) {
                return false;
            }
        }
        return true;
    }

private:
    const uint8_t* bytes_;
    DescriptorEncoding encoding_;
    size_t start_;
    size_t width_;
    size_t count_;
    bool whole_;
};

} // namespace

bool FindDescriptorSignature(const char* bytes, size_t length, DescriptorSignature& signature) {
    if (bytes == nullptr) {
        return false;
    }
    const CodeUnits units(bytes, length);
    size_t end = units.Count();
    while (end > 0 && IsSpace(units.At(end - 1))) {
        --end;
    }
    if (!units.Whole() || end < kOpenUnits + kCloseUnits ||
        !units.Spell(end - kCloseUnits, kClose)) {
        return false;
    }
    const size_t close = end - kCloseUnits;
    // The comment's text is ASCII: the search stops at the first unit beyond it.
    size_t open = close - kOpenUnits;
    while (!units.Spell(open, kOpen)) {
        if (open == 0 || close - open > kLongestComment || units.At(open) >= 0x80) {
            return false;
        }
        --open;
    }
    size_t at = open + kOpenUnits;
    while (at < close && IsSpace(units.At(at))) {
        ++at;
    }
    if (close - at < wcslen(kLabel) || !units.Spell(at, kLabel)) {
        return false;
    }
    std::wstring base64;
    for (at += wcslen(kLabel); at < close; ++at) {
        base64 += static_cast<wchar_t>(units.At(at));
    }
    signature.signedBytes = units.ByteOffset(open);
    signature.base64.swap(base64);
    return true;
}

bool VerifyDescriptorSignature(const PublicKey& key, const char* bytes, size_t length) {
    DescriptorSignature signature;
    Sha256Digest digest{};
    return FindDescriptorSignature(bytes, length, signature) &&
           Sha256OfBytes(bytes, signature.signedBytes, digest) &&
           VerifySignature(key, digest, signature.base64);
}

std::string DescriptorSignatureComment(const char* bytes, size_t length,
                                       const std::wstring& base64) {
    const std::wstring text =
        std::wstring(kOpen) + L" " + kLabel + L" " + base64 + L" " + kClose + L"\n";
    const DescriptorEncoding encoding = DetectDescriptorEncoding(bytes, length);
    std::string comment;
    for (const wchar_t c : text) {
        const char low = static_cast<char>(c & 0xFF), high = static_cast<char>(c >> 8);
        if (encoding == DescriptorEncoding::Utf16BigEndian) {
            comment += high;
        }
        comment += low;
        if (encoding == DescriptorEncoding::Utf16LittleEndian) {
            comment += high;
        }
    }
    return comment;
}

} // namespace updater

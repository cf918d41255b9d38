#include "update/descriptor_text.h"

#include "common/unique_handle.h"

#include <algorithm>
#include <new>
#include <string_view>

namespace updater {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";
constexpr std::string_view kDeclarationStart = "<?xml";
constexpr std::string_view kDeclarationEnd = "?>";
constexpr std::string_view kEncodingName = "encoding";
// A declaration is one short line; one that does not end within this many bytes is not read.
constexpr size_t kLongestDeclaration = 256;

bool IsXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiLower(x) == AsciiLower(y);
           });
}

size_t SkipXmlSpace(std::string_view text, size_t at) {
    while (at < text.size() && IsXmlSpace(text[at])) {
        ++at;
    }
    return at;
}

// The quoted value of the encoding pseudo-attribute of an XML declaration that opens `text`;
// empty when there is no such declaration or it names no encoding.
std::string_view DeclaredEncoding(std::string_view text) {
    if (text.substr(0, kDeclarationStart.size()) != kDeclarationStart) {
        return {};
    }
    const std::string_view head = text.substr(0, kLongestDeclaration);
    const size_t end = head.find(kDeclarationEnd, kDeclarationStart.size());
    if (end == std::string_view::npos) {
        return {};
    }
    const std::string_view declaration = head.substr(0, end);
    for (size_t at = declaration.find(kEncodingName); at != std::string_view::npos;
         at = declaration.find(kEncodingName, at + 1)) {
        // The declaration opens with "<?xml", so `at` is never 0.
        if (!IsXmlSpace(declaration[at - 1])) {
            continue; // part of another name or value
        }
        size_t cursor = SkipXmlSpace(declaration, at + kEncodingName.size());
        if (cursor >= declaration.size() || declaration[cursor] != '=') {
            continue;
        }
        cursor = SkipXmlSpace(declaration, cursor + 1);
        if (cursor >= declaration.size() ||
            (declaration[cursor] != '"' && declaration[cursor] != '\'')) {
            return {};
        }
        const size_t close = declaration.find(declaration[cursor], cursor + 1);
        if (close == std::string_view::npos) {
            return {};
        }
        return declaration.substr(cursor + 1, close - cursor - 1);
    }
    return {};
}

// Every sequence must be well-formed UTF-8: a descriptor that claims UTF-8 and is not is
// refused rather than guessed at.
bool DecodeUtf8(std::string_view bytes, std::wstring& text) {
    if (bytes.empty()) {
        text.clear();
        return true;
    }
    const int count = static_cast<int>(bytes.size());
    const int needed =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), count, nullptr, 0);
    if (needed <= 0) {
        return false;
    }
    std::wstring decoded(static_cast<size_t>(needed), L'\0');
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), count, decoded.data(),
                            needed) != needed) {
        return false;
    }
    text.swap(decoded);
    return true;
}

bool DecodeUtf16(std::string_view bytes, bool bigEndian, std::wstring& text) {
    if (bytes.size() % 2 != 0) {
        return false;
    }
    std::wstring decoded(bytes.size() / 2, L'\0');
    for (size_t index = 0; index < decoded.size(); ++index) {
        const auto first = static_cast<unsigned char>(bytes[2 * index]);
        const auto second = static_cast<unsigned char>(bytes[2 * index + 1]);
        decoded[index] =
            static_cast<wchar_t>(bigEndian ? first << 8 | second : second << 8 | first);
    }
    decoded.resize(std::min(decoded.size(), decoded.find(L'\0')));
    text.swap(decoded);
    return true;
}

bool DecodeAnsi(std::string_view bytes, std::wstring& text) {
    if (bytes.empty()) {
        text.clear();
        return true;
    }
    const UniqueBstr converted(ToWideText(bytes.data(), static_cast<int>(bytes.size())));
    if (!converted) {
        return false;
    }
    text.assign(converted.get(), SysStringLen(converted.get()));
    return true;
}

// The bytes up to the first zero byte.
std::string_view UpToZero(std::string_view bytes) {
    return bytes.substr(0, bytes.find('\0'));
}

} // namespace

DescriptorEncoding DetectDescriptorEncoding(const char* bytes, size_t length) {
    const std::string_view start(bytes ? bytes : "", bytes ? std::min<size_t>(length, 2) : 0);
    if (start == kUtf16LeBom) {
        return DescriptorEncoding::Utf16LittleEndian;
    }
    return start == kUtf16BeBom ? DescriptorEncoding::Utf16BigEndian : DescriptorEncoding::ByteWide;
}

size_t ByteOrderMarkBytes(DescriptorEncoding encoding) {
    return encoding == DescriptorEncoding::ByteWide ? 0 : kUtf16LeBom.size();
}

bool DecodeDescriptor(const char* bytes, size_t length, std::wstring& text) {
    if (length > kMaxDescriptorBytes || (!bytes && length != 0)) {
        return false;
    }
    const std::string_view all(bytes ? bytes : "", length);
    try {
        const DescriptorEncoding encoding = DetectDescriptorEncoding(all.data(), all.size());
        if (encoding != DescriptorEncoding::ByteWide) {
            return DecodeUtf16(all.substr(ByteOrderMarkBytes(encoding)),
                               encoding == DescriptorEncoding::Utf16BigEndian, text);
        }
        if (all.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
            return DecodeUtf8(UpToZero(all.substr(kUtf8Bom.size())), text);
        }
        const std::string_view content = UpToZero(all);
        if (SameIgnoringAsciiCase(DeclaredEncoding(content), "UTF-8")) {
            return DecodeUtf8(content, text);
        }
        return DecodeAnsi(content, text);
    } catch (const std::bad_alloc&) {
        return false; // nothing was changed: `text` is only swapped once complete
    }
}

BSTR ToWideText(const char* bytes, int count) {
    if (!bytes || count == 0) {
        return nullptr;
    }
    const UINT codePage = CP_THREAD_ACP;
    int length = MultiByteToWideChar(codePage, 0, bytes, count, nullptr, 0);
    if (length <= 0) {
        return nullptr;
    }
    if (count == -1) {
        --length; // the measured length counts the terminating zero
    }
    UniqueBstr text(SysAllocStringLen(nullptr, static_cast<UINT>(length)));
    if (!text) {
        return nullptr;
    }
    // With count -1 the conversion writes the terminator too, into the slot SysAllocStringLen
    // reserves after the content.
    const int converted = MultiByteToWideChar(codePage, 0, bytes, count, text.get(),
                                              count == -1 ? length + 1 : length);
    if (converted != (count == -1 ? length + 1 : length)) {
        return nullptr;
    }
    return text.release();
}

} // namespace updater

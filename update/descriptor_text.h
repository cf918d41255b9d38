#pragma once
// The bytes of an update descriptor as text: the encoding comes from a byte order mark or the
// XML declaration, and otherwise is the ANSI code page that descriptors have always used.

#include <windows.h>
#include <oleauto.h>

#include <cstddef>
#include <string>

namespace updater {

// Descriptors are a few kilobytes; a larger one is unusable, and a fetch stops reading one byte
// beyond this.
constexpr size_t kMaxDescriptorBytes = 1024 * 1024;

// How a descriptor's bytes hold its characters, told by its first bytes alone.
enum class DescriptorEncoding {
    ByteWide,          // UTF-8 or the ANSI code page: one byte per ASCII character
    Utf16LittleEndian, // after the byte order mark FF FE
    Utf16BigEndian,    // after the byte order mark FE FF
};
DescriptorEncoding DetectDescriptorEncoding(const char* bytes, size_t length);
// The bytes of the byte order mark that opens the text in this encoding (0 for byte-wide
// encodings, whose UTF-8 mark DecodeDescriptor reads itself).
size_t ByteOrderMarkBytes(DescriptorEncoding encoding);

// Decodes `length` bytes:
// - UTF-8 after a UTF-8 byte order mark (EF BB BF), or when the text starts with an XML
//   declaration naming encoding="UTF-8" (any case, either quote);
// - UTF-16 after a byte order mark: FF FE little-endian, FE FF big-endian;
// - anything else, a declaration of another encoding such as GBK included, in the thread's
//   ANSI code page, as ToWideText reads it.
// A byte order mark is not part of `text`. In the byte-wide encodings the text ends at the
// first zero byte. False when the bytes are not valid in the encoding they name (a sequence
// that is not UTF-8, an odd number of UTF-16 bytes) or exceed kMaxDescriptorBytes; `text`
// is then left as it was.
bool DecodeDescriptor(const char* bytes, size_t length, std::wstring& text);

// Converts bytes in the thread's ANSI code page to a BSTR; `count` -1 means up to the first
// zero byte (which is not part of the result). Null for null input, a zero count, or failure.
BSTR ToWideText(const char* bytes, int count);

} // namespace updater

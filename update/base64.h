#pragma once
// Base64 texts such as the keys and signatures that vendors publish: strict decoding, and the
// encoding the publishing tool writes them in.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace updater {

// Decodes the standard alphabet (A-Z a-z 0-9 + /) in groups of four characters, the last group
// padded with "=" as needed. Spaces, tabs and line breaks anywhere are skipped. False, leaving
// `bytes` as it was, for any other character, misplaced or missing padding, set bits in what the
// padding leaves over (a second spelling of the same bytes), or more than `maxBytes` bytes.
bool DecodeBase64(const std::wstring& text, size_t maxBytes, std::vector<uint8_t>& bytes);

// The standard alphabet, padded with "=", on one line.
std::wstring EncodeBase64(const uint8_t* bytes, size_t length);

} // namespace updater

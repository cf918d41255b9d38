#pragma once
// The signature of a whole descriptor: its last comment, "<!-- signature: BASE64 -->", after
// which only white space may follow, written in the descriptor's own encoding (bytes for UTF-8
// and the ANSI code page, UTF-16 units after a UTF-16 byte order mark). BASE64 is the vendor's
// DER ECDSA P-256 signature of the SHA-256 of every byte before that comment's "<!--". Signing
// bytes needs no canonical form of the XML and covers the encoding, the byte order mark and
// every element.

#include "update/signature.h"

#include <cstddef>
#include <string>

namespace updater {

struct DescriptorSignature {
    size_t signedBytes = 0; // the bytes before the comment
    std::wstring base64;    // the signature as the comment holds it
};

// Finds the signature comment that ends the descriptor. False when the descriptor does not end
// with one, leaving `signature` as it was.
bool FindDescriptorSignature(const char* bytes, size_t length, DescriptorSignature& signature);

// True only when the descriptor ends with a signature comment that holds the signature by `key`
// of the bytes before it.
bool VerifyDescriptorSignature(const PublicKey& key, const char* bytes, size_t length);

// The bytes to append to a descriptor to sign it: the comment with `base64` (the signature of
// all `length` bytes) in the descriptor's encoding, followed by a line break.
std::string DescriptorSignatureComment(const char* bytes, size_t length,
                                       const std::wstring& base64);

} // namespace updater

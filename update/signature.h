#pragma once
// ECDSA P-256 signatures over SHA-256 digests: the vendor's public key as openssl writes it
// (base64 of the DER SubjectPublicKeyInfo) and signatures as openssl writes them (base64 of
// the DER ECDSA-Sig-Value), checked through CNG.

#include "update/sha256.h"

#include <array>
#include <cstdint>
#include <string>

namespace updater {

struct PublicKey {
    std::array<uint8_t, 64> point{}; // X then Y, 32 big-endian bytes each
};

// Accepts exactly the 91-byte SubjectPublicKeyInfo of a P-256 key (id-ecPublicKey with the
// prime256v1 curve, an uncompressed point) in base64 as DecodeBase64 reads it. False for any
// other key, curve or text, leaving `key` as it was. Whether the point lies on the curve is
// left to VerifySignature, which then fails.
bool ParsePublicKey(const std::wstring& base64Spki, PublicKey& key);
// The form ParsePublicKey reads: base64 of the key's DER SubjectPublicKeyInfo, as config.ini's
// publickey holds it.
std::wstring EncodePublicKey(const PublicKey& key);

// True only when `base64DerSignature` is the base64 of a strict DER SEQUENCE of two positive
// minimal INTEGERs r and s below 2^256, and (r, s) is a valid signature of `digest` by `key`.
bool VerifySignature(const PublicKey& key, const Sha256Digest& digest,
                     const std::wstring& base64DerSignature);

} // namespace updater

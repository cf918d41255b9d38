#include "update/signature.h"

#include "common/unique_handle.h"
#include "update/base64.h"

#include <cstring>
#include <vector>

namespace updater {
namespace {

constexpr size_t kCoordinateBytes = 32;
using RawSignature = std::array<uint8_t, 2 * kCoordinateBytes>; // r then s, as CNG takes them

// SEQUENCE { SEQUENCE { id-ecPublicKey, prime256v1 }, BIT STRING { uncompressed point } }: the
// bytes before X||Y in every P-256 SubjectPublicKeyInfo.
constexpr uint8_t kP256SpkiPrefix[] = {0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2a, 0x86, 0x48,
                                       0xce, 0x3d, 0x02, 0x01, 0x06, 0x08, 0x2a, 0x86, 0x48,
                                       0xce, 0x3d, 0x03, 0x01, 0x07, 0x03, 0x42, 0x00, 0x04};
constexpr size_t kSpkiBytes = sizeof(kP256SpkiPrefix) + 2 * kCoordinateBytes;

constexpr uint8_t kDerSequence = 0x30;
constexpr uint8_t kDerInteger = 0x02;
// Two INTEGERs of at most 33 bytes (a zero byte keeps a value with its top bit set positive).
constexpr size_t kLargestDerSignature = 2 + 2 * (2 + kCoordinateBytes + 1);

// Reads the DER INTEGER at `at` into the 32 bytes at `out`, right-aligned (the bytes before it
// stay zero), and moves `at` past it. Only the minimal encoding of a value in 1 .. 2^256-1.
bool ReadCoordinate(const std::vector<uint8_t>& der, size_t& at, uint8_t* out) {
    if (der.size() - at < 2 || der[at] != kDerInteger) {
        return false;
    }
    size_t length = der[at + 1];
    at += 2;
    // A length of 0x80 or more would be the long form, which DER forbids for such short values.
    if (length == 0 || length >= 0x80 || length > der.size() - at) {
        return false;
    }
    const uint8_t* value = der.data() + at;
    at += length;
    if (value[0] & 0x80) {
        return false; // negative
    }
    if (value[0] == 0) {
        // A leading zero is allowed only to keep a set top bit positive; alone it is the value 0.
        if (length == 1 || !(value[1] & 0x80)) {
            return false;
        }
        ++value;
        --length;
    }
    if (length > kCoordinateBytes) {
        return false;
    }
    std::memcpy(out + kCoordinateBytes - length, value, length);
    return true;
}

// The length byte is in the short form: DecodeBase64 let no more than 72 bytes through.
bool DerToRawSignature(const std::vector<uint8_t>& der, RawSignature& raw) {
    if (der.size() < 2 || der[0] != kDerSequence || der[1] != der.size() - 2) {
        return false;
    }
    size_t at = 2;
    raw.fill(0);
    return ReadCoordinate(der, at, raw.data()) &&
           ReadCoordinate(der, at, raw.data() + kCoordinateBytes) && at == der.size();
}

bool VerifyRaw(const PublicKey& key, Sha256Digest digest, RawSignature raw) {
    BCRYPT_ALG_HANDLE opened = nullptr;
    if (!BCRYPT_SUCCESS(
            BCryptOpenAlgorithmProvider(&opened, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0))) {
        return false;
    }
    const UniqueAlgorithmProvider algorithm(opened);
    std::array<UCHAR, sizeof(BCRYPT_ECCKEY_BLOB) + 2 * kCoordinateBytes> blob{};
    const BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, kCoordinateBytes};
    std::memcpy(blob.data(), &header, sizeof(header));
    std::memcpy(blob.data() + sizeof(header), key.point.data(), key.point.size());
    BCRYPT_KEY_HANDLE imported = nullptr;
    if (!BCRYPT_SUCCESS(BCryptImportKeyPair(algorithm.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB,
                                            &imported, blob.data(), static_cast<ULONG>(blob.size()),
                                            0))) {
        return false;
    }
    const UniqueCngKey cngKey(imported);
    // Success is exactly STATUS_SUCCESS; a bad signature gives STATUS_INVALID_SIGNATURE.
    return BCryptVerifySignature(cngKey.get(), nullptr, digest.data(),
                                 static_cast<ULONG>(digest.size()), raw.data(),
                                 static_cast<ULONG>(raw.size()), 0) == 0;
}

} // namespace

bool ParsePublicKey(const std::wstring& base64Spki, PublicKey& key) {
    std::vector<uint8_t> spki;
    if (!DecodeBase64(base64Spki, kSpkiBytes, spki) || spki.size() != kSpkiBytes ||
        std::memcmp(spki.data(), kP256SpkiPrefix, sizeof(kP256SpkiPrefix)) != 0) {
        return false;
    }
    std::memcpy(key.point.data(), spki.data() + sizeof(kP256SpkiPrefix), key.point.size());
    return true;
}

std::wstring EncodePublicKey(const PublicKey& key) {
    std::array<uint8_t, kSpkiBytes> spki{};
    std::memcpy(spki.data(), kP256SpkiPrefix, sizeof(kP256SpkiPrefix));
    std::memcpy(spki.data() + sizeof(kP256SpkiPrefix), key.point.data(), key.point.size());
    return EncodeBase64(spki.data(), spki.size());
}

bool VerifySignature(const PublicKey& key, const Sha256Digest& digest,
                     const std::wstring& base64DerSignature) {
    std::vector<uint8_t> der;
    RawSignature raw{};
    return DecodeBase64(base64DerSignature, kLargestDerSignature, der) &&
           DerToRawSignature(der, raw) && VerifyRaw(key, digest, raw);
}

} // namespace updater

#include "tools/publish/signing_key.h"

#include "tools/publish/der.h"
#include "update/base64.h"
#include "update/descriptor_signature.h"

#include <array>
#include <cstring>

namespace updater {
namespace {

constexpr ULONG kKeyBits = 256;
constexpr size_t kCoordinateBytes = 32;
// BCRYPT_ECCPRIVATE_BLOB: the header, X, Y, then the private scalar.
constexpr size_t kPrivateBlobBytes = sizeof(BCRYPT_ECCKEY_BLOB) + 3 * kCoordinateBytes;
using PrivateBlob = std::array<UCHAR, kPrivateBlobBytes>;

// A CNG key blob that holds a secret: wiped when it goes.
struct WipedBlob {
    ~WipedBlob() { SecureZeroMemory(bytes.data(), bytes.size()); }
    PrivateBlob bytes{};
};

} // namespace

bool SigningKey::OpenAlgorithm() {
    BCRYPT_ALG_HANDLE opened = nullptr;
    if (!BCRYPT_SUCCESS(
            BCryptOpenAlgorithmProvider(&opened, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0))) {
        return false;
    }
    algorithm_.reset(opened);
    return true;
}

bool SigningKey::Generate() {
    BCRYPT_KEY_HANDLE generated = nullptr;
    if (!OpenAlgorithm() ||
        !BCRYPT_SUCCESS(BCryptGenerateKeyPair(algorithm_.get(), &generated, kKeyBits, 0))) {
        return false;
    }
    key_.reset(generated);
    EcPrivateKey exported;
    if (!BCRYPT_SUCCESS(BCryptFinalizeKeyPair(key_.get(), 0)) || !Export(exported)) {
        return false;
    }
    public_ = exported.publicKey;
    return true;
}

bool SigningKey::Import(const EcPrivateKey& key) {
    WipedBlob blob;
    const BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PRIVATE_P256_MAGIC, kCoordinateBytes};
    std::memcpy(blob.bytes.data(), &header, sizeof(header));
    std::memcpy(blob.bytes.data() + sizeof(header), key.publicKey.point.data(),
                key.publicKey.point.size());
    std::memcpy(blob.bytes.data() + sizeof(header) + key.publicKey.point.size(), key.secret.data(),
                key.secret.size());
    BCRYPT_KEY_HANDLE imported = nullptr;
    if (!OpenAlgorithm() || !BCRYPT_SUCCESS(BCryptImportKeyPair(
                                algorithm_.get(), nullptr, BCRYPT_ECCPRIVATE_BLOB, &imported,
                                blob.bytes.data(), static_cast<ULONG>(blob.bytes.size()), 0))) {
        return false;
    }
    key_.reset(imported);
    public_ = key.publicKey;
    return true;
}

bool SigningKey::Export(EcPrivateKey& key) const {
    WipedBlob blob;
    ULONG written = 0;
    BCRYPT_ECCKEY_BLOB header{};
    if (!BCRYPT_SUCCESS(BCryptExportKey(key_.get(), nullptr, BCRYPT_ECCPRIVATE_BLOB,
                                        blob.bytes.data(), static_cast<ULONG>(blob.bytes.size()),
                                        &written, 0)) ||
        written != blob.bytes.size()) {
        return false;
    }
    std::memcpy(&header, blob.bytes.data(), sizeof(header));
    if (header.dwMagic != BCRYPT_ECDSA_PRIVATE_P256_MAGIC || header.cbKey != kCoordinateBytes) {
        return false;
    }
    std::memcpy(key.publicKey.point.data(), blob.bytes.data() + sizeof(header),
                key.publicKey.point.size());
    std::memcpy(key.secret.data(), blob.bytes.data() + sizeof(header) + key.publicKey.point.size(),
                key.secret.size());
    return true;
}

std::wstring SigningKey::Sign(const Sha256Digest& digest) const {
    // r || s. wine's CNG reports half this size when asked beforehand, so it is not asked.
    std::array<UCHAR, 2 * kCoordinateBytes> raw{};
    ULONG written = 0;
    Sha256Digest hashed = digest;
    if (!key_ ||
        !BCRYPT_SUCCESS(BCryptSignHash(key_.get(), nullptr, hashed.data(),
                                       static_cast<ULONG>(hashed.size()), raw.data(),
                                       static_cast<ULONG>(raw.size()), &written, 0)) ||
        written != raw.size()) {
        return std::wstring();
    }
    const Bytes der = DerValue(
        kDerSequence, {DerUnsignedInteger(raw.data(), kCoordinateBytes),
                       DerUnsignedInteger(raw.data() + kCoordinateBytes, kCoordinateBytes)});
    return EncodeBase64(der.data(), der.size());
}

bool SignDescriptor(const SigningKey& key, std::string& descriptor) {
    Sha256Digest digest{};
    if (!Sha256OfBytes(descriptor.data(), descriptor.size(), digest)) {
        return false;
    }
    const std::wstring signature = key.Sign(digest);
    if (signature.empty()) {
        return false;
    }
    std::string signedDescriptor =
        descriptor + DescriptorSignatureComment(descriptor.data(), descriptor.size(), signature);
    if (!VerifyDescriptorSignature(key.Public(), signedDescriptor.data(),
                                   signedDescriptor.size())) {
        return false;
    }
    descriptor.swap(signedDescriptor);
    return true;
}

} // namespace updater

#include "tools/publish/key_file.h"

#include "tools/publish/der.h"
#include "tools/publish/pem.h"

#include <windows.h>

#include <cstring>

namespace updater {
namespace {

constexpr char kPkcs8Label[] = "PRIVATE KEY";
constexpr char kSec1Label[] = "EC PRIVATE KEY";
const Bytes kEcPublicKeyOid = {0x2a, 0x86, 0x48, 0xce, 0x3d, 0x02, 0x01}; // 1.2.840.10045.2.1
const Bytes kP256Oid = {0x2a, 0x86, 0x48, 0xce, 0x3d, 0x03, 0x01, 0x07};  // 1.2.840.10045.3.1.7
constexpr uint8_t kUncompressedPoint = 0x04;

// DER bytes that hold a secret: wiped when they go.
struct SecretBytes {
    ~SecretBytes() { SecureZeroMemory(bytes.data(), bytes.size()); }
    Bytes bytes;
};

bool ReadVersion(DerReader& reader, uint8_t expected) {
    Bytes version;
    return reader.Read(kDerInteger, version) && version == Bytes{expected};
}

bool ReadCurve(DerReader& reader) {
    Bytes curve;
    return reader.Read(kDerObjectId, curve) && curve == kP256Oid;
}

// ECPrivateKey of RFC 5915: version 1, the scalar, the curve (required when nothing around the
// key names it), the public point (required: CNG takes a private key only with it).
std::wstring ReadEcPrivateKey(DerReader reader, bool curveNamedAround, EcPrivateKey& key) {
    DerReader sequence, curve, publicKey;
    SecretBytes secret;
    Bytes point;
    if (!reader.Read(kDerSequence, sequence) || !reader.AtEnd() || !ReadVersion(sequence, 1) ||
        !sequence.Read(kDerOctetString, secret.bytes)) {
        return L"the key is not an EC private key";
    }
    if (sequence.Next(DerExplicit(0))) {
        if (!sequence.Read(DerExplicit(0), curve) || !ReadCurve(curve) || !curve.AtEnd()) {
            return L"the key is not on the P-256 curve (prime256v1)";
        }
    } else if (!curveNamedAround) {
        return L"the key does not name its curve";
    }
    if (!sequence.Read(DerExplicit(1), publicKey) || !publicKey.Read(kDerBitString, point) ||
        !publicKey.AtEnd() || !sequence.AtEnd()) {
        return L"the key file holds no public key beside the private key";
    }
    // BIT STRING: no unused bits, then the uncompressed point 04 || X || Y.
    if (point.size() != 2 + key.publicKey.point.size() || point[0] != 0 ||
        point[1] != kUncompressedPoint || secret.bytes.empty() ||
        secret.bytes.size() > key.secret.size()) {
        return L"the key is not a P-256 key";
    }
    key.secret.fill(0);
    std::memcpy(key.secret.data() + key.secret.size() - secret.bytes.size(), secret.bytes.data(),
                secret.bytes.size());
    std::memcpy(key.publicKey.point.data(), point.data() + 2, key.publicKey.point.size());
    return std::wstring();
}

// PrivateKeyInfo of RFC 5208: version 0, the algorithm with its curve, the ECPrivateKey.
std::wstring ReadPkcs8(const Bytes& der, EcPrivateKey& key) {
    DerReader reader(der), info, algorithm;
    Bytes algorithmId;
    SecretBytes inner;
    if (!reader.Read(kDerSequence, info) || !reader.AtEnd() || !ReadVersion(info, 0) ||
        !info.Read(kDerSequence, algorithm) || !algorithm.Read(kDerObjectId, algorithmId) ||
        algorithmId != kEcPublicKeyOid) {
        return L"the key is not an EC key";
    }
    if (!ReadCurve(algorithm) || !algorithm.AtEnd()) {
        return L"the key is not on the P-256 curve (prime256v1)";
    }
    if (!info.Read(kDerOctetString, inner.bytes)) {
        return L"the key is not an EC private key";
    }
    return ReadEcPrivateKey(DerReader(inner.bytes), true, key);
}

} // namespace

EcPrivateKey::~EcPrivateKey() {
    SecureZeroMemory(secret.data(), secret.size());
}

std::wstring ParseKeyFile(const std::string& text, EcPrivateKey& key) {
    SecretBytes der;
    if (text.find("ENCRYPTED") != std::string::npos) {
        return L"the key file is encrypted; an unencrypted key is needed";
    }
    if (ReadPem(text, kPkcs8Label, der.bytes)) {
        return ReadPkcs8(der.bytes, key);
    }
    if (ReadPem(text, kSec1Label, der.bytes)) {
        return ReadEcPrivateKey(DerReader(der.bytes), false, key);
    }
    return L"no \"BEGIN PRIVATE KEY\" or \"BEGIN EC PRIVATE KEY\" block in base64 found";
}

std::string FormatKeyFile(const EcPrivateKey& key) {
    Bytes point{0, kUncompressedPoint};
    point.insert(point.end(), key.publicKey.point.begin(), key.publicKey.point.end());
    const SecretBytes ecPrivateKey{DerValue(
        kDerSequence, {DerValue(kDerInteger, {{1}}),
                       DerValue(kDerOctetString, {Bytes(key.secret.begin(), key.secret.end())}),
                       DerValue(DerExplicit(1), {DerValue(kDerBitString, {point})})})};
    const SecretBytes info{
        DerValue(kDerSequence, {DerValue(kDerInteger, {{0}}),
                                DerValue(kDerSequence, {DerValue(kDerObjectId, {kEcPublicKeyOid}),
                                                        DerValue(kDerObjectId, {kP256Oid})}),
                                DerValue(kDerOctetString, {ecPrivateKey.bytes})})};
    return WritePem(kPkcs8Label, info.bytes);
}

} // namespace updater

#pragma once
// The vendor's P-256 signing key in CNG: made new or taken from a key file, it signs SHA-256
// digests and whole descriptors in the forms the updater verifies.

#include "common/unique_handle.h"
#include "tools/publish/key_file.h"
#include "update/sha256.h"
#include "update/signature.h"

#include <string>

namespace updater {

class SigningKey {
public:
    // A new random key; false when CNG fails.
    bool Generate();
    // The key a key file holds; false when CNG refuses it.
    bool Import(const EcPrivateKey& key);
    bool Export(EcPrivateKey& key) const;

    const PublicKey& Public() const { return public_; }
    // Base64 of the DER ECDSA signature of `digest`, as a descriptor's <signature> holds it;
    // empty when CNG fails.
    std::wstring Sign(const Sha256Digest& digest) const;

private:
    bool OpenAlgorithm();

    UniqueAlgorithmProvider algorithm_;
    UniqueCngKey key_;
    PublicKey public_;
};

// Appends the signature comment to a whole descriptor. False, leaving it as it was, when signing
// fails or when the updater's own check does not accept the result with the key's public half
// (a key file whose public key is not its private key's).
bool SignDescriptor(const SigningKey& key, std::string& descriptor);

} // namespace updater

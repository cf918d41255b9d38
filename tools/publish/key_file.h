#pragma once
// The vendor's private key as key files hold it: PKCS#8 ("BEGIN PRIVATE KEY", as
// `openssl genpkey` and make-key write it) or SEC1 ("BEGIN EC PRIVATE KEY", as `openssl ec`
// writes it) PEM, unencrypted, of a P-256 key with its public point.

#include "update/signature.h"

#include <array>
#include <cstdint>
#include <string>

namespace updater {

struct EcPrivateKey {
    EcPrivateKey() = default;
    EcPrivateKey(const EcPrivateKey&) = delete;
    EcPrivateKey& operator=(const EcPrivateKey&) = delete;
    ~EcPrivateKey();

    std::array<uint8_t, 32> secret{}; // the private scalar, big-endian
    PublicKey publicKey;
};

// Reads a key file's text. Empty when `key` was filled; otherwise why the text is not a key
// that can sign, in English.
std::wstring ParseKeyFile(const std::string& text, EcPrivateKey& key);
// The PKCS#8 PEM text of the key, byte for byte as `openssl genpkey` writes a P-256 key.
std::string FormatKeyFile(const EcPrivateKey& key);

} // namespace updater

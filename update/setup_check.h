#pragma once
// What the downloaded setup program must satisfy before it is started: the SHA-256 that the
// descriptor publishes, a signature by the vendor's key when config.ini names one, and an
// Authenticode signature by the publisher config.ini names.

#include "update/sha256.h"
#include "update/signature.h"

#include <functional>
#include <optional>
#include <string>

namespace updater {

struct SetupRequirements {
    std::optional<Sha256Digest> sha256; // from the descriptor's <sha256>
    std::optional<PublicKey> vendorKey; // from config.ini's publickey
    std::wstring signature;             // the descriptor's <signature>, base64
    // config.ini's publisher: the subject common name of the certificate whose Authenticode
    // signature the platform accepts; empty when no Authenticode signature is required.
    std::wstring publisher;
};

// Takes the vendor's key as config.ini gives it (base64 of its DER SubjectPublicKeyInfo). An
// empty text requires no signature; false for a text that is not a P-256 key.
bool SetVendorKey(SetupRequirements& requirements, const std::wstring& base64Spki);
// Takes the descriptor's <sha256> and <signature>; false when <sha256> is present but not 64
// hexadecimal digits.
bool SetPublishedChecks(SetupRequirements& requirements, const std::wstring& sha256,
                        const std::wstring& signature);

// Filled by the update check, read by the download thread once the file is there.
extern SetupRequirements g_setupRequirements;

// Empty when the file meets every requirement; otherwise why it does not, in English, for the
// vendor's tools (the user only sees that the upgrade failed).
std::wstring CheckSetupFile(const SetupRequirements& requirements, const std::wstring& path);
// The same for a file already open for reading. `stop`, when given, is asked while the file is
// read: true ends the check as a refusal.
std::wstring CheckOpenSetupFile(const SetupRequirements& requirements, HANDLE file,
                                const std::function<bool()>& stop = nullptr);

} // namespace updater

#include "update/setup_check.h"

namespace updater {

SetupRequirements g_setupRequirements;

bool SetVendorKey(SetupRequirements& requirements, const std::wstring& base64Spki) {
    if (base64Spki.empty()) {
        return true;
    }
    PublicKey key;
    if (!ParsePublicKey(base64Spki, key)) {
        return false;
    }
    requirements.vendorKey = key;
    return true;
}

bool SetPublishedChecks(SetupRequirements& requirements, const std::wstring& sha256,
                        const std::wstring& signature) {
    if (!sha256.empty()) {
        Sha256Digest digest{};
        if (!ParseSha256Hex(sha256, digest)) {
            return false;
        }
        requirements.sha256 = digest;
    }
    requirements.signature = signature;
    return true;
}

std::wstring CheckSetupFile(const SetupRequirements& requirements, const std::wstring& path) {
    if (!requirements.sha256 && !requirements.vendorKey) {
        return std::wstring();
    }
    Sha256Digest digest{};
    if (!Sha256File(path, digest)) {
        return L"the setup program cannot be read";
    }
    if (requirements.sha256 && digest != *requirements.sha256) {
        return L"the setup program's SHA-256 differs from the descriptor's <sha256>";
    }
    if (requirements.vendorKey) {
        if (requirements.signature.empty()) {
            return L"config.ini names a public key but the descriptor has no <signature>";
        }
        if (!VerifySignature(*requirements.vendorKey, digest, requirements.signature)) {
            return L"the <signature> is malformed or not the vendor's signature of this file";
        }
    }
    return std::wstring();
}

} // namespace updater

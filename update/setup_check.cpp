#include "update/setup_check.h"

namespace updater {

SetupRequirements g_setupRequirements;

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

#include "update/setup_check.h"

#include "common/hex_digit.h"
#include "common/unique_handle.h"
#include "update/authenticode.h"


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

namespace {

// Empty when the digest meets every requirement; otherwise why it does not.
std::wstring CheckDigest(const SetupRequirements& requirements, const Sha256Digest& digest) {
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

// Neither the checksum nor the vendor's signature is asked for.
bool NoDigestNeeded(const SetupRequirements& requirements) {
    return !requirements.sha256 && !requirements.vendorKey;
}

// Empty when the file carries an Authenticode signature of the publisher config.ini names.
std::wstring CheckPublisher(const SetupRequirements& requirements, HANDLE file) {
    if (requirements.publisher.empty()) {
        return std::wstring();
    }
    std::wstring signer;
    const LONG status = VerifyAuthenticode(file, signer);
    if (status != ERROR_SUCCESS) {
        return L"the platform accepts no Authenticode signature of the setup program (" +
               HexCode(status) + L")";
    }
    if (signer != requirements.publisher) {
        return L"the setup program is signed by \"" + signer + L"\", not by config.ini's publisher";
    }
    return std::wstring();
}

constexpr wchar_t kUnreadable[] = L"the setup program cannot be read";
constexpr wchar_t kStopped[] = L"the check was stopped";

} // namespace

std::wstring CheckSetupFile(const SetupRequirements& requirements, const std::wstring& path) {
    const UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    return CheckOpenSetupFile(requirements, file.get());
}

std::wstring CheckOpenSetupFile(const SetupRequirements& requirements, HANDLE file,
                                const std::function<bool()>& stop) {
    Sha256Digest digest{};
    if (NoDigestNeeded(requirements)) {
        return CheckPublisher(requirements, file);
    }
    if (!Sha256OfOpenFile(file, digest, stop)) {
        return stop && stop() ? kStopped : kUnreadable;
    }
    const std::wstring verdict = CheckDigest(requirements, digest);
    return verdict.empty() ? CheckPublisher(requirements, file) : verdict;
}

} // namespace updater

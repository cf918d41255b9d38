#include "update/descriptor_check.h"

#include "update/descriptor_signature.h"
#include "update/utc_time.h"

namespace updater {

std::wstring CheckDescriptorBytes(const DescriptorRequirements& requirements, const char* bytes,
                                  size_t length) {
    if (!requirements.signer) {
        return std::wstring();
    }
    DescriptorSignature signature;
    if (!FindDescriptorSignature(bytes, length, signature)) {
        return L"config.ini requires a signed descriptor, and the descriptor does not end with a "
               L"signature comment";
    }
    if (!VerifyDescriptorSignature(*requirements.signer, bytes, length)) {
        return L"the descriptor's signature comment is malformed or not the vendor's signature of "
               L"the bytes before it";
    }
    return std::wstring();
}

std::wstring CheckDescriptorFields(const DescriptorRequirements& requirements,
                                   const UpdateInfo& info, ULONGLONG nowUtcTicks) {
    // The signature covers the descriptor, not the setup program: only the checksum binds that.
    if (requirements.signer && info.sha256.empty()) {
        return L"a signed descriptor must give the setup program's <sha256>";
    }
    if (info.expires) {
        ULONGLONG expiry = 0;
        if (!ParseUtcTime(*info.expires, expiry)) {
            return L"<expires> is not a UTC time of the form YYYY-MM-DDTHH:MM:SSZ";
        }
        if (nowUtcTicks > expiry) {
            return L"the descriptor expired at " + *info.expires;
        }
    }
    if (info.args.size() > kMaxSetupArgs) {
        return L"<args> is longer than " + std::to_wstring(kMaxSetupArgs) + L" characters";
    }
    for (const wchar_t c : info.args) {
        if (c < 0x20 || c == 0x7F) {
            return L"<args> holds a control character";
        }
    }
    if (!requirements.product.empty() && info.product != requirements.product) {
        return L"config.ini names the product \"" + requirements.product +
               L"\"; the descriptor names " +
               (info.product.empty() ? L"none" : L"\"" + info.product + L"\"");
    }
    return std::wstring();
}

} // namespace updater

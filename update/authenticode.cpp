#include "update/authenticode.h"

#include "common/unique_handle.h"

namespace updater {
namespace {

// The file's name as the platform knows it; empty when it cannot tell.
std::wstring FinalPath(HANDLE file) {
    const DWORD needed = GetFinalPathNameByHandleW(file, nullptr, 0, FILE_NAME_NORMALIZED);
    if (needed == 0) {
        return std::wstring();
    }
    std::wstring path(needed, L'\0');
    const DWORD length = GetFinalPathNameByHandleW(file, path.data(), needed, FILE_NAME_NORMALIZED);
    if (length == 0 || length >= needed) {
        return std::wstring();
    }
    path.resize(length);
    return path;
}

std::wstring CommonName(PCCERT_CONTEXT certificate) {
    // The object identifier is passed as the type parameter, as the API takes it.
    void* const commonName = const_cast<char*>(szOID_COMMON_NAME);
    const DWORD needed =
        CertGetNameStringW(certificate, CERT_NAME_ATTR_TYPE, 0, commonName, nullptr, 0);
    std::wstring name(needed, L'\0');
    const DWORD length =
        CertGetNameStringW(certificate, CERT_NAME_ATTR_TYPE, 0, commonName, name.data(), needed);
    // Both counts include the terminating zero; a name without a common name gives just that.
    name.resize(length > 0 ? length - 1 : 0);
    return name;
}

} // namespace

LONG VerifyAuthenticode(HANDLE file, std::wstring& signer) {
    signer.clear();
    // The platform reads the open handle; the name tells it what kind of file it is.
    const std::wstring path = FinalPath(file);
    if (path.empty()) {
        return HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE);
    }
    WINTRUST_FILE_INFO fileInfo{};
    fileInfo.cbStruct = sizeof(fileInfo);
    fileInfo.pcwszFilePath = path.c_str();
    fileInfo.hFile = file;
    WINTRUST_DATA data{};
    data.cbStruct = sizeof(data);
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &fileInfo;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    // Nothing is fetched: no revocation lists, no certificates from the network.
    data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL | WTD_REVOCATION_CHECK_NONE;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const LONG status = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    const UniqueTrustState state(data.hWVTStateData);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    CRYPT_PROVIDER_DATA* const provider = WTHelperProvDataFromStateData(state.get());
    CRYPT_PROVIDER_SGNR* const signature =
        provider ? WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0) : nullptr;
    if (!signature || signature->csCertChain == 0 || !signature->pasCertChain[0].pCert) {
        return TRUST_E_NOSIGNATURE;
    }
    // wine accepts a chain that ends in a root nobody trusts, which Windows refuses; the chain's
    // own verdict says so on both.
    if (signature->pChainContext &&
        (signature->pChainContext->TrustStatus.dwErrorStatus & CERT_TRUST_IS_UNTRUSTED_ROOT)) {
        return CERT_E_UNTRUSTEDROOT;
    }
    signer = CommonName(signature->pasCertChain[0].pCert);
    return ERROR_SUCCESS;
}

} // namespace updater

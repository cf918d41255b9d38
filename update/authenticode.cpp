#include "update/authenticode.h"

#include "common/unique_handle.h"

#include <wincrypt.h>
#include <wintrust.h>
#include <softpub.h>

namespace updater {
namespace {

// A function of a library loaded at run time, or null.
template <typename Pointer> Pointer ProcedureOf(const UniqueModule& library, const char* name) {
    return library ? reinterpret_cast<Pointer>(
                         reinterpret_cast<void (*)()>(GetProcAddress(library.get(), name)))
                   : nullptr;
}

// wintrust.dll and crypt32.dll, from the system folder, only when a publisher is checked:
// imported, they and what they load would lengthen every start of the updater.
struct TrustLibraries {
    bool Loaded() const { return verify && providerData && signerOf && nameOf; }

    const UniqueModule wintrust{
        LoadLibraryExW(L"wintrust.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)};
    const UniqueModule crypt32{
        LoadLibraryExW(L"crypt32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)};
    const decltype(&WinVerifyTrust) verify =
        ProcedureOf<decltype(&WinVerifyTrust)>(wintrust, "WinVerifyTrust");
    const decltype(&WTHelperProvDataFromStateData) providerData =
        ProcedureOf<decltype(&WTHelperProvDataFromStateData)>(wintrust,
                                                              "WTHelperProvDataFromStateData");
    const decltype(&WTHelperGetProvSignerFromChain) signerOf =
        ProcedureOf<decltype(&WTHelperGetProvSignerFromChain)>(wintrust,
                                                               "WTHelperGetProvSignerFromChain");
    const decltype(&CertGetNameStringW) nameOf =
        ProcedureOf<decltype(&CertGetNameStringW)>(crypt32, "CertGetNameStringW");
};

// What WinVerifyTrust keeps after verifying with WTD_STATEACTION_VERIFY, released by a second
// call that closes it.
class TrustState {
public:
    TrustState(const TrustLibraries& libraries, WINTRUST_DATA& data)
        : libraries_(libraries), data_(data) {}
    ~TrustState() {
        if (data_.hWVTStateData) {
            data_.dwStateAction = WTD_STATEACTION_CLOSE;
            GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
            libraries_.verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data_);
        }
    }
    TrustState(const TrustState&) = delete;
    TrustState& operator=(const TrustState&) = delete;

private:
    const TrustLibraries& libraries_;
    WINTRUST_DATA& data_;
};

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

std::wstring CommonName(const TrustLibraries& libraries, PCCERT_CONTEXT certificate) {
    // The object identifier is passed as the type parameter, as the API takes it.
    void* const commonName = const_cast<char*>(szOID_COMMON_NAME);
    const DWORD needed =
        libraries.nameOf(certificate, CERT_NAME_ATTR_TYPE, 0, commonName, nullptr, 0);
    std::wstring name(needed, L'\0');
    const DWORD length =
        libraries.nameOf(certificate, CERT_NAME_ATTR_TYPE, 0, commonName, name.data(), needed);
    // Both counts include the terminating zero; a name without a common name gives just that.
    name.resize(length > 0 ? length - 1 : 0);
    return name;
}

} // namespace

LONG VerifyAuthenticode(HANDLE file, std::wstring& signer) {
    signer.clear();
    const TrustLibraries libraries;
    if (!libraries.Loaded()) {
        return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
    }
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
    const LONG status = libraries.verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    const TrustState state(libraries, data);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    CRYPT_PROVIDER_DATA* const provider = libraries.providerData(data.hWVTStateData);
    CRYPT_PROVIDER_SGNR* const signature =
        provider ? libraries.signerOf(provider, 0, FALSE, 0) : nullptr;
    if (!signature || signature->csCertChain == 0 || !signature->pasCertChain[0].pCert) {
        return TRUST_E_NOSIGNATURE;
    }
    // wine accepts a chain that ends in a root nobody trusts, which Windows refuses; the chain's
    // own verdict says so on both.
    if (signature->pChainContext &&
        (signature->pChainContext->TrustStatus.dwErrorStatus & CERT_TRUST_IS_UNTRUSTED_ROOT)) {
        return CERT_E_UNTRUSTEDROOT;
    }
    signer = CommonName(libraries, signature->pasCertChain[0].pCert);
    return ERROR_SUCCESS;
}

} // namespace updater

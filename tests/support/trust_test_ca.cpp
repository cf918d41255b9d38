// Adds the test run's CA certificates (DER files given as the arguments) to the current user's
// root store of this wine prefix, so that the loopback HTTPS server's certificate and the test
// setup programs' Authenticode signatures are trusted.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: trust_test_ca <ca.der>...\n");
        return 2;
    }
    HCERTSTORE store =
        CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
    bool added = store != nullptr;
    for (int i = 1; added && i < argc; ++i) {
        std::ifstream file(argv[i], std::ios::binary);
        const std::string der((std::istreambuf_iterator<char>(file)),
                              std::istreambuf_iterator<char>());
        added = CertAddEncodedCertificateToStore(
            store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
            static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    }
    if (store) {
        CertCloseStore(store, 0);
    }
    if (!added) {
        std::fprintf(stderr, "cannot add a test CA: error %lu\n", GetLastError());
        return 1;
    }
    return 0;
}

#pragma once
// Authenticode signatures of setup programs, judged by the platform (WinVerifyTrust) without
// fetching anything: a user's machine may be offline or behind a proxy.

#include <windows.h>

#include <string>

namespace updater {

// Verifies the Authenticode signature of a file open for reading. ERROR_SUCCESS when the
// platform accepts it, with `signer` set to the subject common name of the signing
// certificate. Otherwise the failure, such as TRUST_E_NOSIGNATURE for an unsigned file,
// TRUST_E_BAD_DIGEST for one changed after signing or CERT_E_UNTRUSTEDROOT for a certificate
// from an authority the machine does not trust, and `signer` empty.
LONG VerifyAuthenticode(HANDLE file, std::wstring& signer);

} // namespace updater

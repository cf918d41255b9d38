#pragma once
// The HTTP client's one exception type: the failed step's handle, the error codes the
// platform reported, and a formatted message.

#include <windows.h>
#include <wininet.h>

#include <string>

namespace updater {

class CInternetException {
public:
    // Takes the thread's last-error code first, then the platform's last response
    // information, then formats `format` printf style: %s takes a const wchar_t*, %u an
    // unsigned 32-bit number, %% a percent sign.
    CInternetException(HINTERNET handle, const wchar_t* format, ...);

    // Not owned: the handle whose operation failed (null for failures without one). It is
    // usually closed by the time the exception is caught; only its value is kept.
    HINTERNET m_hInternet = nullptr;
    DWORD m_dwError = 0;
    DWORD m_dwResponseError = 0;
    std::wstring m_strMessage;
    // The server's last response information, or "Unknown error" when there is none.
    std::wstring m_strResponse;
};

// WinInet's name for an error code, in words; the certificate errors named as such.
std::wstring InternetErrorName(DWORD error);

// Tells the log that `what` (a fetch, a download) failed, and why: the message and the error.
void LogTransferFailure(const wchar_t* what, const CInternetException& failure);

} // namespace updater

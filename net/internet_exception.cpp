#include "net/internet_exception.h"

#include "log/run_log.h"

#include <cstdarg>
#include <cwchar>

namespace updater {
namespace {

std::wstring FormatInternetMessage(const wchar_t* format, va_list arguments) {
    std::wstring text;
    if (format == nullptr) {
        return text;
    }
    // A formatter of our own: the C library's wide printf disagrees between runtimes on
    // whether %s takes a narrow or a wide text.
    for (const wchar_t* p = format; *p != L'\0'; ++p) {
        if (*p != L'%') {
            text += *p;
            continue;
        }
        switch (p[1]) {
        case L's': {
            const wchar_t* value = va_arg(arguments, const wchar_t*);
            text += value != nullptr ? value : L"(null)";
            ++p;
            break;
        }
        case L'u':
            text += std::to_wstring(va_arg(arguments, unsigned int));
            ++p;
            break;
        case L'%':
            text += L'%';
            ++p;
            break;
        default: // a lone or unknown placeholder stays as written
            text += L'%';
            break;
        }
    }
    return text;
}

} // namespace

CInternetException::CInternetException(HINTERNET handle, const wchar_t* format, ...)
    : m_hInternet(handle), m_dwError(GetLastError()) {
    DWORD length = 0;
    InternetGetLastResponseInfoW(&m_dwResponseError, nullptr, &length);
    if (length != 0) {
        std::wstring response(length + 1, L'\0');
        DWORD capacity = length + 1;
        InternetGetLastResponseInfoW(&m_dwResponseError, &response[0], &capacity);
        response.resize(wcslen(response.c_str())); // the text ends at its first NUL
        m_strResponse = response;
    } else {
        m_strResponse = L"Unknown error";
    }

    va_list arguments;
    va_start(arguments, format);
    m_strMessage = FormatInternetMessage(format, arguments);
    va_end(arguments);
}

std::wstring InternetErrorName(DWORD error) {
    switch (error) {
    case ERROR_INTERNET_INVALID_CA:
        return L"certificate not trusted: unknown certificate authority";
    case ERROR_INTERNET_SEC_CERT_REV_FAILED:
        // wine reports a certificate from an authority it does not trust this way too.
        return L"certificate revocation check failed, or certificate not trusted";
    case ERROR_INTERNET_SEC_CERT_CN_INVALID:
        return L"certificate name mismatch: the certificate is not for this host name";
    case ERROR_INTERNET_SEC_CERT_DATE_INVALID:
        return L"certificate expired or not yet valid";
    case ERROR_INTERNET_TIMEOUT:
        return L"timed out";
    case ERROR_INTERNET_UNRECOGNIZED_SCHEME:
        return L"address not accepted (only http and https)";
    case ERROR_INTERNET_NAME_NOT_RESOLVED:
        return L"host name not resolved";
    case ERROR_INTERNET_CANNOT_CONNECT:
        return L"cannot connect";
    case ERROR_INTERNET_CONNECTION_ABORTED:
        return L"connection aborted, or no answer in time";
    case WSAETIMEDOUT:
        return L"no data in time";
    default:
        return L"see wininet.h";
    }
}

void LogTransferFailure(const wchar_t* what, const CInternetException& failure) {
    LogLine(std::wstring(what) + L" failed: " + failure.m_strMessage +
            (failure.m_dwError == 0 ? L""
                                    : L" (error " + std::to_wstring(failure.m_dwError) + L": " +
                                          InternetErrorName(failure.m_dwError) + L")"));
}

} // namespace updater

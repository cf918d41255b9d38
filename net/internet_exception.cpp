#include "net/internet_exception.h"

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

} // namespace updater

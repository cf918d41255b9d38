#include "net/internet_handle.h"

#include "common/decimal.h"

#include <shlwapi.h>

namespace updater {
namespace {

// The executable's file name without directory and extension.
std::wstring ExecutableBaseName() {
    wchar_t path[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    PathRemoveExtensionW(path);
    return PathFindFileNameW(path);
}

} // namespace

CInternetSession::CInternetSession(const wchar_t* agent, DWORD accessType, const wchar_t* proxy,
                                   const wchar_t* proxyBypass, DWORD flags) {
    std::wstring ownName;
    if (agent == nullptr) {
        ownName = ExecutableBaseName();
        agent = ownName.c_str();
    }
    m_hInternet.reset(InternetOpenW(agent, accessType, proxy, proxyBypass, flags));
    if (!m_hInternet) {
        throw CInternetException(nullptr, L"Failed to open an internet session");
    }
}

CInternetConnection::CInternetConnection(HINTERNET session, const wchar_t* serverName,
                                         INTERNET_PORT port, const wchar_t* userName,
                                         const wchar_t* password, DWORD service, DWORD flags) {
    m_hInternet.reset(InternetConnectW(session, serverName, port, userName, password, service,
                                       flags, reinterpret_cast<DWORD_PTR>(this)));
    if (!m_hInternet) {
        throw CInternetException(nullptr, L"Failed to connect to server (%s:%u)", serverName,
                                 static_cast<unsigned int>(port));
    }
}

CHttpConnection::CHttpConnection(HINTERNET session, const wchar_t* serverName, INTERNET_PORT port,
                                 const wchar_t* userName, const wchar_t* password, DWORD flags)
    : CInternetConnection(session, serverName, port, userName, password, INTERNET_SERVICE_HTTP,
                          flags) {}

DWORD CInternetFile::QueryDataAvailable() {
    DWORD count = 0;
    if (!InternetQueryDataAvailable(handle(), &count, 0, 0)) {
        throw CInternetException(handle(), L"Failed to query available data length");
    }
    return count;
}

DWORD CInternetFile::Read(void* buffer, DWORD size) {
    DWORD read = 0;
    if (!InternetReadFile(handle(), buffer, size, &read)) {
        throw CInternetException(handle(), L"Failed to read from network (%u bytes)",
                                 static_cast<unsigned int>(size));
    }
    return read;
}

CHttpFile::CHttpFile(HINTERNET connection, const wchar_t* verb, const wchar_t* objectName,
                     const wchar_t* version, const wchar_t* referrer, const wchar_t** acceptTypes,
                     DWORD flags) {
    const wchar_t* anyType[] = {L"*/*", nullptr};
    if (acceptTypes == nullptr) {
        acceptTypes = anyType;
    }
    m_hInternet.reset(HttpOpenRequestW(connection, verb, objectName, version, referrer, acceptTypes,
                                       flags, reinterpret_cast<DWORD_PTR>(this)));
    if (!m_hInternet) {
        throw CInternetException(nullptr, L"Failed to open http request (%s %s)", verb, objectName);
    }
}

void CHttpFile::SendRequest(const wchar_t* headers) {
    // A length of all ones: the headers end at their terminating zero.
    if (!HttpSendRequestW(handle(), headers, 0xFFFFFFFF, nullptr, 0)) {
        throw CInternetException(handle(), L"Failed to send http request");
    }
}

DWORD CHttpFile::QueryStatusCode() {
    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!HttpQueryInfoW(handle(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                        nullptr)) {
        throw CInternetException(handle(), L"Failed to query http status");
    }
    return status;
}

bool CHttpFile::QueryContentLength(ULONGLONG& length) {
    // Read as text: the numeric query fails for lengths of 4 GiB and above.
    wchar_t text[32] = {};
    DWORD size = sizeof(text);
    if (!HttpQueryInfoW(handle(), HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr)) {
        return false;
    }
    ULONGLONG value = 0;
    const wchar_t* digits = text;
    if (!ReadDecimal64(digits, value) || *digits != L'\0') {
        return false;
    }
    length = value;
    return true;
}

std::wstring CHttpFile::QueryLocation() {
    wchar_t location[INTERNET_MAX_URL_LENGTH + 1] = {};
    DWORD size = sizeof(location);
    if (!HttpQueryInfoW(handle(), HTTP_QUERY_LOCATION, location, &size, nullptr)) {
        return std::wstring();
    }
    return location;
}

std::wstring CHttpFile::QueryHeader(DWORD infoLevel) {
    wchar_t value[256] = {};
    DWORD size = sizeof(value);
    if (!HttpQueryInfoW(handle(), infoLevel, value, &size, nullptr)) {
        return std::wstring();
    }
    return value;
}

bool CHttpFile::QueryTime(DWORD infoLevel, ULONGLONG& time) {
    SYSTEMTIME parsed{};
    DWORD size = sizeof(parsed);
    FILETIME asFileTime{};
    if (!HttpQueryInfoW(handle(), infoLevel | HTTP_QUERY_FLAG_SYSTEMTIME, &parsed, &size,
                        nullptr) ||
        !SystemTimeToFileTime(&parsed, &asFileTime)) {
        return false;
    }
    time = (static_cast<ULONGLONG>(asFileTime.dwHighDateTime) << 32) | asFileTime.dwLowDateTime;
    return true;
}

} // namespace updater

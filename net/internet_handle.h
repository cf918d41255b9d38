#pragma once
// Objects over WinInet handles: a session, a connection to a server and an HTTP request.
// Each object owns its handle and closes it when destroyed; every failing call throws
// CInternetException. Used synchronously, on one thread, for one request.

#include "common/unique_handle.h"
#include "net/internet_exception.h"

#include <windows.h>
#include <wininet.h>

#include <string>

namespace updater {

class CInternetHandle {
public:
    virtual ~CInternetHandle() = default;
    CInternetHandle(const CInternetHandle&) = delete;
    CInternetHandle& operator=(const CInternetHandle&) = delete;

    HINTERNET handle() const { return m_hInternet.get(); }

protected:
    CInternetHandle() = default;

    // Null until a constructor succeeds, so a failed constructor closes nothing.
    UniqueInternetHandle m_hInternet;
};

class CInternetSession : public CInternetHandle {
public:
    // A null agent identifies the session by the executable's name without extension.
    CInternetSession(const wchar_t* agent, DWORD accessType, const wchar_t* proxy,
                     const wchar_t* proxyBypass, DWORD flags);
};

class CInternetConnection : public CInternetHandle {
public:
    CInternetConnection(HINTERNET session, const wchar_t* serverName, INTERNET_PORT port,
                        const wchar_t* userName, const wchar_t* password, DWORD service,
                        DWORD flags);
};

class CHttpConnection : public CInternetConnection {
public:
    CHttpConnection(HINTERNET session, const wchar_t* serverName, INTERNET_PORT port,
                    const wchar_t* userName, const wchar_t* password, DWORD flags);
};

// Operations on an open request; exists only as the base of CHttpFile.
class CInternetFile : public CInternetHandle {
public:
    // Bytes readable right now without blocking.
    DWORD QueryDataAvailable();
    // Bytes read into buffer; 0 marks the end of the body.
    DWORD Read(void* buffer, DWORD size);

protected:
    CInternetFile() = default;
};

class CHttpFile : public CInternetFile {
public:
    // A null acceptTypes sends the single accept type "*/*".
    CHttpFile(HINTERNET connection, const wchar_t* verb, const wchar_t* objectName,
              const wchar_t* version, const wchar_t* referrer, const wchar_t** acceptTypes,
              DWORD flags);

    // Sends the request without body, with `headers` (lines each ended by CR LF) added.
    void SendRequest(const wchar_t* headers = nullptr);
    // The response's status code, such as 200 or 404.
    DWORD QueryStatusCode();
    // The response's Content-Length, of any size; false when the server sent none or one that
    // is not a number.
    bool QueryContentLength(ULONGLONG& length);
    // The response's Location header; empty when there is none, or it is longer than any
    // address the program accepts.
    std::wstring QueryLocation();
    // A response header (HTTP_QUERY_ETAG, ...); empty when there is none, or it is longer
    // than any the program uses.
    std::wstring QueryHeader(DWORD infoLevel);
    // A response header that holds an HTTP date (HTTP_QUERY_DATE, ...) in 100 ns units since
    // 1601 (a FILETIME); false when there is none or it is no date.
    bool QueryTime(DWORD infoLevel, ULONGLONG& time);
};

} // namespace updater

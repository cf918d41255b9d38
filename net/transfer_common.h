#pragma once
// What the fetch into memory and the download to file share about their one request.

#include "net/internet_handle.h"

namespace updater {

constexpr wchar_t kTransferUserAgent[] = L"INetHttpClient";
// Session: the system's proxy settings, synchronous use.
constexpr DWORD kTransferAccessType = INTERNET_OPEN_TYPE_PRECONFIG;
// Request: keep the connection alive; the platform's caching rules apply.
constexpr DWORD kTransferRequestFlags = INTERNET_FLAG_KEEP_CONNECTION;

// The upper bound reported with every position of one transfer: the response's
// Content-Length when the server sent one, otherwise the bytes readable right after the
// request was sent (0 when that query fails). Makes the first available-data query.
DWORD QueryProgressTotal(CHttpFile& request);

} // namespace updater

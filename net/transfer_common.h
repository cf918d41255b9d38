#pragma once
// What the fetch into memory and the download to file share about their one request.

#include "net/internet_handle.h"
#include "net/progress_reporter.h"

namespace updater {

constexpr wchar_t kTransferUserAgent[] = L"INetHttpClient";
// Session: the system's proxy settings, synchronous use.
constexpr DWORD kTransferAccessType = INTERNET_OPEN_TYPE_PRECONFIG;
// Request: keep the connection alive; the platform's caching rules apply.
constexpr DWORD kTransferRequestFlags = INTERNET_FLAG_KEEP_CONNECTION;

// The upper bound reported with every position of one transfer: the response's
// Content-Length when the server sent one, otherwise the bytes readable right after the
// request was sent (0 when that query fails). Makes the first available-data query.
ULONGLONG QueryProgressTotal(CHttpFile& request);

// Reads the next chunk of at most kTransferChunkSize bytes into `chunk`; 0 at the end of the
// body. After a read that brought data the sink is asked whether to stop: then it hears
// kTransferAborted and the transfer ends by throwing `abortMessage`.
DWORD ReadChunk(CHttpFile& request, char* chunk, const ProgressReporter& report,
                const wchar_t* abortMessage);

} // namespace updater

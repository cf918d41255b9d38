#include "net/transfer_common.h"

#include "net/http_transfer.h"

namespace updater {

ULONGLONG QueryProgressTotal(CHttpFile& request) {
    DWORD available = 0;
    try {
        available = request.QueryDataAvailable();
    } catch (const CInternetException&) {
        // Only a hint for the progress display; the reads that follow report real failures.
    }
    ULONGLONG contentLength = 0;
    return request.QueryContentLength(contentLength) ? contentLength : available;
}

DWORD ReadChunk(CHttpFile& request, char* chunk, const ProgressReporter& report,
                const wchar_t* abortMessage) {
    const DWORD n = request.Read(chunk, kTransferChunkSize);
    if (n != 0 && report.Aborted()) {
        report.State(kTransferAborted);
        throw CInternetException(request.handle(), abortMessage);
    }
    return n;
}

} // namespace updater

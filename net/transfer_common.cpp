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

DWORD NextReadSize(DWORD size, DWORD read, ULONGLONG microseconds) {
    if (read < size) {
        return size; // the body ended, or the platform returned early: nothing learned
    }
    const ULONGLONG perTarget =
        static_cast<ULONGLONG>(read) * kReadTargetMs * 1000 / (microseconds ? microseconds : 1);
    const ULONGLONG ceiling = size < kMaxReadSize / 4 ? size * 4ULL : kMaxReadSize;
    const ULONGLONG next = perTarget < ceiling ? perTarget : ceiling;
    // Whole pages, so that the writes to the file stay aligned.
    return next < kMinReadSize ? kMinReadSize : static_cast<DWORD>(next & ~ULONGLONG{4095});
}

CChunkReader::CChunkReader(CHttpFile& request, const ProgressReporter& report,
                           const wchar_t* abortMessage, const TransferDeadline& deadline)
    : request_(request), report_(report), abortMessage_(abortMessage), deadline_(deadline),
      buffer_(new char[kMaxReadSize]) {}

DWORD CChunkReader::Next() {
    // Without a deadline the request keeps the time-outs it was sent with.
    if (deadline_.IsSet()) {
        deadline_.BoundNextWait(request_.handle());
    }
    LARGE_INTEGER frequency{}, start{}, end{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const DWORD n = request_.Read(buffer_.get(), size_);
    QueryPerformanceCounter(&end);
    if (n != 0 && report_.Aborted()) {
        aborted_ = true;
        report_.State(kTransferAborted);
        throw CInternetException(request_.handle(), abortMessage_);
    }
    const ULONGLONG ticks = static_cast<ULONGLONG>(end.QuadPart - start.QuadPart);
    size_ = NextReadSize(size_, n, ticks * 1000000 / static_cast<ULONGLONG>(frequency.QuadPart));
    return n;
}

} // namespace updater

#pragma once
// What the fetch into memory and the download to file share about their one request.

#include "net/internet_handle.h"
#include "net/progress_reporter.h"
#include "net/transfer_deadline.h"

#include <memory>

namespace updater {

constexpr wchar_t kTransferUserAgent[] = L"INetHttpClient";
// Session: the system's proxy settings, synchronous use.
constexpr DWORD kTransferAccessType = INTERNET_OPEN_TYPE_PRECONFIG;
// Request: keep the connection alive; never write the body into WinInet's cache, which would
// keep a second copy of every setup program in the user's profile.
constexpr DWORD kTransferRequestFlags =
    INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_CACHE_WRITE;

// The upper bound reported with every position of one transfer: the response's
// Content-Length when the server sent one, otherwise the bytes readable right after the
// request was sent (0 when that query fails). Makes the first available-data query.
ULONGLONG QueryProgressTotal(CHttpFile& request);

// Reads sizes: from a few KiB on a slow link to a few hundred KiB while data flows.
constexpr DWORD kMinReadSize = 4 * 1024;
constexpr DWORD kMaxReadSize = 256 * 1024;
// How long one read should take: short enough for a lively progress display and a prompt
// cancel, long enough that a fast link is not slowed by the cost of each call.
constexpr DWORD kReadTargetMs = 100;

// The size of the read after one of `size` bytes that brought `read` bytes in `microseconds`:
// what the link delivers in kReadTargetMs, growing at most fourfold per read.
DWORD NextReadSize(DWORD size, DWORD read, ULONGLONG microseconds);

// Reads a response body chunk by chunk. WinInet returns from a read only once its whole buffer
// is filled or the body has ended, so every read is sized to the link (NextReadSize).
class CChunkReader {
public:
    CChunkReader(CHttpFile& request, const ProgressReporter& report, const wchar_t* abortMessage,
                 const TransferDeadline& deadline = TransferDeadline());

    // Reads the next chunk into Data(); 0 at the end of the body. After a read that brought
    // data the sink is asked whether to stop: then it hears kTransferAborted and the transfer
    // ends by throwing `abortMessage`. Past the deadline it throws too.
    DWORD Next();
    const char* Data() const { return buffer_.get(); }
    // Whether Next() threw because the sink asked to stop.
    bool Aborted() const { return aborted_; }

private:
    CHttpFile& request_;
    const ProgressReporter& report_;
    const wchar_t* abortMessage_;
    TransferDeadline deadline_;
    std::unique_ptr<char[]> buffer_;
    DWORD size_ = kMinReadSize;
    bool aborted_ = false;
};

} // namespace updater

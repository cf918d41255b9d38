#pragma once
// One GET with every wait bounded and redirects followed by hand: at most kMaxRedirects hops,
// each to an address that CrackHttpUrl accepts, never from https back to http. WinInet itself
// would follow any number of redirects to any scheme, and under wine it waits for a silent
// server for ever. Certificate errors are failures like any other: nothing is ignored.

#include "net/internet_handle.h"
#include "net/progress_reporter.h"
#include "net/transfer_deadline.h"

#include <optional>
#include <string>

namespace updater {

constexpr int kMaxRedirects = 10;

struct RequestOptions {
    // Past every cache: WinInet's own (which may answer while a max-age lasts) and proxies'.
    bool fromServer = false;
    // When the whole transfer must have ended, sending and reading included.
    TransferDeadline deadline;
    // The deadline bounds connecting and sending only: the answer and its body are awaited
    // kTransferTimeoutMs per wait, as in any download (under wine a request reads its whole
    // body with the receive time-out it was sent with).
    bool deadlineForSendingOnly = false;
    // Added request headers, each line ended by CR LF.
    std::wstring headers;
};

class CHttpGet {
public:
    // Sends the request for `url` and follows redirects; reports kTransferOpening,
    // kTransferConnected and kTransferSent. Throws CInternetException on any failure, a URL
    // CrackHttpUrl refuses included.
    CHttpGet(const wchar_t* url, const ProgressReporter& report,
             const RequestOptions& options = RequestOptions());

    // The final request, its response ready to read.
    CHttpFile& Request() { return *request_; }
    // The address of the final request: the one given, or the last redirect's target.
    const std::wstring& Address() const { return address_; }

private:
    std::wstring address_;
    CInternetSession session_;
    std::optional<CHttpConnection> connection_;
    std::optional<CHttpFile> request_;
};

} // namespace updater

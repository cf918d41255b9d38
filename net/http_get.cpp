#include "net/http_get.h"

#include "log/run_log.h"
#include "net/transfer_common.h"
#include "net/url.h"

#include <string>

namespace updater {
namespace {

bool IsRedirect(DWORD status) {
    return status == HTTP_STATUS_MOVED || status == HTTP_STATUS_REDIRECT ||
           status == HTTP_STATUS_REDIRECT_METHOD || status == HTTP_STATUS_REDIRECT_KEEP_VERB ||
           status == HTTP_STATUS_PERMANENT_REDIRECT;
}

// Asks proxies not to answer from their caches (HTTP/1.1 and HTTP/1.0 ones).
constexpr wchar_t kNoCacheHeaders[] = L"Cache-Control: no-cache\r\nPragma: no-cache\r\n";
constexpr DWORD kFromServerFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_PRAGMA_NOCACHE;
// Sending can cost two waits: one for the connection, one for the answer's head.
constexpr DWORD kSendWaits = 2;

// The redirect's target, resolved against the address it came from.
std::wstring RedirectTarget(CHttpFile& request, const std::wstring& from) {
    std::wstring target;
    if (!ResolveUrl(from, request.QueryLocation(), target)) {
        throw CInternetException(request.handle(), L"Redirect without a usable address");
    }
    return target;
}

} // namespace

CHttpGet::CHttpGet(const wchar_t* url, const ProgressReporter& report,
                   const RequestOptions& options)
    : session_(kTransferUserAgent, kTransferAccessType, nullptr, nullptr, 0) {
    address_ = url;
    bool wasSecure = false;
    for (int hop = 0;; ++hop) {
        UrlParts parts;
        if (!CrackHttpUrl(address_.c_str(), parts)) {
            throw CInternetException(nullptr, L"Unsupported address (%s)",
                                     LoggableUrl(address_).c_str());
        }
        const bool secure = parts.Secure();
        if (wasSecure && !secure) {
            throw CInternetException(nullptr, L"Redirect from https to http refused (%s)",
                                     LoggableUrl(address_).c_str());
        }
        wasSecure = secure;
        if (hop == 0) {
            report.State(kTransferOpening);
        }
        request_.reset();
        connection_.emplace(session_.handle(), parts.host.c_str(), parts.port, nullptr, nullptr, 0);
        request_.emplace(
            connection_->handle(), L"GET", parts.objectName.c_str(), L"", nullptr, nullptr,
            kTransferRequestFlags | INTERNET_FLAG_NO_AUTO_REDIRECT |
                (secure ? INTERNET_FLAG_SECURE : 0) | (options.fromServer ? kFromServerFlags : 0));
        const DWORD wait = options.deadline.NextWait(request_->handle(), kSendWaits);
        SetWaitTimeouts(request_->handle(), wait,
                        options.deadlineForSendingOnly ? kTransferTimeoutMs : wait);
        if (hop == 0) {
            report.State(kTransferConnected);
        }
        const std::wstring headers = (options.fromServer ? kNoCacheHeaders : L"") + options.headers;
        request_->SendRequest(headers.empty() ? nullptr : headers.c_str());
        const DWORD status = request_->QueryStatusCode();
        ULONGLONG length = 0;
        LogLine(L"GET " + LoggableUrl(address_) + (options.headers.empty() ? L"" : L" (ranged)") +
                L": HTTP " + std::to_wstring(status) +
                (request_->QueryContentLength(length) ? L", " + std::to_wstring(length) + L" bytes"
                                                      : L""));
        if (!IsRedirect(status)) {
            report.State(kTransferSent);
            return;
        }
        if (hop == kMaxRedirects) {
            throw CInternetException(request_->handle(), L"More than %u redirects",
                                     static_cast<unsigned int>(kMaxRedirects));
        }
        address_ = RedirectTarget(*request_, address_);
    }
}

} // namespace updater

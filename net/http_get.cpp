#include "net/http_get.h"

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

// Set on the request handle: wine ignores these options on the session.
void BoundEveryWait(HINTERNET request) {
    DWORD timeout = kTransferTimeoutMs;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        InternetSetOptionW(request, option, &timeout, sizeof(timeout));
    }
}

// The redirect's target, resolved against the address it came from.
std::wstring RedirectTarget(CHttpFile& request, const std::wstring& from) {
    const std::wstring location = request.QueryLocation();
    wchar_t combined[INTERNET_MAX_URL_LENGTH] = {};
    DWORD size = INTERNET_MAX_URL_LENGTH;
    if (location.empty() ||
        !InternetCombineUrlW(from.c_str(), location.c_str(), combined, &size, ICU_NO_ENCODE)) {
        throw CInternetException(request.handle(), L"Redirect without a usable address");
    }
    return combined;
}

} // namespace

CHttpGet::CHttpGet(const wchar_t* url, const ProgressReporter& report)
    : session_(kTransferUserAgent, kTransferAccessType, nullptr, nullptr, 0) {
    std::wstring address = url;
    bool wasSecure = false;
    for (int hop = 0;; ++hop) {
        wchar_t host[kUrlPartCapacity] = {};
        wchar_t objectName[kUrlPartCapacity] = {};
        INTERNET_PORT port = INTERNET_DEFAULT_HTTP_PORT;
        bool secure = false;
        if (!CrackHttpUrl(address.c_str(), host, objectName, &port, &secure)) {
            throw CInternetException(nullptr, L"Unsupported address (%s)", address.c_str());
        }
        if (wasSecure && !secure) {
            throw CInternetException(nullptr, L"Redirect from https to http refused (%s)",
                                     address.c_str());
        }
        wasSecure = secure;
        if (hop == 0) {
            report.State(kTransferOpening);
        }
        request_.reset();
        connection_.emplace(session_.handle(), host, port, nullptr, nullptr, 0);
        request_.emplace(connection_->handle(), L"GET", objectName, L"", nullptr, nullptr,
                         kTransferRequestFlags | INTERNET_FLAG_NO_AUTO_REDIRECT |
                             (secure ? INTERNET_FLAG_SECURE : 0));
        BoundEveryWait(request_->handle());
        if (hop == 0) {
            report.State(kTransferConnected);
        }
        request_->SendRequest();
        if (!IsRedirect(request_->QueryStatusCode())) {
            report.State(kTransferSent);
            return;
        }
        if (hop == kMaxRedirects) {
            throw CInternetException(request_->handle(), L"More than %u redirects",
                                     static_cast<unsigned int>(kMaxRedirects));
        }
        address = RedirectTarget(*request_, address);
    }
}

} // namespace updater

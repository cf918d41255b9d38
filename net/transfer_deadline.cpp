#include "net/transfer_deadline.h"

#include "net/internet_exception.h"

namespace updater {

TransferDeadline TransferDeadline::In(DWORD milliseconds) {
    TransferDeadline deadline;
    deadline.endsAt_ = GetTickCount64() + milliseconds;
    return deadline;
}

DWORD TransferDeadline::NextWait(HINTERNET request, DWORD waits) const {
    if (endsAt_ == 0) {
        return kTransferTimeoutMs;
    }
    const ULONGLONG now = GetTickCount64();
    if (now >= endsAt_) {
        throw CInternetException(request, L"The transfer took too long");
    }
    const ULONGLONG share = (endsAt_ - now) / waits;
    return share < kTransferTimeoutMs ? static_cast<DWORD>(share) + 1 : kTransferTimeoutMs;
}

void TransferDeadline::BoundNextWait(HINTERNET request, DWORD waits) const {
    const DWORD timeout = NextWait(request, waits);
    SetWaitTimeouts(request, timeout, timeout);
}

void SetWaitTimeouts(HINTERNET request, DWORD connectAndSendMs, DWORD receiveMs) {
    // Set on the request handle: wine ignores these options on the session.
    InternetSetOptionW(request, INTERNET_OPTION_CONNECT_TIMEOUT, &connectAndSendMs,
                       sizeof(connectAndSendMs));
    InternetSetOptionW(request, INTERNET_OPTION_SEND_TIMEOUT, &connectAndSendMs,
                       sizeof(connectAndSendMs));
    InternetSetOptionW(request, INTERNET_OPTION_RECEIVE_TIMEOUT, &receiveMs, sizeof(receiveMs));
}

} // namespace updater

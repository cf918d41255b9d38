#include "net/transfer_deadline.h"

#include "net/internet_exception.h"

namespace updater {

TransferDeadline TransferDeadline::In(DWORD milliseconds) {
    TransferDeadline deadline;
    deadline.endsAt_ = GetTickCount64() + milliseconds;
    return deadline;
}

void TransferDeadline::BoundNextWait(HINTERNET request, DWORD waits) const {
    DWORD timeout = kTransferTimeoutMs;
    if (endsAt_ != 0) {
        const ULONGLONG now = GetTickCount64();
        if (now >= endsAt_) {
            throw CInternetException(request, L"The transfer took too long");
        }
        const ULONGLONG share = (endsAt_ - now) / waits;
        timeout = share < timeout ? static_cast<DWORD>(share) + 1 : timeout;
    }
    // Set on the request handle: wine ignores these options on the session.
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        InternetSetOptionW(request, option, &timeout, sizeof(timeout));
    }
}

} // namespace updater

#pragma once
// Bounds on the waits of one transfer: each wait for the server ends after kTransferTimeoutMs
// without progress, and a transfer that must end by a deadline shortens its waits to fit.

#include <windows.h>
#include <wininet.h>

namespace updater {

// The longest wait for the next step of a transfer (connect, send, each read).
constexpr DWORD kTransferTimeoutMs = 10000;

class TransferDeadline {
public:
    // No deadline: a download takes as long as its link needs.
    TransferDeadline() = default;
    static TransferDeadline In(DWORD milliseconds);
    bool IsSet() const { return endsAt_ != 0; }

    // Sets the request's time-outs for its next blocking call, which the platform may spend
    // up to `waits` time-outs on (sending a request can take two). Throws CInternetException
    // once the deadline has passed.
    void BoundNextWait(HINTERNET request, DWORD waits = 1) const;

private:
    ULONGLONG endsAt_ = 0; // GetTickCount64(); 0 for none
};

} // namespace updater

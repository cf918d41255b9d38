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
    bool Passed() const { return endsAt_ != 0 && GetTickCount64() >= endsAt_; }

    // The time-out for the request's next blocking call, which the platform may spend up to
    // `waits` time-outs on (sending a request can take two): kTransferTimeoutMs, shortened to
    // fit the deadline. Throws CInternetException once the deadline has passed.
    DWORD NextWait(HINTERNET request, DWORD waits = 1) const;
    // Sets every time-out of the request to NextWait(request, waits).
    void BoundNextWait(HINTERNET request, DWORD waits = 1) const;

private:
    ULONGLONG endsAt_ = 0; // GetTickCount64(); 0 for none
};

// Sets how long the request may wait to connect and to send, and to receive (the answer's head
// and each read of its body). Under wine a request keeps the receive time-out it was sent with
// for its whole body: one set after sending is accepted and ignored.
void SetWaitTimeouts(HINTERNET request, DWORD connectAndSendMs, DWORD receiveMs);

} // namespace updater

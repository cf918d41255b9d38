#pragma once
// The interface through which an HTTP transfer reports its progress and state and asks
// whether it should stop. Implemented by the progress dialog; a transfer may also run
// without one.

#include <windows.h>

namespace updater {

// State codes passed to OnStateChanged.
enum TransferState : int {
    kTransferStarting = 0,  // before the URL is split
    kTransferOpening = 1,   // URL split; the internet session is being opened
    kTransferConnected = 2, // connection (and, for the fetch into memory, the request) open
    kTransferSent = 3,      // the request has been sent
    kTransferDone = 4,      // the transfer ended normally
    kTransferAborted = -1,  // IsAborted answered true; kTransferFailed follows
    kTransferFailed = -2,   // failure (message when it has one) or a download with no byte
};

struct IPostionChanged {
    // position: body bytes received so far; total: the transfer's announced upper bound,
    // the same in every call of one transfer and possibly smaller than position. Both are
    // 64-bit: setup programs of several GiB are common.
    virtual void OnPositionChanged(ULONGLONG position, ULONGLONG total) = 0;
    // message belongs to the caller and is valid only during the call.
    virtual void OnStateChanged(int state, const wchar_t* message) {
        (void)state;
        (void)message;
    }
    // Asked after every read that returned data; true stops the transfer.
    virtual bool IsAborted() { return false; }

protected:
    // Sinks are never deleted through this interface.
    ~IPostionChanged() = default;
};

} // namespace updater

#pragma once
// The message loop of a thread, with message filters and idle handlers.
//
// Filters see every message before it is translated and dispatched, the last attached first;
// the first one that returns true consumes it. Idle handlers run once, in the order attached,
// each time the queue runs empty after a message other than mouse moves, paints and the
// caret-blink timer. Both lists belong to the loop's thread and are not locked.

#include <windows.h>

#include <vector>

namespace updater {

class CMessageFilter {
public:
    // True consumes the message: it is neither translated nor dispatched.
    virtual bool FilterMessage(MSG* message) = 0;

protected:
    ~CMessageFilter() = default;
};

class CIdleHandler {
public:
    // The result is ignored by the loop.
    virtual bool HandleIdle() = 0;

protected:
    ~CIdleHandler() = default;
};

class CMessageLoop {
public:
    CMessageLoop() = default;
    virtual ~CMessageLoop() = default;
    CMessageLoop(const CMessageLoop&) = delete;
    CMessageLoop& operator=(const CMessageLoop&) = delete;

    // Append; false when the list cannot grow. The loop does not own what is attached.
    bool AttachFilter(CMessageFilter* filter);
    bool AttachIdleHandler(CIdleHandler* handler);
    // Remove the first entry equal to the pointer; false when it is absent.
    bool DetachFilter(CMessageFilter* filter);
    bool DetachIdleHandler(CIdleHandler* handler);

    // Runs until WM_QUIT and returns its wParam (the code given to PostQuitMessage).
    int PumpMessages();

    // Asks the filters from the last attached to the first; true once one consumes it.
    virtual bool FilterMessage(MSG* message);
    // Runs every idle handler once; false, so the loop waits for the next message.
    virtual bool RunIdleHandlers(int idleCount);

private:
    static bool KeepsIdleState(UINT message);

    std::vector<CMessageFilter*> filters_;
    std::vector<CIdleHandler*> idleHandlers_;
    MSG currentMessage_{};
};

} // namespace updater

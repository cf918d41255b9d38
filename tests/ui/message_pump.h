#pragma once
// Serving this thread's windows inside a test, the way the main thread's loop does.

#include "framework/message_loop.h"

#include <windows.h>

#include <functional>
#include <optional>

namespace ui_testing {

// Generous: a condition that takes this long has failed.
constexpr DWORD kPumpBoundMs = 30000;

class MessagePump {
public:
    // Messages are offered to `loop`'s filters first, when there is one.
    explicit MessagePump(updater::CMessageLoop* loop = nullptr) : loop_(loop) {}

    // Dispatches this thread's messages until `condition` holds (true), a WM_QUIT arrives or
    // the bound passes (then the condition's own value).
    bool Until(const std::function<bool()>& condition, DWORD boundMs = kPumpBoundMs);
    // Dispatches what is queued now, and WM_QUIT too.
    void Drain();

    // The code of the WM_QUIT seen, if any.
    std::optional<int> QuitCode() const { return quitCode_; }

private:
    bool DispatchOne();

    updater::CMessageLoop* loop_;
    std::optional<int> quitCode_;
};

} // namespace ui_testing

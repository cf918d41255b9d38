#include "message_pump.h"

namespace ui_testing {

bool MessagePump::DispatchOne() {
    MSG message{};
    if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        return false;
    }
    if (message.message == WM_QUIT) {
        quitCode_ = static_cast<int>(message.wParam);
        return true;
    }
    if (loop_ == nullptr || !loop_->FilterMessage(&message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return true;
}

bool MessagePump::Until(const std::function<bool()>& condition, DWORD boundMs) {
    const ULONGLONG deadline = GetTickCount64() + boundMs;
    while (!condition()) {
        if (quitCode_ || GetTickCount64() > deadline) {
            return condition();
        }
        if (!DispatchOne()) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
    }
    return true;
}

void MessagePump::Drain() {
    while (DispatchOne()) {
    }
}

} // namespace ui_testing

#include "support/gui.h"

namespace testing_support {

bool PumpUntil(const std::function<bool()>& condition, DWORD boundMs) {
    const ULONGLONG deadline = GetTickCount64() + boundMs;
    while (!condition()) {
        if (GetTickCount64() >= deadline) {
            return false;
        }
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return true;
}

} // namespace testing_support

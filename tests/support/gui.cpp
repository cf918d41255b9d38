#include "support/gui.h"

#include <richedit.h>

#include <vector>

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

std::wstring RichEditText(HWND control) {
    std::vector<wchar_t> text(1 << 20);
    GETTEXTEX request{};
    request.cb = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    request.flags = GT_USECRLF;
    request.codepage = 1200; // UTF-16
    const LRESULT length = SendMessageW(control, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request),
                                        reinterpret_cast<LPARAM>(text.data()));
    return std::wstring(text.data(), length > 0 ? static_cast<size_t>(length) : 0);
}

} // namespace testing_support

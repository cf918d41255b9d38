#pragma once
// Finding and driving a process's windows the way a user would: by caption, through its
// keyboard focus, buttons and system menu.

#include <windows.h>

#include <string>

namespace testing_support {

constexpr DWORD kWindowTimeoutMs = 30000;

// Waits until `condition()` holds; false when it does not within `timeoutMs`.
template <class Condition> bool WaitUntil(Condition condition, DWORD timeoutMs = kWindowTimeoutMs) {
    for (const ULONGLONG deadline = GetTickCount64() + timeoutMs; !condition(); Sleep(50)) {
        if (GetTickCount64() >= deadline) {
            return false;
        }
    }
    return true;
}

// The first visible top-level window of process `processId` titled exactly `caption`; null
// when none appears within `timeoutMs`.
HWND WaitForWindow(DWORD processId, const std::wstring& caption,
                   DWORD timeoutMs = kWindowTimeoutMs);

// Text of a window of this or another process (WM_GETTEXT, which the system marshals).
std::wstring WindowText(HWND window);
std::wstring ControlText(HWND dialog, int controlId);
// The body text of a standard message box.
std::wstring MessageBoxText(HWND box);

// Presses a key in the window that has the keyboard focus in `window`'s thread.
void PressKey(HWND window, UINT virtualKey);
// Closes a window from its caption's close box (the system menu's Close command).
void CloseFromCaption(HWND window);
// Clicks the client point (x, y) of `control` with the left mouse button.
void ClickAt(HWND control, int x, int y);
// Answers a dialog or message box as if the button `id` had been pressed.
void PressButton(HWND dialog, int id);

} // namespace testing_support

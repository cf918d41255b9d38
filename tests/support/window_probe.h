#pragma once
// Finding and driving another process's windows the way a user would: by caption, through
// its keyboard focus, buttons and system menu.

#include <windows.h>

#include <string>

namespace testing_support {

constexpr DWORD kWindowTimeoutMs = 30000;

// The first visible top-level window of process `processId` titled exactly `caption`; null
// when none appears within `timeoutMs`.
HWND WaitForWindow(DWORD processId, const std::wstring& caption,
                   DWORD timeoutMs = kWindowTimeoutMs);
// Waits until `condition(window)` holds; false when it does not within `timeoutMs`.
template <class Condition> bool WaitUntil(Condition condition, DWORD timeoutMs = kWindowTimeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() >= deadline) {
            return false;
        }
        Sleep(50);
    }
    return true;
}

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

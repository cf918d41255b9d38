#pragma once
// Finding and driving another process's windows the way a user would: by caption, through
// its keyboard focus, buttons and system menu.

#include <windows.h>

#include <string>

namespace e2e {

constexpr DWORD kWindowTimeoutMs = 30000;

// The first visible top-level window of process `processId` titled exactly `caption`; null
// when none appears within `timeoutMs`.
HWND WaitForWindow(DWORD processId, const std::wstring& caption,
                   DWORD timeoutMs = kWindowTimeoutMs);
// True when no visible top-level window of `processId` has that caption for `quietMs`.
bool StaysAbsent(DWORD processId, const std::wstring& caption, DWORD quietMs);
// Any visible top-level window of the process.
HWND AnyVisibleWindow(DWORD processId);

// Text of a window of another process (WM_GETTEXT, which the system marshals).
std::wstring TextOf(HWND window);
std::wstring ControlText(HWND dialog, int controlId);
// The body text of a standard message box.
std::wstring MessageBoxText(HWND box);
// The icon a message box shows: one of IDI_ERROR, IDI_INFORMATION, IDI_QUESTION, IDI_WARNING
// as their resource numbers, or 0 when it cannot be told.
UINT_PTR MessageBoxIconKind(HWND box);

// Presses a key in the window that has the keyboard focus in `window`'s thread.
void PressKey(HWND window, UINT virtualKey);
// Closes a window from its caption's close box (the system menu's Close command).
void CloseFromCaption(HWND window);
// Clicks the client point (x, y) of `control` with the left mouse button.
void ClickAt(HWND control, int x, int y);
// Answers a dialog or message box as if the button `id` had been pressed.
void PressButton(HWND dialog, int id);

} // namespace e2e

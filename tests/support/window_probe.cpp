#include "support/window_probe.h"

#include <vector>

namespace testing_support {
namespace {

struct Search {
    DWORD processId;
    const std::wstring& caption;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
    Search& search = *reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search.processId && IsWindowVisible(window) &&
        WindowText(window) == search.caption) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

HWND WaitForWindow(DWORD processId, const std::wstring& caption, DWORD timeoutMs) {
    Search search = {processId, caption, nullptr};
    WaitUntil(
        [&] {
            return !EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search)) && search.found;
        },
        timeoutMs);
    return search.found;
}

std::wstring WindowText(HWND window) {
    // A fixed buffer: the length query does not come back through every cross-process path.
    std::vector<wchar_t> text(65536);
    const LRESULT copied =
        SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    return std::wstring(text.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

std::wstring ControlText(HWND dialog, int controlId) {
    HWND control = GetDlgItem(dialog, controlId);
    return control ? WindowText(control) : std::wstring();
}

std::wstring MessageBoxText(HWND box) {
    return ControlText(box, 0xFFFF); // the standard box's text control
}

void PressKey(HWND window, UINT virtualKey) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    HWND target = window;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) && info.hwndFocus) {
        target = info.hwndFocus;
    }
    PostMessageW(target, WM_KEYDOWN, virtualKey, 1);
    PostMessageW(target, WM_KEYUP, virtualKey, 1 | (1u << 30) | (1u << 31));
}

void CloseFromCaption(HWND window) {
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void ClickAt(HWND control, int x, int y) {
    const LPARAM point = MAKELPARAM(x, y);
    PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageW(control, WM_LBUTTONUP, 0, point);
}

void PressButton(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

} // namespace testing_support

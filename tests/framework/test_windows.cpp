#include "test_windows.h"

#include <algorithm>

namespace framework_testing {
namespace {

constexpr wchar_t kRecordingClass[] = L"FrameworkTestRecording";
constexpr wchar_t kLoggingClass[] = L"FrameworkTestLogging";
constexpr UINT kQuitGuardMilliseconds = 30000;

void RegisterOnce(const wchar_t* name, WNDPROC procedure) {
    WNDCLASSW windowClass{};
    if (GetClassInfoW(GetModuleHandleW(nullptr), name, &windowClass)) {
        return;
    }
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = name;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    RegisterClassW(&windowClass);
}

LRESULT CALLBACK LoggingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* log =
        reinterpret_cast<std::vector<std::wstring>*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    const bool logged = message == WM_APP || message == WM_APP + 1 || message == WM_DESTROY ||
                        message == WM_NCDESTROY;
    if (log != nullptr && logged) {
        log->push_back(L"control:" + MessageName(message));
    }
    if (message == WM_APP + 1) {
        return 11; // marks a result that came from the control itself
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void CALLBACK QuitOnTimeout(HWND, UINT, UINT_PTR, DWORD) {
    PostQuitMessage(QuitGuard::kTimedOutCode);
}

} // namespace

RecordingWindow::RecordingWindow() {
    RegisterOnce(kRecordingClass, Procedure);
    window_ = CreateWindowExW(0, kRecordingClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleW(nullptr), this);
}

RecordingWindow::~RecordingWindow() {
    if (window_ != nullptr) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

bool RecordingWindow::Got(UINT message, WPARAM wParam) const {
    return std::find(received_.begin(), received_.end(), std::make_pair(message, wParam)) !=
           received_.end();
}

LRESULT CALLBACK RecordingWindow::Procedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<RecordingWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr) {
        self->received_.emplace_back(message, wParam);
        if (self->onMessage) {
            self->onMessage(message, wParam);
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

QuitGuard::QuitGuard() : timer_(SetTimer(nullptr, 0, kQuitGuardMilliseconds, QuitOnTimeout)) {}

QuitGuard::~QuitGuard() {
    KillTimer(nullptr, timer_);
}

const wchar_t* LoggingControlClass() {
    RegisterOnce(kLoggingClass, LoggingProcedure);
    return kLoggingClass;
}

std::wstring MessageName(UINT message) {
    switch (message) {
    case WM_APP:
        return L"app";
    case WM_APP + 1:
        return L"app+1";
    case WM_DESTROY:
        return L"destroy";
    case WM_NCDESTROY:
        return L"ncdestroy";
    default:
        return std::to_wstring(message);
    }
}

LPARAM KeyParam(UINT scanCode) {
    return static_cast<LPARAM>((scanCode << 16) | 1);
}

} // namespace framework_testing

#pragma once
// Small real windows for the framework tests.

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace framework_testing {

// A message-only window (no painting, no mouse input) that records what its procedure gets.
class RecordingWindow {
public:
    RecordingWindow();
    ~RecordingWindow();
    RecordingWindow(const RecordingWindow&) = delete;
    RecordingWindow& operator=(const RecordingWindow&) = delete;

    HWND Handle() const { return window_; }
    // (message, wParam) of every message received, in order.
    const std::vector<std::pair<UINT, WPARAM>>& Received() const { return received_; }
    bool Got(UINT message, WPARAM wParam) const;
    // Called for every message after it is recorded.
    std::function<void(UINT message, WPARAM wParam)> onMessage;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    std::vector<std::pair<UINT, WPARAM>> received_;
};

// While it exists, a stuck message loop of this thread ends with kTimedOutCode after a
// generous bound instead of hanging the test.
class QuitGuard {
public:
    static constexpr int kTimedOutCode = -7;
    QuitGuard();
    ~QuitGuard();
    QuitGuard(const QuitGuard&) = delete;
    QuitGuard& operator=(const QuitGuard&) = delete;

private:
    UINT_PTR timer_;
};

// A window class whose procedure appends "control:<message>" for WM_APP, WM_APP + 1,
// WM_DESTROY and WM_NCDESTROY to the log (std::vector<std::wstring>) that its GWLP_USERDATA
// points to, and answers WM_APP + 1 with 11. Returns the class name.
const wchar_t* LoggingControlClass();
std::wstring MessageName(UINT message);

// The lParam of a key message for a key with this scan code.
LPARAM KeyParam(UINT scanCode);

} // namespace framework_testing

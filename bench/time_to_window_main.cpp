// bench_time_to_window <exe> <caption> <cancel|close> <runs> [arguments for exe...]
// The caption "offer" stands for the offer dialog's caption, "error" for the caption of the
// program's error boxes. Starts exe `runs` times, one after the
// other. Each time it measures from CreateProcessW until a top-level window with that caption is
// visible, then posts WM_COMMAND IDCANCEL ("cancel") or WM_CLOSE ("close") to the window and waits
// for the process to end. Prints one line per run: "run=<i> ms=<time> exit=<exit code>"; a run
// whose window never shows prints ms=-1. Each start finds the counter reading taken just before
// its CreateProcessW in the variable BENCH_LAUNCH_QPC (see startup_stamps.h).

#include "stopwatch.h"

#include "common/unique_handle.h"
#include "ui/dialog_captions.h"

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr double kWindowTimeoutSeconds = 60;
constexpr DWORD kExitTimeoutMs = 20000;

HWND FindVisibleWindow(const wchar_t* caption) {
    const HWND window = FindWindowW(nullptr, caption);
    return window != nullptr && IsWindowVisible(window) ? window : nullptr;
}

// Milliseconds to the visible window, or -1; *exitCode is the process's exit code.
double TimeOneRun(const std::wstring& exe, const std::wstring& arguments, const wchar_t* caption,
                  bool cancel, DWORD* exitCode) {
    std::wstring commandLine = L"\"" + exe + L"\"" + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    LARGE_INTEGER launch;
    QueryPerformanceCounter(&launch);
    SetEnvironmentVariableW(L"BENCH_LAUNCH_QPC", std::to_wstring(launch.QuadPart).c_str());
    const bench::Stopwatch watch;
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        return -1;
    }
    const updater::UniqueKernelHandle process(info.hProcess);
    const updater::UniqueKernelHandle thread(info.hThread);

    double ms = -1;
    HWND window = nullptr;
    while (watch.Seconds() < kWindowTimeoutSeconds) {
        window = FindVisibleWindow(caption);
        if (window != nullptr) {
            ms = watch.Seconds() * 1000;
            break;
        }
        if (WaitForSingleObject(process.get(), 1) == WAIT_OBJECT_0) {
            break; // ended without showing the window
        }
    }
    if (window != nullptr) {
        PostMessageW(window, cancel ? WM_COMMAND : WM_CLOSE, cancel ? IDCANCEL : 0, 0);
    }
    if (WaitForSingleObject(process.get(), kExitTimeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 99);
        WaitForSingleObject(process.get(), kExitTimeoutMs);
    }
    GetExitCodeProcess(process.get(), exitCode);
    return ms;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: bench_time_to_window <exe> <caption> <cancel|close> <runs> "
                             "[arguments...]\n");
        return 2;
    }
    const wchar_t* caption = wcscmp(argv[2], L"offer") == 0   ? updater::kOfferDialogCaption
                             : wcscmp(argv[2], L"error") == 0 ? updater::kErrorBoxCaption
                                                              : argv[2];
    const bool cancel = wcscmp(argv[3], L"cancel") == 0;
    const int runs = _wtoi(argv[4]);
    std::wstring arguments;
    for (int i = 5; i < argc; ++i) {
        arguments += L" " + std::wstring(argv[i]);
    }
    int failures = 0;
    for (int run = 1; run <= runs; ++run) {
        DWORD exitCode = 0;
        const double ms = TimeOneRun(argv[1], arguments, caption, cancel, &exitCode);
        failures += ms < 0 ? 1 : 0;
        std::printf("run=%d ms=%.1f exit=%ld\n", run, ms, static_cast<long>(exitCode));
        std::fflush(stdout);
    }
    return failures == 0 ? 0 : 1;
}

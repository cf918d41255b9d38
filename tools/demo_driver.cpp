// Drives one run of the updater for scripts/demo on a display without a user: starts the exe,
// accepts the offer, waits for the progress line to tell the time left and for the setup
// program, and at each step prints the step's name and waits for a line on standard input (the
// script takes a screenshot then). Prints "exit <code>" with the updater's whole exit code at
// the end.

#include "support/child_process.h"
#include "support/window_probe.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr int kProgressLineId = 1004;

void Pause(const char* step) {
    std::printf("%s\n", step);
    std::fflush(stdout);
    char line[16];
    std::fgets(line, sizeof(line), stdin);
}

HWND WaitForAnyWindow(const std::wstring& caption) {
    for (int i = 0; i < 600; ++i) {
        if (HWND window = FindWindowW(nullptr, caption.c_str())) {
            if (IsWindowVisible(window)) {
                return window;
            }
        }
        Sleep(50);
    }
    return nullptr;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: demo_driver <updater.exe> <working folder>\n");
        return 2;
    }
    testing_support::ChildProcess updater(argv[1], L"", argv[2], argv[2]);
    HWND offer = testing_support::WaitForWindow(updater.id(), L"发现新版本！是否立即升级？");
    if (!offer) {
        DWORD code = 0;
        if (updater.WaitForExit(1000, code)) {
            std::printf("exit %ld\n", static_cast<long>(code));
            return 0;
        }
        std::fprintf(stderr, "the offer did not appear\n");
        return 1;
    }
    Sleep(500);
    Pause("offer");

    testing_support::PressKey(offer, VK_RETURN);
    HWND progress = testing_support::WaitForWindow(updater.id(), L"正在升级，请稍候......");
    if (progress) {
        // The picture shows the line as a user sees it for most of a download: size, speed and
        // time left, which it tells once the speed is known.
        testing_support::WaitUntil([&] {
            return testing_support::ControlText(progress, kProgressLineId).find(L"剩余") !=
                   std::wstring::npos;
        });
        Pause("progress");
    }

    HWND setup = WaitForAnyWindow(L"示例安装程序");
    if (setup) {
        Sleep(300);
        Pause("setup");
        testing_support::PressButton(setup, IDOK);
    }
    DWORD code = 0;
    if (!updater.WaitForExit(60000, code)) {
        std::fprintf(stderr, "the updater did not end\n");
        return 1;
    }
    std::printf("exit %ld\n", static_cast<long>(code));
    return 0;
}

// Shows one of the updater's dialogs with sample content until told to go, for screenshots:
//
//   dialog_gallery.exe offer|progress|about|confirm <ready file> <done file>
//
// The ready file is written once the dialog is on screen and painted (for "progress", once
// the bar has started moving and the line under it tells the speed); the program ends when
// the done file appears, or after a minute.

#include "framework/app_module.h"
#include "framework/message_loop.h"
#include "resources/resource.h"
#include "ui/dialog_captions.h"
#include "ui/main_dlg.h"
#include "ui/upload_dlg.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <cwchar>
#include <string>
#include <thread>

namespace {

using namespace updater;

constexpr wchar_t kSampleOffer[] =
    L"当前版本：1.0.0.1\r\n\r\n最新版本：1.2.0.0\r\n文件大小：3.2 MB\r\n更新描述：\r\n"
    L"1. 新增批量转换功能，支持一次处理多个文件\r\n2. 修复了打开大文件时偶尔卡顿的问题\r\n"
    L"3. 优化启动速度，界面更加简洁\r\n\r\n";
constexpr UINT kTickMs = 100;
constexpr int kSettleTicks = 10;            // painting and activation after the dialog appears
constexpr ULONGLONG kLifetimeMs = 60000;    // give up when nobody says done
constexpr DWORD kBarTotal = 3355443;        // 3.2 MB
constexpr DWORD kBarStep = kBarTotal / 200; // every 100 ms: about 164 KB/s, 20 s in all

struct Gallery {
    std::wstring which;
    std::wstring readyFile;
    std::wstring doneFile;
    HWND progressBar = nullptr;
    HWND progressLine = nullptr;
    int readyTicks = 0;
    bool readyWritten = false;
    ULONGLONG deadline = 0;
};
Gallery g_gallery;
std::atomic<bool> g_stopBar{false};

DWORD WINAPI NoInstall(LPVOID) {
    return 0;
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteMarker(const std::wstring& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
    }
}

bool DialogShown(const wchar_t* caption) {
    const HWND window = FindWindowW(L"#32770", caption);
    return window != nullptr && IsWindowVisible(window);
}

bool Shown() {
    if (g_gallery.which == L"offer") {
        return DialogShown(kOfferDialogCaption);
    }
    if (g_gallery.which == L"about") {
        return DialogShown(L"About");
    }
    if (g_gallery.which == L"confirm") {
        return DialogShown(kCancelConfirmationCaption);
    }
    wchar_t line[100] = L"";
    GetWindowTextW(g_gallery.progressLine, line, 100);
    return DialogShown(kProgressDialogCaption) &&
           SendMessageW(g_gallery.progressBar, PBM_GETPOS, 0, 0) > 0 &&
           wcsstr(line, L"/s") != nullptr;
}

// Runs from the thread's timer, also inside the modal loops of the About box and the
// confirmation.
void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (!g_gallery.readyWritten && Shown() && ++g_gallery.readyTicks >= kSettleTicks) {
        WriteMarker(g_gallery.readyFile);
        g_gallery.readyWritten = true;
    }
    if (FileExists(g_gallery.doneFile) || GetTickCount64() > g_gallery.deadline) {
        g_stopBar = true;
        ExitProcess(g_gallery.readyWritten ? 0 : 1);
    }
}

// Moves the bar from another thread, as the download thread does.
void MoveBar(CUploadDlg* progress) {
    DWORD position = 0;
    while (!g_stopBar) {
        // Never beyond the total, which would read as a download of unknown size.
        position = position >= kBarTotal ? 0 : std::min(position + kBarStep, kBarTotal);
        progress->OnPositionChanged(position, kBarTotal);
        Sleep(100);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc != 4) {
        return 2;
    }
    g_gallery.which = argv[1];
    g_gallery.readyFile = argv[2];
    g_gallery.doneFile = argv[3];
    LocalFree(argv);
    g_gallery.deadline = GetTickCount64() + kLifetimeMs;

    CoInitialize(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    LoadLibraryW(L"RICHED20.DLL");
    g_module.Initialize(instance);
    CMessageLoop loop;
    g_module.RegisterMessageLoop(&loop);

    CMainDlg offer;
    offer.OfferText = kSampleOffer;
    offer.SetInstallRoutine(NoInstall);
    CUploadDlg progress;
    if (g_gallery.which == L"offer" || g_gallery.which == L"about") {
        // Shown as start-up shows it: topmost in place, then in the foreground.
        const HWND window = offer.CreateModeless(nullptr, 0);
        ShowWindow(window, SW_SHOWNORMAL);
        RECT frame{};
        GetWindowRect(window, &frame);
        SetWindowPos(window, HWND_TOPMOST, frame.left, frame.top, frame.right - frame.left,
                     frame.bottom - frame.top, SWP_SHOWWINDOW | SWP_NOACTIVATE);
        SetForegroundWindow(window);
        if (g_gallery.which == L"about") {
            PostMessageW(window, WM_COMMAND, ID_APP_ABOUT, 0);
        }
    } else if (g_gallery.which == L"progress" || g_gallery.which == L"confirm") {
        const HWND window = progress.CreateModeless(nullptr, 0);
        g_gallery.progressBar = progress.ProgressBar;
        g_gallery.progressLine = GetDlgItem(window, IDC_PROGRESS_TEXT);
        progress.SetRunning(true);
        // Detached: it ends with the process, possibly inside a send to this thread.
        std::thread(MoveBar, &progress).detach();
        if (g_gallery.which == L"confirm") {
            PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        }
    } else {
        return 2;
    }
    SetTimer(nullptr, 0, kTickMs, Tick);
    loop.PumpMessages(); // ended by Tick
    return 1;
}

#pragma once
// The progress dialog shown while the setup program downloads, and the state record that the
// install and download threads share with it.
//
// Threads: the window and its handlers belong to the main thread. The download's phase is
// changed by the download thread (start, end) and the main thread (a confirmed cancel), each
// change one atomic compare-and-swap, so a cancel and the end of a download never both win.
// `Download` is prepared and fetched by the download thread and used by the install thread
// once that thread has ended, or been given up after a cancel (see SetupDownload).
// `ProgressBar` is written while the window is created and only read afterwards.
//
// Lifetime: the object must outlive its window, because the workers keep using it after a
// close has destroyed the window; it is never released before the process ends.

#include "common/unique_handle.h"
#include "download/setup_download.h"
#include "framework/dialog_impl.h"
#include "resources/resource.h"
#include "net/progress_interface.h"
#include "ui/transfer_rate.h"

#include <windows.h>

#include <atomic>
#include <string>

namespace updater {

class CUploadDlg : public CDialogImpl<CUploadDlg>, public IPostionChanged {
public:
    static constexpr UINT DialogTemplateId = IDD_PROGRESS;
    static const MessageMap<CUploadDlg> messageMap;

    CUploadDlg();

    // The download's phases: not started, running (transfer and checks), then exactly one of
    // cancelled, failed or succeeded.
    bool IsRunning() const { return phase_.load() == Phase::Running; }
    // Starts a download (true) or puts the dialog back to "not started" (false).
    void SetRunning(bool running) { phase_.store(running ? Phase::Running : Phase::Idle); }
    bool IsSucceeded() const { return phase_.load() == Phase::Succeeded; }
    bool IsCancelled() const { return phase_.load() == Phase::Cancelled; }
    // Ends a running download as succeeded or failed. False when a cancel came first: the
    // download then counts as cancelled, whatever it achieved.
    bool Finish(bool succeeded);

    // Called on the download thread. Reports come at most every few tens of milliseconds into
    // effect (the first and the last of a download, a new total, the first beyond the total,
    // and a lower position, which means that the download started over, always): the bar's
    // range becomes 0 to total and its
    // position `position`, through messages posted to the main thread, which changes the bar; those
    // that would not change what the bar shows are left out. Nothing happens once the bar is
    // gone. A position beyond its total, or a total of 0, means that the size is unknown (no
    // Content-Length): the bar then moves on its own (marquee) for the rest of the download.
    // The line under the bar tells the bytes received, the total and speed and time left when
    // known; it changes at most twice a second, but always for a download's first and last
    // report and when a download starts over.
    void OnPositionChanged(ULONGLONG position, ULONGLONG total) override;
    // Called on the download thread: the end of a download also brings the line up to date,
    // where the last report could not be told from the others (size unknown).
    void OnStateChanged(int state, const wchar_t* message) override;
    // True once the download is no longer running: a confirmed cancel stops the transfer and
    // the checks that follow it.
    bool IsAborted() override;

    // Deliberately empty: the workers may still use the object after its window is gone.
    void OnLastMessage(HWND oldWindow) override;

    // Signalled when the user confirms a cancel or closes the window before the download has
    // succeeded: the install thread then stops waiting for a download that may be blocked.
    HANDLE CancelEvent() const { return cancelEvent_.get(); }

    UniqueKernelHandle WorkerThread; // the install thread
    DWORD WorkerThreadId = 0;
    SetupDownload Download; // the setup program's download and its file
    HWND ProgressBar = nullptr;
    // The dialog's window as created. Unlike Handle(), which the main thread clears when the
    // window is destroyed, it is written once before the workers start, so they may read it.
    HWND CreatedWindow = nullptr;

private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, bool& handled);
    LRESULT OnMinimize(WORD, WORD, HWND, bool& handled);
    LRESULT OnCancel(WORD, WORD, HWND, bool& handled);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, bool& handled);
    void Cancel();
    void UpdateBar(ULONGLONG position, ULONGLONG total);
    void UpdateLine(ULONGLONG position, ULONGLONG total, ULONGLONG now);
    void ShowLine();

    // The latest report, and when one was last taken up; used by the download thread only.
    struct LatestReport {
        ULONGLONG position = 0;
        ULONGLONG total = 0;
        bool taken = false;
        ULONGLONG takenAt = 0;
    };
    LatestReport latest_;

    // What the bar was last told; used by the download thread only.
    struct ShownBar {
        bool valid = false;
        ULONGLONG total = 0;
        int filledPixels = 0;
        bool marquee = false; // the size is unknown: the bar moves on its own from then on
    };
    ShownBar shownBar_;

    // The line under the bar; the window is written while it is created, the rest is used by
    // the download thread only.
    HWND progressLine_ = nullptr;
    struct LineState {
        bool shown = false;
        ULONGLONG shownAt = 0;
        ULONGLONG position = 0;
        ULONGLONG total = 0;
        bool sizeUnknown = false; // the current download has passed its total, or has none
    };
    LineState line_;
    TransferRate rate_;

    enum class Phase { Idle, Running, Cancelled, Failed, Succeeded };
    UniqueKernelHandle cancelEvent_; // manual reset
    std::atomic<Phase> phase_{Phase::Idle};
};

} // namespace updater

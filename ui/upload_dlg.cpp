#include "ui/upload_dlg.h"

#include "ui/dialog_captions.h"
#include "ui/progress_text.h"

#include <commctrl.h>

#include <climits>

namespace updater {
namespace {

constexpr wchar_t kCancelQuestion[] = L"正在升级！您确定要取消升级吗？";

// A bold copy of the default GUI font, or null when the stock font cannot be read. Made once
// per dialog and kept for the life of the process, like the window that uses it.
HFONT CreateBoldGuiFont() {
    LOGFONTW font{};
    if (GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font) != sizeof(font)) {
        return nullptr;
    }
    font.lfWeight = FW_BOLD;
    return CreateFontIndirectW(&font);
}

// A fast download reports a position for every read, a thousand a second and more; the dialog
// takes up one at most this often (besides a download's first and last, and a start over),
// which still reads as continuous motion. The bar hears of it only when it fills more or fewer
// pixels, by a posted message: the download never waits for the dialog's thread to repaint.
constexpr ULONGLONG kMinUpdateIntervalMs = 40;
constexpr LPARAM kMarqueeStepMs = 30;
// Text that changes faster than this cannot be read, and costs a repaint per change.
constexpr ULONGLONG kMinLineIntervalMs = 500;

int FilledPixels(HWND bar, ULONGLONG position, ULONGLONG total) {
    RECT client{};
    if (total == 0 || !GetClientRect(bar, &client)) {
        return 0;
    }
    const ULONGLONG shown = position < total ? position : total;
    return static_cast<int>(static_cast<double>(shown) / static_cast<double>(total) *
                            (client.right - client.left));
}

// The bar counts in int: a download beyond 2 GiB is counted in units of 2, 4, ... bytes, so
// that the bar still shows the true fraction.
unsigned BarUnitShift(ULONGLONG total) {
    unsigned shift = 0;
    while ((total >> shift) > static_cast<ULONGLONG>(INT_MAX)) {
        ++shift;
    }
    return shift;
}

} // namespace

const MessageMap<CUploadDlg> CUploadDlg::messageMap = {
    HandleMessage(WM_INITDIALOG, &CUploadDlg::OnInitDialog),
    HandleCommand(IDOK, &CUploadDlg::OnMinimize),
    HandleCommand(IDCANCEL, &CUploadDlg::OnCancel),
    HandleMessage(WM_DESTROY, &CUploadDlg::OnDestroy),
};

CUploadDlg::CUploadDlg() : cancelEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

void CUploadDlg::Cancel() {
    Phase running = Phase::Running;
    if (phase_.compare_exchange_strong(running, Phase::Cancelled)) {
        SetEvent(cancelEvent_.get());
    }
}

bool CUploadDlg::Finish(bool succeeded) {
    Phase running = Phase::Running;
    return phase_.compare_exchange_strong(running, succeeded ? Phase::Succeeded : Phase::Failed);
}

void CUploadDlg::OnPositionChanged(ULONGLONG position, ULONGLONG total) {
    const ULONGLONG now = GetTickCount64();
    const bool first = !latest_.taken, last = total > 0 && position == total;
    // A lower position means that the download started over; one beyond the total, that its
    // size is unknown.
    const bool changed = position < latest_.position || total != latest_.total ||
                         (position > total) != (latest_.position > latest_.total);
    latest_ = {position, total, latest_.taken, latest_.takenAt};
    if (!first && !last && !changed && now - latest_.takenAt < kMinUpdateIntervalMs) {
        return;
    }
    latest_.taken = true;
    latest_.takenAt = now;
    UpdateBar(position, total);
    UpdateLine(position, total, now);
}

void CUploadDlg::OnStateChanged(int state, const wchar_t* /*message*/) {
    if (state != kTransferDone || !latest_.taken) {
        return;
    }
    // The last report of a download of unknown size may have been left for a later one.
    UpdateBar(latest_.position, latest_.total);
    UpdateLine(latest_.position, latest_.total, GetTickCount64());
    ShowLine();
}

void CUploadDlg::UpdateLine(ULONGLONG position, ULONGLONG total, ULONGLONG now) {
    if (!::IsWindow(progressLine_)) {
        return;
    }
    const bool startedOver = position < line_.position;
    if (startedOver) {
        line_ = LineState{};
    }
    rate_.Add(now, position);
    line_.sizeUnknown = line_.sizeUnknown || total == 0 || position > total;
    const bool finished = !line_.sizeUnknown && position >= total;
    const bool due = now - line_.shownAt >= kMinLineIntervalMs;
    line_.position = position;
    line_.total = total;
    if (line_.shown && !startedOver && !finished && !due) {
        return;
    }
    ShowLine();
    line_.shown = true;
    line_.shownAt = now;
}

void CUploadDlg::ShowLine() {
    const std::wstring text = DownloadProgressText(
        line_.position, line_.sizeUnknown ? 0 : line_.total, rate_.BytesPerSecond());
    if (::IsWindow(progressLine_)) {
        SetWindowTextW(progressLine_, text.c_str());
    }
}

void CUploadDlg::UpdateBar(ULONGLONG position, ULONGLONG total) {
    if (!::IsWindow(ProgressBar) || shownBar_.marquee) {
        return;
    }
    // Without a Content-Length the total is only what had arrived first: once the download
    // passes it, its size is unknown and a moving bar tells the truth where a full one would not.
    if (total == 0 || position > total) {
        SetWindowLongPtrW(ProgressBar, GWL_STYLE,
                          GetWindowLongPtrW(ProgressBar, GWL_STYLE) | PBS_MARQUEE);
        PostMessageW(ProgressBar, PBM_SETMARQUEE, TRUE, kMarqueeStepMs);
        shownBar_.marquee = true;
        return;
    }
    const bool newRange = !shownBar_.valid || total != shownBar_.total;
    const bool finished = total > 0 && position >= total;
    const int filled = FilledPixels(ProgressBar, position, total);
    if (!newRange && !finished && filled == shownBar_.filledPixels) {
        return;
    }
    const unsigned shift = BarUnitShift(total);
    if (newRange) {
        PostMessageW(ProgressBar, PBM_SETRANGE32, 0, static_cast<LPARAM>(total >> shift));
    }
    PostMessageW(ProgressBar, PBM_SETPOS, static_cast<WPARAM>(position >> shift), 0);
    shownBar_ = {true, total, filled};
}

bool CUploadDlg::IsAborted() {
    return !IsRunning();
}

void CUploadDlg::OnLastMessage(HWND /*oldWindow*/) {}

LRESULT CUploadDlg::OnInitDialog(UINT, WPARAM, LPARAM, bool&) {
    CenterOver();
    SendDlgItemMessageW(Handle(), IDC_HEADER, WM_SETFONT,
                        reinterpret_cast<WPARAM>(CreateBoldGuiFont()), TRUE);
    ProgressBar = GetDlgItem(Handle(), IDC_PROGRESS_BAR);
    progressLine_ = GetDlgItem(Handle(), IDC_PROGRESS_TEXT);
    CreatedWindow = Handle();
    MakeTopmostInPlace(true);
    return TRUE;
}

LRESULT CUploadDlg::OnMinimize(WORD, WORD, HWND, bool&) {
    // The template has no minimise box; the default handling of the system command does it.
    PostMessageW(Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    return 0;
}

LRESULT CUploadDlg::OnCancel(WORD, WORD, HWND, bool&) {
    if (!IsRunning()) {
        DestroyWindow(Handle());
        return 0;
    }
    // The download goes on while the box is open; the install thread closes the box with
    // IDCANCEL when the download ends first.
    const int answer = MessageBoxW(Handle(), kCancelQuestion, kCancelConfirmationCaption,
                                   MB_OKCANCEL | MB_ICONQUESTION);
    if (answer == IDOK) {
        Cancel(); // too late once the download has been finished
    }
    return 0;
}

LRESULT CUploadDlg::OnDestroy(UINT, WPARAM, LPARAM, bool& handled) {
    // Without its window nobody could watch or stop the download: a download still under way
    // ends as a cancelled one.
    Cancel();
    handled = false;
    return 0;
}

} // namespace updater

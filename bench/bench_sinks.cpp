#include "bench_sinks.h"

#include <commctrl.h>

#include <climits>

namespace bench {
namespace {

// The first position above `position` that fills more of the bar than `position` does; past
// the total the bar is full and no position draws differently.
ULONGLONG NextVisiblePosition(HWND bar, DWORD position, DWORD total) {
    RECT client{};
    GetClientRect(bar, &client);
    const ULONGLONG width = client.right > client.left ? client.right - client.left : 1;
    if (total == 0 || position >= total) {
        return ULLONG_MAX;
    }
    const ULONGLONG filled = width * position / total;
    // Smallest p with width * p / total >= filled + 1.
    return ((filled + 1) * total + width - 1) / width;
}

} // namespace

void RangeOnceProgressDialog::OnPositionChanged(DWORD position, DWORD total) {
    if (!::IsWindow(ProgressBar)) {
        return;
    }
    if (!rangeSet_ || range_ != total) {
        SendMessageW(ProgressBar, PBM_SETRANGE32, 0, static_cast<LPARAM>(total));
        rangeSet_ = true;
        range_ = total;
    }
    SendMessageW(ProgressBar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void VisibleStepProgressDialog::OnPositionChanged(DWORD position, DWORD total) {
    if (positionSet_ && total == lastTotal_ && position < nextVisiblePosition_) {
        return;
    }
    if (!::IsWindow(ProgressBar)) {
        return;
    }
    RangeOnceProgressDialog::OnPositionChanged(position, total);
    positionSet_ = true;
    lastTotal_ = total;
    nextVisiblePosition_ = NextVisiblePosition(ProgressBar, position, total);
}

} // namespace bench

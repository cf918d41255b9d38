#pragma once
// Progress dialogs that differ from the program's only in how often OnPositionChanged sends to
// the bar; they show what fewer synchronous sends per chunk would gain. The counting sink
// measures how many progress reports a download makes.

#include "ui/upload_dlg.h"

#include <atomic>

namespace bench {

// Sets the range only when the total differs from the range last set (once per transfer,
// since the total never changes within one), and the position on every report.
class RangeOnceProgressDialog : public updater::CUploadDlg {
public:
    void OnPositionChanged(DWORD position, DWORD total) override;

private:
    bool rangeSet_ = false;
    DWORD range_ = 0;
};

// Also skips the positions that the bar would draw exactly as the last one sent: after each
// send it works out the first position that fills one more pixel of the bar's width, and
// sends again only from there on (or when the total changes).
class VisibleStepProgressDialog : public RangeOnceProgressDialog {
public:
    void OnPositionChanged(DWORD position, DWORD total) override;

private:
    bool positionSet_ = false;
    DWORD lastTotal_ = 0;
    ULONGLONG nextVisiblePosition_ = 0;
};

} // namespace bench

#pragma once
// A window handle with the few operations the program's windows need.

#include <windows.h>

namespace updater {

class CWindow {
public:
    explicit CWindow(HWND window = nullptr) : window_(window) {}

    HWND Handle() const { return window_; }

    // Moves the window, keeping its size, so that it is centred over `target`, or, when
    // `target` is null, over its parent (a child) or its owner (a top-level window). A
    // top-level window whose owner is hidden or minimised is centred in the work area. The
    // window is kept inside the work area (child: the parent's client area), its left and top
    // edges winning when it is larger. Returns what SetWindowPos returns.
    BOOL CenterOver(HWND target = nullptr) const;

    // Shows the window and puts it above all windows that are not topmost, where it stands and
    // at its size. `activate` false leaves the activation as it is. Returns what SetWindowPos
    // returns.
    BOOL MakeTopmostInPlace(bool activate) const;

protected:
    void SetHandle(HWND window) { window_ = window; }

private:
    HWND window_;
};

} // namespace updater

#include "framework/window.h"

namespace updater {
namespace {

// Positions one axis: centred on the centre span, then pushed inside the area.
LONG Place(LONG centreFirst, LONG centreLast, LONG size, LONG areaFirst, LONG areaLast) {
    LONG position = (centreFirst + centreLast) / 2 - size / 2;
    if (position < areaFirst) {
        position = areaFirst;
    } else if (position + size > areaLast) {
        position = areaLast - size;
    }
    return position;
}

} // namespace

BOOL CWindow::CenterOver(HWND target) const {
    const LONG_PTR style = GetWindowLongPtrW(window_, GWL_STYLE);
    const bool isChild = (style & WS_CHILD) != 0;
    if (target == nullptr) {
        target = isChild ? GetParent(window_) : GetWindow(window_, GW_OWNER);
    }

    RECT windowRect{};
    GetWindowRect(window_, &windowRect);

    RECT area{};
    RECT centre{};
    if (!isChild) {
        if (target != nullptr) {
            const LONG_PTR targetStyle = GetWindowLongPtrW(target, GWL_STYLE);
            if (!(targetStyle & WS_VISIBLE) || (targetStyle & WS_MINIMIZE)) {
                target = nullptr;
            }
        }
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
        if (target != nullptr) {
            GetWindowRect(target, &centre);
        } else {
            centre = area;
        }
    } else {
        const HWND parent = GetParent(window_);
        GetClientRect(parent, &area);
        GetClientRect(target, &centre);
        MapWindowPoints(target, parent, reinterpret_cast<POINT*>(&centre), 2);
    }

    const LONG width = windowRect.right - windowRect.left;
    const LONG height = windowRect.bottom - windowRect.top;
    const LONG x = Place(centre.left, centre.right, width, area.left, area.right);
    const LONG y = Place(centre.top, centre.bottom, height, area.top, area.bottom);
    return SetWindowPos(window_, nullptr, x, y, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CWindow::MakeTopmostInPlace(bool activate) const {
    RECT bounds{};
    GetWindowRect(window_, &bounds);
    return SetWindowPos(window_, HWND_TOPMOST, bounds.left, bounds.top, bounds.right - bounds.left,
                        bounds.bottom - bounds.top,
                        SWP_SHOWWINDOW | (activate ? 0 : SWP_NOACTIVATE));
}

} // namespace updater

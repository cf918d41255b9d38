#include "framework/window_impl.h"

namespace updater {

CWindowImplBaseT::~CWindowImplBaseT() {
    const HWND window = Handle();
    if (window != nullptr && ::IsWindow(window) &&
        GetWindowLongPtrW(window, GWLP_WNDPROC) ==
            reinterpret_cast<LONG_PTR>(ForwardingProcedure)) {
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProcedure_));
    }
}

bool CWindowImplBaseT::SubclassControl(HWND window) {
    if (window == nullptr || Handle() != nullptr || BoundObject(window) != nullptr) {
        return false;
    }
    if (!Bind(window)) {
        return false;
    }
    // The binding is in place before the first message can arrive through the new procedure.
    const auto previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ForwardingProcedure)));
    if (previous == nullptr) {
        Unbind(window);
        return false;
    }
    SetHandle(window);
    previousProcedure_ = previous;
    return true;
}

LRESULT CALLBACK CWindowImplBaseT::ForwardingProcedure(HWND window, UINT message, WPARAM wParam,
                                                       LPARAM lParam) {
    auto* object = static_cast<CWindowImplBaseT*>(BoundObject(window));
    if (object == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return WindowMessageProcedure(object, message, wParam, lParam);
}

LRESULT CWindowImplBaseT::WindowMessageProcedure(CWindowImplBaseT* object, UINT message,
                                                 WPARAM wParam, LPARAM lParam) {
    const HWND window = object->Handle();
    LRESULT result = 0;
    const bool handled = object->EnterMessage(message, wParam, lParam, result);

    if (!handled) {
        if (message != WM_NCDESTROY) {
            result = CallWindowProcW(object->previousProcedure_, window, message, wParam, lParam);
        } else {
            const LONG_PTR ownProcedure = GetWindowLongPtrW(window, GWLP_WNDPROC);
            result = CallWindowProcW(object->previousProcedure_, window, message, wParam, lParam);
            // Put the control's own procedure back unless someone subclassed it after us.
            if (object->previousProcedure_ != DefWindowProcW &&
                GetWindowLongPtrW(window, GWLP_WNDPROC) == ownProcedure) {
                SetWindowLongPtrW(window, GWLP_WNDPROC,
                                  reinterpret_cast<LONG_PTR>(object->previousProcedure_));
            }
            object->state_ |= kDestroyedState;
        }
    }

    object->LeaveMessage(); // may delete the object
    return result;
}

} // namespace updater

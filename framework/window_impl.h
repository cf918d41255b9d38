#pragma once
// Existing windows (controls) taken over by objects.
//
// A concrete class derives from CWindowImpl<itself> and lists its handlers in a `messageMap`
// (see message_map.h). After SubclassControl every message of the window goes through the
// map first; what it does not handle goes on to the window's previous procedure. On
// WM_NCDESTROY the previous procedure is put back.

#include "framework/window_impl_root.h"

#include <windows.h>

namespace updater {

class CWindowImplBaseT : public CWindowImplRoot {
public:
    // Lets the object's destructor hand a still-living window back to its own procedure.
    ~CWindowImplBaseT() override;

    // Routes the window's messages through this object. False when the window is already
    // bound to a framework object or its procedure cannot be replaced; the window then keeps
    // its own procedure and this object stays unbound.
    bool SubclassControl(HWND window);

protected:
    // Runs one message through the map, and through the previous procedure when the map
    // leaves it.
    static LRESULT WindowMessageProcedure(CWindowImplBaseT* object, UINT message, WPARAM wParam,
                                          LPARAM lParam);

    WNDPROC previousProcedure_ = DefWindowProcW;

private:
    static LRESULT CALLBACK ForwardingProcedure(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam);
};

template <class T> class CWindowImpl : public CWindowImplBaseT {
public:
    bool ProcessMessage(HWND /*window*/, UINT message, WPARAM wParam, LPARAM lParam,
                        LRESULT& result, DWORD mapId) override {
        return mapId == 0 &&
               T::messageMap.Route(static_cast<T&>(*this), message, wParam, lParam, result);
    }
};

} // namespace updater

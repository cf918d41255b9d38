#pragma once
// Dialogs built from templates and bound to objects.
//
// A concrete dialog derives from CDialogImpl<itself>, names its template with a
// `static constexpr UINT DialogTemplateId` and lists its handlers in a `messageMap`
// (see message_map.h). What its map does not handle gets the default dialog processing.

#include "framework/app_module.h"
#include "framework/window_impl_root.h"

#include <windows.h>

namespace updater {

class CDialogImplBaseT : public CWindowImplRoot {
protected:
    // The dialog procedure given to the platform when the window is created. It takes the
    // calling thread's pending creation record, binds the window to that object, installs
    // the forwarding procedure and forwards this first message.
    static INT_PTR CALLBACK FirstMessageProcedure(HWND window, UINT message, WPARAM wParam,
                                                  LPARAM lParam);
    // Runs one message of a bound dialog through its map and converts the outcome into a
    // dialog procedure's return value.
    static INT_PTR DialogMessageProcedure(CDialogImplBaseT* object, UINT message, WPARAM wParam,
                                          LPARAM lParam);

    HWND CreateFromTemplate(UINT templateId, HWND parent, LPARAM initParam);
    INT_PTR RunFromTemplate(UINT templateId, HWND parent, LPARAM initParam);

private:
    // CreateDialogParamW or DialogBoxParamW.
    template <typename Result>
    using DialogFunction = Result(WINAPI*)(HINSTANCE, LPCWSTR, HWND, DLGPROC, LPARAM);

    // Calls `dialogFunction` for the template with this object's creation record pending, so
    // that the dialog's first message binds the window to this object.
    template <typename Result>
    Result FromTemplate(DialogFunction<Result> dialogFunction, UINT templateId, HWND parent,
                        LPARAM initParam);

    static INT_PTR CALLBACK ForwardingProcedure(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam);
    static bool ReturnsResultDirectly(UINT message);
};

template <class T> class CDialogImpl : public CDialogImplBaseT {
public:
    // The dialog's window, created hidden unless the template says WS_VISIBLE; null on
    // failure. `initParam` arrives as the lParam of WM_INITDIALOG.
    HWND CreateModeless(HWND parent = nullptr, LPARAM initParam = 0) {
        return CreateFromTemplate(T::DialogTemplateId, parent, initParam);
    }

    // Runs the dialog modally; the value given to EndDialog, or -1 on failure.
    INT_PTR RunModal(HWND parent = nullptr, LPARAM initParam = 0) {
        return RunFromTemplate(T::DialogTemplateId, parent, initParam);
    }

    bool ProcessMessage(HWND /*window*/, UINT message, WPARAM wParam, LPARAM lParam,
                        LRESULT& result, DWORD mapId) override {
        return mapId == 0 &&
               T::messageMap.Route(static_cast<T&>(*this), message, wParam, lParam, result);
    }
};

} // namespace updater

#include "framework/dialog_impl.h"

namespace updater {

template <typename Result>
Result CDialogImplBaseT::FromTemplate(DialogFunction<Result> dialogFunction, UINT templateId,
                                      HWND parent, LPARAM initParam) {
    const CreationRecord* const record = &creationRecord_;
    PushCreationRecord();
    const Result result =
        dialogFunction(g_module.GetResourceInstance(), MAKEINTRESOURCEW(templateId), parent,
                       FirstMessageProcedure, initParam);
    WithdrawCreationRecord(record); // `this` may be gone if the dialog deleted itself
    return result;
}

HWND CDialogImplBaseT::CreateFromTemplate(UINT templateId, HWND parent, LPARAM initParam) {
    return FromTemplate<HWND>(CreateDialogParamW, templateId, parent, initParam);
}

INT_PTR CDialogImplBaseT::RunFromTemplate(UINT templateId, HWND parent, LPARAM initParam) {
    return FromTemplate<INT_PTR>(DialogBoxParamW, templateId, parent, initParam);
}

INT_PTR CALLBACK CDialogImplBaseT::FirstMessageProcedure(HWND window, UINT message, WPARAM wParam,
                                                         LPARAM lParam) {
    auto* object = static_cast<CDialogImplBaseT*>(PopCreationRecord());
    if (object == nullptr) {
        return FALSE;
    }
    if (!object->Bind(window)) {
        return FALSE;
    }
    object->SetHandle(window);
    SetWindowLongPtrW(window, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(ForwardingProcedure));
    return ForwardingProcedure(window, message, wParam, lParam);
}

INT_PTR CALLBACK CDialogImplBaseT::ForwardingProcedure(HWND window, UINT message, WPARAM wParam,
                                                       LPARAM lParam) {
    auto* object = static_cast<CDialogImplBaseT*>(BoundObject(window));
    if (object == nullptr) {
        return FALSE; // the object has let go of the window: default dialog processing
    }
    return DialogMessageProcedure(object, message, wParam, lParam);
}

bool CDialogImplBaseT::ReturnsResultDirectly(UINT message) {
    switch (message) {
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_COMPAREITEM:
    case WM_INITDIALOG:
        return true;
    default:
        return WM_CTLCOLORMSGBOX <= message && message <= WM_CTLCOLORSTATIC;
    }
}

INT_PTR CDialogImplBaseT::DialogMessageProcedure(CDialogImplBaseT* object, UINT message,
                                                 WPARAM wParam, LPARAM lParam) {
    const HWND window = object->Handle();
    LRESULT result = 0;
    const bool handled = object->EnterMessage(message, wParam, lParam, result);

    INT_PTR returnValue = FALSE;
    if (handled) {
        if (ReturnsResultDirectly(message)) {
            returnValue = result;
        } else {
            SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
            returnValue = TRUE;
        }
    } else if (message == WM_NCDESTROY) {
        object->state_ |= kDestroyedState;
    }

    object->LeaveMessage(); // may delete the object
    return returnValue;
}

} // namespace updater

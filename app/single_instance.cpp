#include "app/single_instance.h"

#include "ui/dialog_captions.h"

namespace updater {

namespace {
constexpr wchar_t kInstanceEventName[] = L"PDF_Update_Check_Event";
}

HWND FindRunningInstanceDialog() {
    HWND dialog = FindWindowW(nullptr, kProgressDialogCaption);
    if (!IsWindow(dialog)) {
        dialog = FindWindowW(nullptr, kOfferDialogCaption);
    }
    return IsWindow(dialog) ? dialog : nullptr;
}

void EnsureSingleInstance() {
    // Only the event's existence matters. The handle is deliberately kept open for the whole
    // life of the process: closing it would let the name vanish while this instance works.
    CreateEventW(nullptr, FALSE, FALSE, kInstanceEventName);
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
        return;
    }
    if (HWND dialog = FindRunningInstanceDialog()) {
        // Only brought to the front: a minimised progress dialog stays minimised.
        SetForegroundWindow(dialog);
        ExitProcess(kExitAnotherInstance);
    }
}

} // namespace updater

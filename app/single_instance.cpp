#include "app/single_instance.h"

#include "ui/dialog_captions.h"

namespace updater {

namespace {

constexpr wchar_t kInstanceEventName[] = L"PDF_Update_Check_Event";

// Only a dialog the user can see (minimised counts) stands for a running instance: the offer
// dialog stays hidden behind a download, and a process that shows nothing must not keep
// later starts from updating.
HWND FindVisibleWindow(const wchar_t* caption) {
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, nullptr, caption)) != nullptr) {
        if (IsWindowVisible(window)) {
            return window;
        }
    }
    return nullptr;
}

} // namespace

HWND FindRunningInstanceDialog() {
    HWND dialog = FindVisibleWindow(kProgressDialogCaption);
    return dialog ? dialog : FindVisibleWindow(kOfferDialogCaption);
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

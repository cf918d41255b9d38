#include "app/single_instance.h"

#include "log/run_log.h"
#include "ui/dialog_captions.h"

namespace updater {

namespace {

constexpr wchar_t kInstanceEventName[] = L"PDF_Update_Check_Event";
constexpr wchar_t kCheckLockName[] = L"PDF_Update_Check_Mutex";
constexpr wchar_t kQuietUpdateEventName[] = L"PDF_Update_Quiet_Event";
// A check ends within about 40 s even against a silent server: past this, the holder is taken
// to be stuck and this instance goes on without the lock.
constexpr DWORD kCheckLockWaitMs = 2 * 60 * 1000;
constexpr DWORD kForeignLockPollMs = 100;

// Copies started together would each check and each offer the update, since no dialog exists
// before a check ends: only the holder of this lock checks, the others wait for its outcome.
UniqueOwnedMutex TakeCheckLock() {
    const ULONGLONG deadline = GetTickCount64() + kCheckLockWaitMs;
    UniqueKernelHandle mutex(CreateMutexW(nullptr, FALSE, kCheckLockName));
    // A lock made by an instance of other rights (an elevated one) can be neither opened nor
    // waited for: it is watched until it goes or that instance shows its dialog.
    while (!mutex && GetLastError() == ERROR_ACCESS_DENIED && GetTickCount64() < deadline &&
           FindRunningInstanceDialog() == nullptr) {
        Sleep(kForeignLockPollMs);
        mutex.reset(CreateMutexW(nullptr, FALSE, kCheckLockName));
    }
    const ULONGLONG now = GetTickCount64();
    if (!mutex || now >= deadline) {
        return UniqueOwnedMutex();
    }
    switch (WaitForSingleObject(mutex.get(), static_cast<DWORD>(deadline - now))) {
    case WAIT_OBJECT_0:
    case WAIT_ABANDONED: // its holder ended without giving it up: free all the same
        return UniqueOwnedMutex(mutex.release());
    default:
        return UniqueOwnedMutex();
    }
}

// Whether a quiet update of another instance is at work (its marker cannot be opened when that
// instance has other rights: that counts as well).
bool QuietUpdateRuns() {
    const UniqueKernelHandle marker(OpenEventW(SYNCHRONIZE, FALSE, kQuietUpdateEventName));
    return marker || GetLastError() == ERROR_ACCESS_DENIED;
}

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

UniqueOwnedMutex EnsureSingleInstance(bool quiet) {
    UniqueOwnedMutex checkLock = TakeCheckLock();
    // Only the event's existence matters. The handle is deliberately kept open for the whole
    // life of the process: closing it would let the name vanish while this instance works.
    // Created under the lock, so that of copies started together only the first to check finds
    // no other instance. An event made by an instance of other rights (an elevated one, say)
    // cannot be opened: "access denied" tells of another instance as "already exists" does.
    const HANDLE event = CreateEventW(nullptr, FALSE, FALSE, kInstanceEventName);
    const DWORD created = GetLastError();
    const bool another =
        event != nullptr ? created == ERROR_ALREADY_EXISTS : created == ERROR_ACCESS_DENIED;
    HWND dialog = another ? FindRunningInstanceDialog() : nullptr;
    // A quiet update shows no dialog: its own marker, alive as long as it runs, tells of it.
    if (dialog != nullptr || (another && QuietUpdateRuns())) {
        if (dialog != nullptr && !quiet) {
            // Only brought to the front: a minimised progress dialog stays minimised.
            SetForegroundWindow(dialog);
        }
        LogLine(L"another updater is at work: exit code 100");
        checkLock.reset(); // the next waiting copy finds the same dialog
        ExitProcess(kExitAnotherInstance);
    }
    if (quiet) {
        // Kept open for the life of the process, like the instance event.
        CreateEventW(nullptr, TRUE, FALSE, kQuietUpdateEventName);
    }
    return checkLock;
}

} // namespace updater

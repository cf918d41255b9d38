#include "framework/dialog_impl.h"

#include "test_dialog_ids.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace updater {
namespace {

constexpr WORD kDestroyCommand = 300;
constexpr WORD kUnmappedCommand = 301;
constexpr LRESULT kOkResult = 5;
constexpr LRESULT kBrushResult = 0x1234;

class PlainDlg : public CDialogImpl<PlainDlg> {
public:
    static constexpr UINT DialogTemplateId = IDD_PLAIN;
    static const MessageMap<PlainDlg> messageMap;

    bool modal = false;
    std::string log;
    LPARAM initParam = 0;
    HWND handleAtInit = nullptr;
    int lastMessageCalls = 0;
    HWND handleInLastMessage = reinterpret_cast<HWND>(1);
    HWND oldWindowInLastMessage = nullptr;
    int lastMessageCallsInsideDestroy = -1;
    HWND handleInsideDestroy = nullptr;

    void OnLastMessage(HWND oldWindow) override {
        ++lastMessageCalls;
        handleInLastMessage = Handle();
        oldWindowInLastMessage = oldWindow;
    }

private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM lParam, bool&) {
        initParam = lParam;
        handleAtInit = Handle();
        if (modal) {
            PostMessageW(Handle(), WM_COMMAND, IDOK, 0);
        }
        return TRUE;
    }
    LRESULT OnAnyCommand(UINT, WPARAM, LPARAM, bool& handled) {
        log += "any ";
        handled = false;
        return 0;
    }
    LRESULT OnOk(WORD, WORD, HWND, bool&) {
        log += "ok ";
        if (modal) {
            EndDialog(Handle(), 42);
        }
        return kOkResult;
    }
    LRESULT OnDestroyCommand(WORD, WORD, HWND, bool&) {
        DestroyWindow(Handle());
        lastMessageCallsInsideDestroy = lastMessageCalls;
        handleInsideDestroy = Handle();
        return 0;
    }
    LRESULT OnCtlColorButton(UINT, WPARAM, LPARAM, bool&) { return kBrushResult; }
};

const MessageMap<PlainDlg> PlainDlg::messageMap = {
    HandleMessage(WM_INITDIALOG, &PlainDlg::OnInitDialog),
    HandleMessage(WM_COMMAND, &PlainDlg::OnAnyCommand),
    HandleCommand(IDOK, &PlainDlg::OnOk),
    HandleCommand(kDestroyCommand, &PlainDlg::OnDestroyCommand),
    HandleMessage(WM_CTLCOLORBTN, &PlainDlg::OnCtlColorButton),
};

TEST(Dialog, ModelessDialogGetsItsMessagesThroughItsMap) {
    PlainDlg dialog;
    const HWND window = dialog.CreateModeless(nullptr, 77);
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(window, dialog.Handle());
    EXPECT_EQ(window, dialog.handleAtInit) << "bound before WM_INITDIALOG";
    EXPECT_EQ(77, dialog.initParam);

    EXPECT_EQ(kOkResult, SendMessageW(window, WM_COMMAND, IDOK, 0))
        << "a handled message's result goes through DWLP_MSGRESULT";
    EXPECT_EQ("any ok ", dialog.log) << "a cleared flag passes the message on";
    EXPECT_EQ(kBrushResult, SendMessageW(window, WM_CTLCOLORBTN, 0, 0))
        << "colour messages return the result itself";
    dialog.log.clear();
    EXPECT_EQ(0, SendMessageW(window, WM_COMMAND, kUnmappedCommand, 0));
    EXPECT_EQ("any ", dialog.log);

    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_EQ(1, dialog.lastMessageCalls);
    EXPECT_EQ(nullptr, dialog.Handle());
    EXPECT_EQ(window, dialog.oldWindowInLastMessage);
}

TEST(Dialog, ModalDialogReturnsWhatItsHandlerPassedToEndDialog) {
    PlainDlg dialog;
    dialog.modal = true;
    EXPECT_EQ(42, dialog.RunModal(nullptr, 9));
    EXPECT_EQ(9, dialog.initParam);
    EXPECT_EQ("any ok ", dialog.log);
    EXPECT_EQ(1, dialog.lastMessageCalls);
    EXPECT_EQ(nullptr, dialog.Handle());
}

class MissingDlg : public CDialogImpl<MissingDlg> {
public:
    static constexpr UINT DialogTemplateId = 9999; // no such template
    static const MessageMap<MissingDlg> messageMap;
};

const MessageMap<MissingDlg> MissingDlg::messageMap = {};

TEST(Dialog, MissingTemplateFailsAndLeavesNoPendingCreation) {
    {
        MissingDlg missing;
        EXPECT_EQ(nullptr, missing.CreateModeless());
        EXPECT_EQ(-1, missing.RunModal());
    }
    // A record left behind would bind this dialog's window to the destroyed object.
    PlainDlg dialog;
    const HWND window = dialog.CreateModeless();
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(window, dialog.handleAtInit);
    DestroyWindow(window);
}

TEST(Dialog, DestroyedInsideItsHandlerGetsLastCallWhenOutermostMessageReturns) {
    PlainDlg dialog;
    const HWND window = dialog.CreateModeless();
    ASSERT_NE(nullptr, window);
    SendMessageW(window, WM_COMMAND, kDestroyCommand, 0);

    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(0, dialog.lastMessageCallsInsideDestroy) << "called while a message was running";
    EXPECT_EQ(window, dialog.handleInsideDestroy);
    EXPECT_EQ(1, dialog.lastMessageCalls);
    EXPECT_EQ(nullptr, dialog.handleInLastMessage);
    EXPECT_EQ(window, dialog.oldWindowInLastMessage);
}

class KeepsNcDestroyDlg : public CDialogImpl<KeepsNcDestroyDlg> {
public:
    static constexpr UINT DialogTemplateId = IDD_PLAIN;
    static const MessageMap<KeepsNcDestroyDlg> messageMap;
    int lastMessageCalls = 0;
    bool sawNcDestroy = false;
    void OnLastMessage(HWND) override { ++lastMessageCalls; }

private:
    LRESULT OnNcDestroy(UINT, WPARAM, LPARAM, bool&) {
        sawNcDestroy = true;
        return 0;
    }
};

const MessageMap<KeepsNcDestroyDlg> KeepsNcDestroyDlg::messageMap = {
    HandleMessage(WM_NCDESTROY, &KeepsNcDestroyDlg::OnNcDestroy),
};

TEST(Dialog, MapThatHandlesNcDestroyIsNeverMarkedDestroyed) {
    KeepsNcDestroyDlg dialog;
    const HWND window = dialog.CreateModeless();
    ASSERT_NE(nullptr, window);
    DestroyWindow(window);
    EXPECT_TRUE(dialog.sawNcDestroy);
    EXPECT_EQ(0, dialog.lastMessageCalls);
    EXPECT_EQ(window, dialog.Handle());
}

// Two threads create dialogs at the same time: each dialog's window is created while the
// other thread's creation is also pending, and each must bind to its own object.
class BarrierDlg : public CDialogImpl<BarrierDlg> {
public:
    static constexpr UINT DialogTemplateId = IDD_CREATION_BARRIER;
    static const MessageMap<BarrierDlg> messageMap;
    HWND handleAtInit = nullptr;
    DWORD threadAtInit = 0;

private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, bool&) {
        handleAtInit = Handle();
        threadAtInit = GetCurrentThreadId();
        return TRUE;
    }
};

const MessageMap<BarrierDlg> BarrierDlg::messageMap = {
    HandleMessage(WM_INITDIALOG, &BarrierDlg::OnInitDialog),
};

struct CreationBarrier {
    std::mutex lock;
    std::condition_variable arrived;
    int count = 0;
} barrier;

thread_local BarrierDlg* dialogBeingCreated = nullptr;
thread_local bool pendingAtBarrier = false;
thread_local bool bothArrived = false;

// The barrier control's creation runs inside CreateDialogParamW, before the dialog's first
// message: it waits there until the other thread has reached the same point.
LRESULT CALLBACK BarrierControlProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        pendingAtBarrier = dialogBeingCreated->Handle() == nullptr;
        std::unique_lock<std::mutex> guard(barrier.lock);
        ++barrier.count;
        barrier.arrived.notify_all();
        bothArrived = barrier.arrived.wait_for(guard, std::chrono::seconds(20),
                                               [] { return barrier.count >= 2; });
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

struct CreationOutcome {
    HWND window = nullptr;
    HWND handleAtInit = nullptr;
    DWORD thread = 0;
    DWORD threadAtInit = 0;
    bool pendingAtBarrier = false;
    bool bothArrived = false;
};

CreationOutcome CreateOnThisThread() {
    BarrierDlg dialog;
    dialogBeingCreated = &dialog;
    CreationOutcome outcome;
    outcome.thread = GetCurrentThreadId();
    outcome.window = dialog.CreateModeless();
    outcome.handleAtInit = dialog.handleAtInit;
    outcome.threadAtInit = dialog.threadAtInit;
    outcome.pendingAtBarrier = pendingAtBarrier;
    outcome.bothArrived = bothArrived;
    if (outcome.window != nullptr) {
        DestroyWindow(outcome.window);
    }
    return outcome;
}

TEST(Dialog, DialogsCreatedOnTwoThreadsAtOnceBindToTheirOwnObjects) {
    WNDCLASSW control{};
    control.lpfnWndProc = BarrierControlProcedure;
    control.hInstance = GetModuleHandleW(nullptr);
    control.lpszClassName = BARRIER_CONTROL_CLASS;
    ASSERT_NE(0, RegisterClassW(&control));

    CreationOutcome outcomes[2];
    std::thread first([&] { outcomes[0] = CreateOnThisThread(); });
    std::thread second([&] { outcomes[1] = CreateOnThisThread(); });
    first.join();
    second.join();
    UnregisterClassW(BARRIER_CONTROL_CLASS, GetModuleHandleW(nullptr));

    for (const CreationOutcome& outcome : outcomes) {
        ASSERT_NE(nullptr, outcome.window);
        EXPECT_TRUE(outcome.bothArrived) << "the two creations did not overlap";
        EXPECT_TRUE(outcome.pendingAtBarrier) << "bound before the other creation began";
        EXPECT_EQ(outcome.window, outcome.handleAtInit) << "bound to another thread's object";
        EXPECT_EQ(outcome.thread, outcome.threadAtInit);
    }
}

} // namespace
} // namespace updater

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

// Two threads create dialogs at the same time. The first thread's creation is held until the
// second thread's is pending too, so the newest record in the list belongs to the second
// thread when the first thread's dialog takes its record.
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

// Steps of the two creations, in the order they must happen.
enum Step { kNothing, kFirstPending, kSecondPending, kFirstCreated };

struct CreationSteps {
    std::mutex lock;
    std::condition_variable changed;
    Step reached = kNothing;

    void Reach(Step step) {
        std::lock_guard<std::mutex> guard(lock);
        reached = step;
        changed.notify_all();
    }
    // False when the step is not reached within a generous bound.
    bool AwaitStep(Step step) {
        std::unique_lock<std::mutex> guard(lock);
        return changed.wait_for(guard, std::chrono::seconds(20), [&] { return reached >= step; });
    }
} steps;

thread_local BarrierDlg* dialogBeingCreated = nullptr;
thread_local bool isFirstThread = false;
thread_local bool pendingAtBarrier = false;
thread_local bool orderKept = false;

// The barrier control's creation runs inside CreateDialogParamW, before the dialog's first
// message, while the dialog's creation record is still pending.
LRESULT CALLBACK BarrierControlProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        pendingAtBarrier = dialogBeingCreated->Handle() == nullptr;
        if (isFirstThread) {
            steps.Reach(kFirstPending);
            orderKept = steps.AwaitStep(kSecondPending);
        } else {
            steps.Reach(kSecondPending);
            orderKept = steps.AwaitStep(kFirstCreated);
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

struct CreationOutcome {
    HWND window = nullptr;
    HWND handleAtInit = nullptr;
    DWORD thread = 0;
    DWORD threadAtInit = 0;
    bool pendingAtBarrier = false;
    bool orderKept = false;
};

CreationOutcome CreateOnThisThread(bool first) {
    BarrierDlg dialog;
    dialogBeingCreated = &dialog;
    isFirstThread = first;
    CreationOutcome outcome;
    outcome.thread = GetCurrentThreadId();
    outcome.window = dialog.CreateModeless();
    if (first) {
        steps.Reach(kFirstCreated);
    }
    outcome.handleAtInit = dialog.handleAtInit;
    outcome.threadAtInit = dialog.threadAtInit;
    outcome.pendingAtBarrier = pendingAtBarrier;
    outcome.orderKept = orderKept;
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

    steps.Reach(kNothing);
    CreationOutcome outcomes[2];
    std::thread first([&] { outcomes[0] = CreateOnThisThread(true); });
    const bool firstPending = steps.AwaitStep(kFirstPending);
    std::thread second([&] { outcomes[1] = CreateOnThisThread(false); });
    first.join();
    second.join();
    UnregisterClassW(BARRIER_CONTROL_CLASS, GetModuleHandleW(nullptr));

    ASSERT_TRUE(firstPending);
    for (const CreationOutcome& outcome : outcomes) {
        ASSERT_NE(nullptr, outcome.window);
        EXPECT_TRUE(outcome.orderKept) << "the two creations did not overlap";
        EXPECT_TRUE(outcome.pendingAtBarrier) << "bound before the other creation began";
        EXPECT_EQ(outcome.window, outcome.handleAtInit) << "bound to another thread's object";
        EXPECT_EQ(outcome.thread, outcome.threadAtInit);
    }
}

} // namespace
} // namespace updater

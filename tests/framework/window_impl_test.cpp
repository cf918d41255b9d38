#include "framework/window_impl.h"

#include "test_windows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace updater {
namespace {

using framework_testing::LoggingControlClass;
using Log = std::vector<std::wstring>;

// Keeps WM_APP, passes WM_APP + 1 on, and notes the window procedure at its last call.
class LoggingSubclass : public CWindowImpl<LoggingSubclass> {
public:
    static const MessageMap<LoggingSubclass> messageMap;

    explicit LoggingSubclass(Log& log) : log_(log) {}

    int lastMessageCalls = 0;
    HWND handleInLastMessage = reinterpret_cast<HWND>(1);
    LONG_PTR procedureInLastMessage = 0;

    void OnLastMessage(HWND oldWindow) override {
        ++lastMessageCalls;
        handleInLastMessage = Handle();
        procedureInLastMessage = GetWindowLongPtrW(oldWindow, GWLP_WNDPROC);
    }

private:
    LRESULT OnApp(UINT, WPARAM, LPARAM, bool&) {
        log_.push_back(L"map:app");
        return 7;
    }
    LRESULT OnAppPassedOn(UINT, WPARAM, LPARAM, bool& handled) {
        log_.push_back(L"map:app+1");
        handled = false;
        return 0;
    }

    Log& log_;
};

const MessageMap<LoggingSubclass> LoggingSubclass::messageMap = {
    HandleMessage(WM_APP, &LoggingSubclass::OnApp),
    HandleMessage(WM_APP + 1, &LoggingSubclass::OnAppPassedOn),
};

class SubclassTest : public testing::Test {
protected:
    void SetUp() override {
        control_ = CreateWindowExW(0, LoggingControlClass(), L"", WS_POPUP, 0, 0, 50, 50, nullptr,
                                   nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(nullptr, control_);
        SetWindowLongPtrW(control_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&log_));
        ownProcedure_ = GetWindowLongPtrW(control_, GWLP_WNDPROC);
    }
    void TearDown() override {
        if (IsWindow(control_)) {
            DestroyWindow(control_);
        }
    }

    HWND control_ = nullptr;
    LONG_PTR ownProcedure_ = 0;
    Log log_;
};

TEST_F(SubclassTest, MapSeesMessagesFirstAndPassesTheRestToTheControl) {
    LoggingSubclass subclass(log_);
    ASSERT_TRUE(subclass.SubclassControl(control_));
    EXPECT_EQ(control_, subclass.Handle());

    EXPECT_EQ(7, SendMessageW(control_, WM_APP, 0, 0));
    EXPECT_EQ(Log{L"map:app"}, log_) << "a kept message reached the control";
    log_.clear();
    EXPECT_EQ(11, SendMessageW(control_, WM_APP + 1, 0, 0)) << "the control's own result";
    EXPECT_EQ((Log{L"map:app+1", L"control:app+1"}), log_);
}

TEST_F(SubclassTest, ControlGetsItsOwnProcedureBackOnNcDestroy) {
    LoggingSubclass subclass(log_);
    ASSERT_TRUE(subclass.SubclassControl(control_));
    DestroyWindow(control_);

    EXPECT_EQ((Log{L"control:destroy", L"control:ncdestroy"}), log_);
    EXPECT_EQ(1, subclass.lastMessageCalls);
    EXPECT_EQ(nullptr, subclass.handleInLastMessage);
    EXPECT_EQ(ownProcedure_, subclass.procedureInLastMessage);
    EXPECT_EQ(nullptr, subclass.Handle());
}

TEST_F(SubclassTest, WindowCanBeBoundToOneObjectOnly) {
    LoggingSubclass first(log_);
    LoggingSubclass second(log_);
    ASSERT_TRUE(first.SubclassControl(control_));
    EXPECT_FALSE(second.SubclassControl(control_));
    EXPECT_EQ(nullptr, second.Handle());
    EXPECT_EQ(7, SendMessageW(control_, WM_APP, 0, 0));
    EXPECT_EQ(Log{L"map:app"}, log_) << "the second object must not see anything";
}

TEST_F(SubclassTest, ObjectGoneBeforeItsWindowHandsTheWindowBack) {
    {
        LoggingSubclass subclass(log_);
        ASSERT_TRUE(subclass.SubclassControl(control_));
    }
    EXPECT_EQ(ownProcedure_, GetWindowLongPtrW(control_, GWLP_WNDPROC));
    EXPECT_EQ(0, SendMessageW(control_, WM_APP, 0, 0));
    EXPECT_EQ(Log{L"control:app"}, log_);
}

} // namespace
} // namespace updater

#include "framework/message_loop.h"

#include "test_windows.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace updater {
namespace {

using framework_testing::KeyParam;
using framework_testing::QuitGuard;
using framework_testing::RecordingWindow;

constexpr UINT kScanQ = 0x10;
constexpr UINT kScanA = 0x1E;
constexpr DWORD kWaitBound = 20000;

// Logs the key presses and WM_APP messages it is offered; consumes one key.
class LoggingFilter : public CMessageFilter {
public:
    LoggingFilter(std::vector<std::string>& log, std::string name, WPARAM consumedKey)
        : log_(log), name_(std::move(name)), consumedKey_(consumedKey) {}

    bool FilterMessage(MSG* message) override {
        if (message->message == WM_KEYDOWN) {
            log_.push_back(name_ + ":key " + static_cast<char>(message->wParam));
            return message->wParam == consumedKey_;
        }
        if (message->message == WM_APP) {
            log_.push_back(name_ + ":app");
        }
        return false;
    }

private:
    std::vector<std::string>& log_;
    std::string name_;
    WPARAM consumedKey_;
};

TEST(MessageLoop, LastAttachedFilterSeesFirstAndConsumedMessagesGoNoFurther) {
    RecordingWindow window;
    window.onMessage = [](UINT message, WPARAM) {
        if (message == WM_APP) {
            PostQuitMessage(1003); // WM_QUIT comes once the queue is empty
        }
    };
    std::vector<std::string> log;
    LoggingFilter first(log, "A", 0);
    LoggingFilter second(log, "B", 'Q');
    CMessageLoop loop;
    ASSERT_TRUE(loop.AttachFilter(&first));
    ASSERT_TRUE(loop.AttachFilter(&second));

    const QuitGuard guard;
    PostMessageW(window.Handle(), WM_KEYDOWN, 'Q', KeyParam(kScanQ));
    PostMessageW(window.Handle(), WM_KEYDOWN, 'A', KeyParam(kScanA));
    PostMessageW(window.Handle(), WM_APP, 0, 0);
    ASSERT_EQ(1003, loop.PumpMessages());

    const std::vector<std::string> expected = {"B:key Q", "B:key A", "A:key A", "B:app", "A:app"};
    EXPECT_EQ(expected, log);
    EXPECT_FALSE(window.Got(WM_KEYDOWN, 'Q')) << "a consumed message was dispatched";
    EXPECT_FALSE(window.Got(WM_CHAR, 'q')) << "a consumed message was translated";
    EXPECT_TRUE(window.Got(WM_KEYDOWN, 'A'));
    EXPECT_TRUE(window.Got(WM_CHAR, 'a')) << "a passed message was not translated";
}

TEST(MessageLoop, DetachRemovesOnlyWhatWasAttached) {
    std::vector<std::string> log;
    LoggingFilter attached(log, "A", 0);
    LoggingFilter stranger(log, "B", 0);
    CMessageLoop loop;
    ASSERT_TRUE(loop.AttachFilter(&attached));
    EXPECT_FALSE(loop.DetachFilter(&stranger));

    MSG message{nullptr, WM_APP, 0, 0, 0, {0, 0}};
    loop.FilterMessage(&message);
    EXPECT_EQ(std::vector<std::string>{"A:app"}, log) << "the attached filter was lost";

    EXPECT_TRUE(loop.DetachFilter(&attached));
    EXPECT_FALSE(loop.DetachFilter(&attached));
}

class CountingIdleHandler : public CIdleHandler {
public:
    bool HandleIdle() override {
        ++calls;
        if (calls == 1) {
            SetEvent(firstIdle);
        } else if (calls == 2) {
            PostQuitMessage(1003);
        }
        return true; // ignored by the loop
    }

    int calls = 0;
    HANDLE firstIdle = CreateEventW(nullptr, TRUE, FALSE, nullptr);
};

// Messages from another thread arrive into an empty queue. The pauses give a loop that
// wrongly runs its idle handlers again the chance to do so before the next message arrives.
TEST(MessageLoop, IdleHandlersRunOnceAfterEachMessageButNotAfterAMouseMove) {
    RecordingWindow window;
    CountingIdleHandler idle;
    HANDLE mouseMoveHandled = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    int callsAtMouseMove = -1;
    int callsAtNextMessage = -1;
    window.onMessage = [&](UINT message, WPARAM) {
        if (message == WM_MOUSEMOVE) {
            callsAtMouseMove = idle.calls;
            SetEvent(mouseMoveHandled);
        } else if (message == WM_APP) {
            callsAtNextMessage = idle.calls;
        }
    };
    CMessageLoop loop;
    ASSERT_TRUE(loop.AttachIdleHandler(&idle));

    const HWND target = window.Handle();
    std::thread sender([&] {
        if (WaitForSingleObject(idle.firstIdle, kWaitBound) == WAIT_OBJECT_0) {
            Sleep(100);
            PostMessageW(target, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
        }
        if (WaitForSingleObject(mouseMoveHandled, kWaitBound) == WAIT_OBJECT_0) {
            Sleep(100);
        }
        PostMessageW(target, WM_APP, 0, 0);
    });

    const QuitGuard guard;
    PostMessageW(target, WM_KEYDOWN, VK_F5, KeyParam(0x3F)); // a key without a character
    const int code = loop.PumpMessages();
    sender.join();
    CloseHandle(mouseMoveHandled);
    CloseHandle(idle.firstIdle);

    EXPECT_EQ(1003, code);
    EXPECT_EQ(1, callsAtMouseMove) << "idle handlers after the key message";
    EXPECT_EQ(1, callsAtNextMessage) << "idle handlers ran after a lone mouse move";
    EXPECT_EQ(2, idle.calls);
}

TEST(MessageLoop, IdleHandlersRunInAttachOrderAndDetachedOnesNoMore) {
    struct Named : CIdleHandler {
        Named(std::vector<int>& order, int id) : order(order), id(id) {}
        bool HandleIdle() override {
            order.push_back(id);
            return false;
        }
        std::vector<int>& order;
        int id;
    };
    std::vector<int> order;
    Named one(order, 1), two(order, 2), three(order, 3);
    CMessageLoop loop;
    loop.AttachIdleHandler(&one);
    loop.AttachIdleHandler(&two);
    loop.AttachIdleHandler(&three);
    EXPECT_TRUE(loop.DetachIdleHandler(&two));
    EXPECT_FALSE(loop.DetachIdleHandler(&two));
    EXPECT_FALSE(loop.RunIdleHandlers(0)) << "the loop must wait for the next message";
    EXPECT_EQ((std::vector<int>{1, 3}), order);
}

} // namespace
} // namespace updater

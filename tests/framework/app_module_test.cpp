#include "framework/app_module.h"
#include "framework/message_loop.h"

#include <gtest/gtest.h>

#include <thread>

namespace updater {
namespace {

TEST(AppModule, LoopsAreRegisteredPerThread) {
    CMessageLoop mainLoop;
    CMessageLoop workerLoop;
    EXPECT_EQ(nullptr, g_module.FindMessageLoop()) << "no loop was registered yet";
    ASSERT_TRUE(g_module.RegisterMessageLoop(&mainLoop));
    EXPECT_EQ(&mainLoop, g_module.FindMessageLoop());

    DWORD workerId = 0;
    CMessageLoop* seenByWorkerBefore = &mainLoop;
    bool workerUnregistered = false;
    HANDLE registered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE checked = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread worker([&] {
        workerId = GetCurrentThreadId();
        seenByWorkerBefore = g_module.FindMessageLoop();
        g_module.RegisterMessageLoop(&workerLoop);
        SetEvent(registered);
        WaitForSingleObject(checked, 20000);
        workerUnregistered = g_module.UnregisterMessageLoop();
    });
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(registered, 20000));
    EXPECT_EQ(&workerLoop, g_module.FindMessageLoop(workerId));
    EXPECT_EQ(&mainLoop, g_module.FindMessageLoop());
    SetEvent(checked);
    worker.join();
    CloseHandle(registered);
    CloseHandle(checked);

    EXPECT_EQ(nullptr, seenByWorkerBefore) << "a thread saw another thread's loop";
    EXPECT_TRUE(workerUnregistered);
    EXPECT_EQ(nullptr, g_module.FindMessageLoop(workerId));
    EXPECT_TRUE(g_module.UnregisterMessageLoop());
    EXPECT_EQ(nullptr, g_module.FindMessageLoop());
    EXPECT_FALSE(g_module.UnregisterMessageLoop()) << "nothing left to unregister";
}

TEST(AppModule, FirstRegistrationOfAThreadWins) {
    CMessageLoop first;
    CMessageLoop second;
    ASSERT_TRUE(g_module.RegisterMessageLoop(&first));
    ASSERT_TRUE(g_module.RegisterMessageLoop(&second));
    EXPECT_EQ(&first, g_module.FindMessageLoop());
    EXPECT_TRUE(g_module.UnregisterMessageLoop());
    EXPECT_EQ(&second, g_module.FindMessageLoop());
    EXPECT_TRUE(g_module.UnregisterMessageLoop());
    EXPECT_EQ(nullptr, g_module.FindMessageLoop());
}

} // namespace
} // namespace updater

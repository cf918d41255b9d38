#include "ui/install_outcome.h"

#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>

namespace updater {
namespace {

constexpr DWORD kMinusOne = 0xFFFFFFFF;
constexpr DWORD kMinusTwo = 0xFFFFFFFE;
constexpr INT_PTR kNoLaunch = 0; // the row never reaches the launch
const wchar_t* const kUnexpected = L"升级时发生意外错误！";
const wchar_t* const kFailed = L"升级失败,请稍候尝试！";

struct OutcomeCase {
    const char* situation;
    DWORD waitResult;
    DWORD threadExitCode;
    bool succeeded;
    bool fileExists;
    INT_PTR launchResult;
    bool expectLaunch;
    const wchar_t* expectMessage; // nullptr: no message box
    DWORD expectExitCode;
};

// What the install thread does with these inputs, with ShellExecuteW answering `launchResult`.
struct Outcome {
    bool launched = false;
    InstallDecision decision;
};

Outcome Decide(const OutcomeCase& c) {
    Outcome outcome;
    outcome.decision = DecideInstall(c.waitResult, c.threadExitCode, c.succeeded, c.fileExists);
    if (outcome.decision.launchSetup) {
        outcome.launched = true;
        outcome.decision =
            DecideAfterLaunch(reinterpret_cast<HINSTANCE>(c.launchResult), c.threadExitCode);
    }
    return outcome;
}

TEST(InstallOutcome, EveryCombinationEndsWithItsMessageAndExitCode) {
    const OutcomeCase cases[] = {
        // The wait failed: nothing else counts.
        {"wait failed", WAIT_FAILED, kMinusOne, false, false, kNoLaunch, false, kUnexpected,
         kMinusOne},
        {"wait failed, file", WAIT_FAILED, kMinusOne, false, true, kNoLaunch, false, kUnexpected,
         kMinusOne},
        {"wait failed, flag", WAIT_FAILED, kMinusOne, true, false, kNoLaunch, false, kUnexpected,
         kMinusOne},
        {"wait failed, flag, file", WAIT_FAILED, kMinusOne, true, true, kNoLaunch, false,
         kUnexpected, kMinusOne},
        {"wait abandoned", WAIT_ABANDONED, kMinusOne, true, true, kNoLaunch, false, kUnexpected,
         kMinusOne},
        {"wait timed out", WAIT_TIMEOUT, kMinusOne, true, true, kNoLaunch, false, kUnexpected,
         kMinusOne},
        // The download failed or was cancelled.
        {"failed", WAIT_OBJECT_0, kMinusOne, false, false, kNoLaunch, false, kFailed, kMinusOne},
        {"failed, stale file", WAIT_OBJECT_0, kMinusOne, false, true, kNoLaunch, false, kFailed,
         kMinusOne},
        // Success without data leaves no file.
        {"no file", WAIT_OBJECT_0, 0, true, false, kNoLaunch, false, kFailed, kMinusTwo},
        // Success with a file: the launch decides.
        {"launched", WAIT_OBJECT_0, 0, true, true, 42, true, nullptr, 0},
        {"launch result 33", WAIT_OBJECT_0, 0, true, true, 33, true, nullptr, 0},
        {"launch result 32", WAIT_OBJECT_0, 0, true, true, 32, true, kFailed, kMinusOne},
        {"file not found", WAIT_OBJECT_0, 0, true, true, SE_ERR_FNF, true, kFailed, kMinusOne},
        {"no association", WAIT_OBJECT_0, 0, true, true, SE_ERR_NOASSOC, true, kFailed, kMinusOne},
        {"launch result 0", WAIT_OBJECT_0, 0, true, true, 0, true, kFailed, kMinusOne},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.situation);
        const Outcome outcome = Decide(c);
        EXPECT_EQ(c.expectLaunch, outcome.launched);
        EXPECT_FALSE(outcome.decision.launchSetup);
        EXPECT_EQ(c.expectMessage != nullptr, outcome.decision.showFailure);
        if (c.expectMessage != nullptr && outcome.decision.showFailure) {
            EXPECT_EQ(std::wstring(c.expectMessage), outcome.decision.message);
            EXPECT_EQ(std::wstring(L"错误"), outcome.decision.caption);
            EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), outcome.decision.boxFlags);
        }
        EXPECT_EQ(c.expectExitCode, outcome.decision.exitCode)
            << std::hex << outcome.decision.exitCode;
    }
}

TEST(InstallOutcome, PassesTheDownloadThreadsExitCodeThrough) {
    EXPECT_EQ(7u, DecideInstall(WAIT_FAILED, 7, true, true).exitCode);
    EXPECT_EQ(5u, DecideInstall(WAIT_OBJECT_0, 5, false, true).exitCode);
    EXPECT_EQ(3u, DecideInstall(WAIT_OBJECT_0, 3, true, true).exitCode);
    EXPECT_EQ(3u, DecideAfterLaunch(reinterpret_cast<HINSTANCE>(INT_PTR{42}), 3).exitCode);
}

TEST(InstallOutcome, StartsTheSetupWithTheOpenVerbShown) {
    EXPECT_EQ(std::wstring(L"open"), kSetupLaunchVerb);
    EXPECT_EQ(SW_SHOW, kSetupShowCommand);
}

} // namespace
} // namespace updater

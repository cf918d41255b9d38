// One updater at a time: later starts bring the open dialog forward or wait for the first
// one's check.

#include "e2e/updater_driver.h"

#include "common/unique_handle.h"

#include <sddl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace testing_support {
namespace {

TEST(UpdaterEndToEnd, SecondStartBringsTheOpenDialogForwardAndEndsWith100) {
    for (const bool downloading : {false, true}) {
        SCOPED_TRACE(downloading ? "progress dialog" : "offer dialog");
        const std::string key =
            std::to_string(GetCurrentProcessId()) + "-second-" + std::to_string(downloading);
        OfferRun run(SetupPath() + "?hold=16384&key=" + key);
        ASSERT_NE(nullptr, run.offer);
        const HWND shown = downloading ? run.Accept() : run.offer;
        ASSERT_NE(nullptr, shown);
        // Something else is in front first.
        const HWND other = CreateWindowExW(0, L"STATIC", L"elsewhere", WS_POPUP | WS_VISIBLE, 0, 0,
                                           200, 100, nullptr, nullptr, nullptr, nullptr);
        SetForegroundWindow(other);
        auto second = run.app.Start();
        EXPECT_EQ(100u, ExitCodeOf(*second));
        EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == shown; }));
        DestroyWindow(other);
        Fetch("/release/" + key);
        if (!downloading) {
            PressKey(run.offer, VK_ESCAPE);
        }
        EXPECT_EQ(downloading ? 0u : 2u, ExitCodeOf(*run.process));
    }
}

// Copies released at the same instant: one checks while the others wait for its outcome, then
// end with 100 because its offer is open. Only that offer's answer counts: one download at most.
TEST(UpdaterEndToEnd, OfCopiesStartedTogetherOnlyOneOffers) {
    for (const bool accept : {false, true}) {
        const size_t copies = accept ? 2 : 10;
        SCOPED_TRACE(std::to_string(copies) + " copies");
        const std::string setup = SetupPath();
        Installation app;
        // Served slowly (about 1.5 s): the others wait for the whole check, not a moment.
        app.WriteConfig(Config(setup, "1.0.0.1", kComments, [](const std::string& path) {
            return ServerUrl(path + "?rate=200");
        }));
        std::vector<std::unique_ptr<ChildProcess>> processes;
        for (size_t i = 0; i < copies; ++i) {
            processes.push_back(app.Start(L"", true));
        }
        for (const auto& process : processes) { // none has run a step before all exist
            process->Resume();
        }
        // Settled: each copy has ended or shows an offer.
        std::vector<HWND> offers(copies);
        std::vector<DWORD> codes(copies, STILL_ACTIVE);
        ASSERT_TRUE(WaitUntil(
            [&] {
                size_t settled = 0;
                for (size_t i = 0; i < copies; ++i) {
                    offers[i] = WaitForWindow(processes[i]->id(), kOfferCaption, 0);
                    settled += offers[i] || processes[i]->WaitForExit(0, codes[i]);
                }
                return settled == copies;
            },
            2 * kExitTimeoutMs));
        EXPECT_EQ(copies - 1, size_t(std::count(codes.begin(), codes.end(), 100u)));
        const auto first = std::find_if(offers.begin(), offers.end(), [](HWND w) { return w; });
        ASSERT_EQ(1, std::count_if(first, offers.end(), [](HWND w) { return w; }));
        PressKey(*first, accept ? VK_RETURN : VK_ESCAPE);
        EXPECT_EQ(accept ? 0u : 2u, ExitCodeOf(*processes[first - offers.begin()]));
        EXPECT_EQ(accept, WaitUntil([&] { return FileExists(app.Saved(setup) + L".started"); },
                                    accept ? kWindowTimeoutMs : 0));
        const std::string log = Fetch("/log"), download = "GET " + setup + " ";
        EXPECT_EQ(accept, log.find(download) != std::string::npos);
        EXPECT_EQ(log.find(download), log.rfind(download)) << "downloaded more than once";
    }
}

// An instance of other rights (an elevated one) made the event so that this user cannot open
// it: that still tells of another instance at work, whose offer is open.
TEST(UpdaterEndToEnd, AnInstanceEventThatCannotBeOpenedCountsAsAnotherInstance) {
    PSECURITY_DESCRIPTOR denyAll = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P", SDDL_REVISION_1,
                                                                     &denyAll, nullptr));
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), denyAll, FALSE};
    // Made anew, once the updaters of earlier cases have gone.
    updater::UniqueKernelHandle event;
    DWORD error = 0;
    const bool made = WaitUntil([&] {
        event.reset();
        event.reset(CreateEventW(&attributes, FALSE, FALSE, L"PDF_Update_Check_Event"));
        error = GetLastError();
        return event && error != ERROR_ALREADY_EXISTS;
    });
    LocalFree(denyAll);
    ASSERT_TRUE(made) << error;
    const HWND offer = CreateWindowExW(0, L"STATIC", kOfferCaption, WS_POPUP | WS_VISIBLE, 0, 0,
                                       200, 100, nullptr, nullptr, nullptr, nullptr);
    Installation app;
    app.WriteConfig(Config(SetupPath()));
    auto second = app.Start();
    EXPECT_EQ(100u, ExitCodeOf(*second));
    DestroyWindow(offer);
}

TEST(UpdaterEndToEnd, SecondStartWhileAResultBoxIsShownRunsItsOwnCheck) {
    Installation app;
    app.WriteConfig("version=1.0\r\n");
    auto first = app.Start();
    HWND firstBox = WaitForWindow(first->id(), kError);
    ASSERT_NE(nullptr, firstBox);
    auto second = app.Start();
    AnswerBox(*second, kError, L"本地配置信息有错误！");
    EXPECT_EQ(static_cast<DWORD>(-2), ExitCodeOf(*second));
    PressButton(firstBox, IDOK);
    EXPECT_EQ(static_cast<DWORD>(-2), ExitCodeOf(*first));
}

} // namespace
} // namespace testing_support

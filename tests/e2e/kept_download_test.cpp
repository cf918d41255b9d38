#include "e2e/updater_driver.h"

#include <gtest/gtest.h>

namespace testing_support {
namespace {

// A download broken off with its process (killed once the bar is at half) is continued by the
// next start that offers the same update, from where it stopped. What does not fit starts from
// zero, and nothing is kept that could not be checked whole, was cancelled or belongs to
// another update.
TEST(UpdaterEndToEnd, ADownloadKilledMidwayIsContinuedByTheNextStart) {
    enum class Between { Nothing, FileChanged, PartAltered, StateAged, OtherUpdate };
    struct Case {
        const char* name;
        bool sha256;     // the descriptor publishes the setup program's checksum
        bool cancel;     // the first run is cancelled rather than killed
        Between between; // what happens before the second start
        bool continued;  // the second run asks for the rest of the kept part
        DWORD exitCode;  // of the second run, which accepts (declines another update)
    };
    const DWORD failed = static_cast<DWORD>(-1);
    const Case cases[] = {
        {"killed at about half", true, false, Between::Nothing, true, 0},
        {"changed on the server", true, false, Between::FileChanged, true, 0},
        {"kept part altered on disk", true, false, Between::PartAltered, true, failed},
        {"no sha256", false, false, Between::Nothing, false, 0},
        {"kept for more than 7 days", true, false, Between::StateAged, false, 0},
        {"cancelled", true, true, Between::Nothing, false, 0},
        {"another sha256 published", true, false, Between::OtherUpdate, false, 2},
    };
    const std::string first = SetupProgram() + std::string(250000, 'a');
    const std::string second = SetupProgram() + std::string(250000, 'b');
    updater::Sha256Digest firstDigest{}, secondDigest{};
    ASSERT_TRUE(updater::Sha256OfBytes(first.data(), first.size(), firstDigest));
    ASSERT_TRUE(updater::Sha256OfBytes(second.data(), second.size(), secondDigest));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string setup = Publish("setup_2.0.exe", first);
        const std::wstring url = ServerUrl(setup + "?rate=300000");
        const bool changes = c.between == Between::FileChanged;
        Installation app;
        app.WriteConfig(CheckedConfig(url, !c.sha256 ? L""
                                           : changes ? Sha256Hex(secondDigest)
                                                     : Sha256Hex(firstDigest)));
        auto run = app.Start();
        const HWND progress = AcceptOffer(*run);
        ASSERT_NE(nullptr, progress);
        ASSERT_TRUE(WaitForBar(progress, 0.5));
        if (c.cancel) {
            CloseFromCaption(progress);
            HWND box = WaitForWindow(run->id(), kConfirmCaption);
            ASSERT_NE(nullptr, box);
            PressButton(box, IDOK);
            AnswerBox(*run, kError, kUpgradeFailed);
        } else {
            TerminateProcess(run->handle(), 1);
        }
        ExitCodeOf(*run);
        const std::wstring part = app.Saved(setup);
        const std::string kept = ReadFileBytes(part);
        std::wstring state;
        for (const std::wstring& file : app.FilesInTemp()) {
            state = file.find(L"\\updater-kept-download.txt") == std::wstring::npos ? state : file;
        }
        EXPECT_EQ(c.sha256 && !c.cancel, !state.empty()) << "what is kept for the next start";
        EXPECT_EQ(c.cancel, kept.empty());
        if (c.between == Between::FileChanged) {
            WriteFileBytes(PublishedFile(setup), second);
        } else if (c.between == Between::PartAltered) {
            std::string altered = kept;
            altered[1000] ^= 1;
            WriteFileBytes(part, altered);
        } else if (c.between == Between::StateAged) {
            std::string text = ReadFileBytes(state);
            const size_t began = text.find("began=") + 6;
            ULARGE_INTEGER now{};
            GetSystemTimeAsFileTime(reinterpret_cast<FILETIME*>(&now));
            text.replace(began, text.find('\n', began) - began,
                         std::to_string(now.QuadPart - 8ULL * 24 * 3600 * 10000000));
            WriteFileBytes(state, text);
        } else if (c.between == Between::OtherUpdate) {
            app.WriteConfig(CheckedConfig(url, Sha256Hex(secondDigest)));
        }

        auto again = app.Start();
        const HWND offer = WaitForWindow(again->id(), kOfferCaption);
        ASSERT_NE(nullptr, offer);
        if (c.between == Between::OtherUpdate) {
            EXPECT_TRUE(app.FilesInTemp().empty()) << "the other update's part was kept";
            Escape(offer);
        } else {
            Accept(offer);
        }
        if (c.exitCode == failed) {
            AnswerBox(*again, kError, kUpgradeFailed);
        }
        EXPECT_EQ(c.exitCode, ExitCodeOf(*again));
        const std::string log = Fetch("/log");
        const size_t at = log.rfind("GET " + setup + "?");
        ASSERT_NE(std::string::npos, at);
        const std::string request = log.substr(at, log.find("\r\n\r\n", at) - at);
        const std::string range = "\r\nRange: bytes=" + std::to_string(kept.size()) + "-\r\n";
        EXPECT_EQ(c.continued, !kept.empty() && request.find(range) != std::string::npos)
            << request;
        EXPECT_EQ(c.continued, request.find("Range:") != std::string::npos) << request;
        const std::wstring saved = app.Saved(setup);
        if (c.exitCode == 0) {
            // Whole and verified, from one file; nothing else left.
            EXPECT_TRUE(WaitUntil([&] { return FileExists(saved + L".started"); }));
            EXPECT_TRUE(ReadFileBytes(saved) == (changes ? second : first));
            EXPECT_EQ(2u, app.FilesInTemp().size());
        } else {
            EXPECT_TRUE(app.FilesInTemp().empty()) << "the run left a file in TEMP";
        }
    }
}

} // namespace
} // namespace testing_support

// Downloads kept for a later run: the state file read back only in its exact form, and the one
// download a later run takes over.

#include "download/kept_downloads.h"
#include "download/kept_state.h"
#include "download/setup_download.h"

#include "support/temp_dir.h"
#include "update/utc_time.h"

#include <gtest/gtest.h>

#include <string>

namespace updater {
namespace {

using testing_support::FileExists;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

constexpr ULONGLONG kHourTicks = 3600 * kTicksPerSecond;

KeptState SampleState() {
    return {L"C:\\程序\\App",
            L"http://127.0.0.1:1/files/setup.exe",
            L"\"abc\"",
            1000,
            std::wstring(64, L'a'),
            133000000000000000};
}

TEST(KeptState, ReadsBackOnlyInItsExactForm) {
    std::string text;
    ASSERT_TRUE(FormatKeptState(SampleState(), text));
    KeptState read;
    ASSERT_TRUE(ParseKeptState(text, read));
    EXPECT_EQ(SampleState().application, read.application);
    EXPECT_EQ(SampleState().url, read.url);
    EXPECT_EQ(SampleState().validator, read.validator);
    EXPECT_EQ(SampleState().total, read.total);
    EXPECT_EQ(SampleState().sha256, read.sha256);
    EXPECT_EQ(SampleState().began, read.began);
    struct Case {
        const char* name;
        std::string from, to; // the first `from` in the text replaced
    };
    const Case cases[] = {
        {"another form", "download 1", "download 2"},
        {"CR LF", "\nurl=", "\r\nurl="},
        {"no last line end", "0000\n", "0000"},
        {"a line more", "0000\n", "0000\nx=1\n"},
        {"a line missing", "validator=\"abc\"\n", ""},
        {"a key in capitals", "url=", "URL="},
        {"an empty value", "url=http://127.0.0.1:1/files/setup.exe", "url="},
        {"a total of 0", "total=1000", "total=0"},
        {"a leading zero", "total=1000", "total=01000"},
        {"a sign", "total=1000", "total=+1000"},
        {"beyond 64 bits", "total=1000", "total=18446744073709551616"},
        {"a checksum in capitals", "=aaaa", "=AAAA"},
        {"a checksum too short", "=aaaa", "=aaa"},
        {"a tab", "\"abc\"", "\"a\tbc\""},
        {"a validator beyond ASCII", "\"abc\"", "\"ab\xC3\xA9\""},
        {"not UTF-8", "setup.exe", "setup\xFF.exe"},
        {"a NUL", "setup.exe", std::string("setup\0.exe", 10)},
        {"larger than 16 KiB", "setup.exe", std::string(16384, 's')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string odd = text;
        ASSERT_NE(std::string::npos, odd.find(c.from));
        odd.replace(odd.find(c.from), c.from.size(), c.to);
        EXPECT_FALSE(ParseKeptState(odd, read));
    }
    // A validator that would add a header line is never written.
    KeptState injecting = SampleState();
    injecting.validator = L"\"abc\"\r\nX-Injected: 1";
    EXPECT_FALSE(FormatKeptState(injecting, text));
    const ULONGLONG week = kKeptDownloadLifetimeTicks, now = 133000000000000000;
    EXPECT_TRUE(IsKeptStateFresh(now - week + 1, now));
    EXPECT_FALSE(IsKeptStateFresh(now - week, now));
    EXPECT_FALSE(IsKeptStateFresh(now + 1, now)) << "a download that began in the future";
}

// Of the kept downloads under the temporary folder, a run takes over only one of its own
// application for the same address and checksum, fresh, whose folder holds nothing but the state
// and a part shorter than the whole. Every other one of the application goes.
TEST(SetupDownload, TakesOverOnlyAFittingKeptDownloadOfItsApplication) {
    const std::wstring url = L"http://127.0.0.1:1/files/setup.exe";
    SetupRequirements published;
    published.sha256 = Sha256Digest{};
    published.sha256->fill(0xAA);
    struct Case {
        const char* name;
        void (*change)(KeptState&);
        size_t part = 400;   // bytes of the kept part (of 1000)
        bool beside = false; // a file the updater never writes lies beside the part
        bool takenOver = false;
        bool stays = false; // the kept download is left alone
        bool unpublished = false;
    };
    const Case cases[] = {
        {"the same update", [](KeptState&) {}, 400, false, true},
        {"the application's folder in capitals",
         [](KeptState& state) { CharUpperW(&state.application[0]); }, 400, false, true},
        {"another application", [](KeptState& state) { state.application += L"2"; }, 400, false,
         false, true},
        {"another address", [](KeptState& state) { state.url += L"?v=2"; }},
        {"another checksum", [](KeptState& state) { state.sha256[0] = L'b'; }},
        {"no checksum published", [](KeptState&) {}, 400, false, false, false, true},
        {"began eight days ago", [](KeptState& state) { state.began -= 8 * 24 * kHourTicks; }},
        {"the whole file", [](KeptState&) {}, 1000},
        {"no part", [](KeptState&) {}, 0},
        {"a file beside it", [](KeptState&) {}, 400, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir temp;
        const DownloadPlace place{temp.path(), L"C:\\Programs\\App"};
        KeptState state{place.application,
                        url,
                        L"\"v1\"",
                        1000,
                        std::wstring(64, L'a'),
                        CurrentUtcTicks() - kHourTicks};
        c.change(state);
        const std::wstring folder = temp.File(L"updater-download-00000000000000c1");
        // A copy begun an hour earlier, which the newer one replaces.
        const std::wstring older = temp.File(L"updater-download-00000000000000c0");
        for (const std::wstring& kept : {folder, older}) {
            ASSERT_TRUE(CreateDirectoryW(kept.c_str(), nullptr));
            ASSERT_TRUE(WriteKeptState(kept, state));
            ASSERT_TRUE(!c.part || WriteFileBytes(kept + L"\\setup.exe", std::string(c.part, 'p')));
            ASSERT_TRUE(!c.beside || WriteFileBytes(kept + L"\\version.dll", "MZ"));
            state.began -= kHourTicks;
        }
        SetupDownload download;
        ASSERT_TRUE(download.Prepare(place, url, c.unpublished ? SetupRequirements() : published));
        EXPECT_EQ(c.takenOver ? c.part : 0u, download.KeptBytes());
        EXPECT_EQ(c.takenOver, download.SavePath() == folder + L"\\setup.exe");
        EXPECT_EQ(c.takenOver || c.stays, FileExists(folder));
        EXPECT_EQ(c.stays, FileExists(older)) << "at most one kept download per application";
        download.Discard();
    }
}

} // namespace
} // namespace updater

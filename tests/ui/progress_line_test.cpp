// The line under the progress bar: its text, and the speed it tells.

#include "ui/progress_text.h"
#include "ui/transfer_rate.h"

#include <gtest/gtest.h>

#include <vector>

namespace updater {
namespace {

constexpr std::uint64_t KiB = 1024, MiB = 1024 * KiB, GiB = 1024 * MiB;

TEST(DownloadProgressText, TellsReceivedTotalSpeedAndTimeLeftInBinaryUnits) {
    struct Case {
        std::uint64_t received, total, bytesPerSecond;
        const wchar_t* text;
    };
    const Case cases[] = {
        {0, 45 * MiB, 0, L"已下载 0 B / 45.0 MB"},
        {12897485, 45 * MiB, 2202010, L"已下载 12.3 MB / 45.0 MB，2.1 MB/s，剩余约 16 秒"},
        {12897485, 0, 2202010, L"已下载 12.3 MB，2.1 MB/s"},
        {45 * MiB, 45 * MiB, 2202010, L"已下载 45.0 MB / 45.0 MB，2.1 MB/s"},
        {1023, 0, 0, L"已下载 1023 B"},
        {MiB - 1, 0, 1536, L"已下载 1.0 MB，1.5 KB/s"},
        {10 * MiB, 100 * MiB, MiB, L"已下载 10.0 MB / 100.0 MB，1.0 MB/s，剩余约 1 分 30 秒"},
        {0, 90 * MiB, 768 * KiB, L"已下载 0 B / 90.0 MB，768.0 KB/s，剩余约 2 分钟"},
        {0, GiB, MiB, L"已下载 0 B / 1.0 GB，1.0 MB/s，剩余约 18 分钟"},
        {0, 3600000, 1000, L"已下载 0 B / 3.4 MB，1000 B/s，剩余约 1 小时"},
        {0, 10 * GiB, MiB, L"已下载 0 B / 10.0 GB，1.0 MB/s，剩余约 2 小时 51 分钟"},
        {5 * GiB, 6 * GiB, 10 * MiB, L"已下载 5.0 GB / 6.0 GB，10.0 MB/s，剩余约 1 分 43 秒"},
        {3000 * GiB, 0, 0, L"已下载 3000.0 GB"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.text, DownloadProgressText(c.received, c.total, c.bytesPerSecond));
    }
}

// Reports every quarter of a second, at each phase's speed; a phase may start over from 0.
TEST(TransferRate, IsTheSpeedOfTheLastFiveSecondsOfTheCurrentDownload) {
    struct Phase {
        std::uint64_t ms, bytesPerSecond;
        bool startsOver;
    };
    const std::pair<std::vector<Phase>, std::uint64_t> cases[] = {
        {{{750, MiB, false}}, 0}, // too soon to tell
        {{{3000, MiB, false}}, MiB},
        {{{6000, MiB, false}, {2500, 3 * MiB, false}}, 2 * MiB},
        {{{6000, MiB, false}, {6000, 3 * MiB, false}}, 3 * MiB},
        {{{3000, MiB, false}, {1500, 2 * MiB, true}}, 2 * MiB},
    };
    for (const auto& c : cases) {
        const auto& [phases, bytesPerSecond] = c;
        TransferRate rate;
        std::uint64_t tick = 1000, position = 0;
        rate.Add(tick, position);
        for (const auto& phase : phases) {
            rate.Add(tick, position = phase.startsOver ? 0 : position);
            for (std::uint64_t ms = 0; ms < phase.ms; ms += 250) {
                rate.Add(tick += 250, position += phase.bytesPerSecond / 4);
            }
        }
        EXPECT_EQ(bytesPerSecond, rate.BytesPerSecond()) << "row " << &c - cases;
    }
}

} // namespace
} // namespace updater

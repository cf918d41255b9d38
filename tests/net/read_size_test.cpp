#include "net/transfer_common.h"

#include <gtest/gtest.h>

namespace updater {
namespace {

// Each read is sized to what the link brought in the read before, for about a tenth of a
// second, in whole pages, growing at most fourfold per read.
TEST(NextReadSize, FollowsTheSpeedOfTheLink) {
    struct Case {
        DWORD size;
        ULONGLONG bytesPerSecond;
        DWORD next;
    };
    const Case cases[] = {
        {4096, 10000, 4096},         // slower than the smallest read: stays there
        {262144, 10000, 4096},       // a link that slowed down: back to the smallest
        {4096, 40960, 4096},         // exactly one read per tenth of a second
        {4096, 100000, 8192},        // 10,000 bytes per tenth, in whole pages
        {65536, 1000000, 98304},     // 100,000 bytes per tenth: 24 pages
        {4096, 100000000, 16384},    // fast: four times the size before
        {65536, 100000000, 262144},  // ... up to the largest read
        {262144, 100000000, 262144}, // which it keeps
        {262144, 1048576, 102400},   // 100 KiB per tenth
        {262144, 2621440, 262144},   // 256 KiB per tenth
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.size << " bytes at " << c.bytesPerSecond << " B/s");
        const ULONGLONG microseconds = c.size * 1000000ULL / c.bytesPerSecond;
        EXPECT_EQ(c.next, NextReadSize(c.size, c.size, microseconds));
    }
    // A short read (the body ended, or the platform returned early) says nothing of the link.
    EXPECT_EQ(65536u, NextReadSize(65536, 100, 1));
    EXPECT_EQ(16384u, NextReadSize(4096, 4096, 0));
}

} // namespace
} // namespace updater

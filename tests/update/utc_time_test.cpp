#include "update/utc_time.h"

#include <gtest/gtest.h>

namespace updater {
namespace {

TEST(UtcTime, ReadsExactlyTheDescriptorsFormOfARealMoment) {
    // 2000-03-01T00:00:00Z is 12,596,342,400 seconds after 1601-01-01.
    const ULONGLONG march2000 = 12596342400ULL * kTicksPerSecond;
    const std::pair<const wchar_t*, ULONGLONG> valid[] = {
        {L"2000-03-01T00:00:00Z", march2000},
        {L"2000-02-29T23:59:59Z", march2000 - kTicksPerSecond},
    };
    for (const auto& [text, expected] : valid) {
        ULONGLONG ticks = 0;
        EXPECT_TRUE(ParseUtcTime(text, ticks) && ticks == expected) << testing::PrintToString(text);
        EXPECT_EQ(text, FormatUtcTime(expected));
    }
    for (const wchar_t* malformed :
         {L"1900-02-29T00:00:00Z", L"2001-04-31T00:00:00Z", L"2001-13-01T00:00:00Z",
          L"2001-01-01T24:00:00Z", L"2001-01-01T00:60:00Z", L"2001-01-01T00:00:60Z",
          L"1600-12-31T23:59:59Z", L"2001-01-01t00:00:00z", L"2001-01-01 00:00:00Z",
          L"2001-01-01T00:00:00", L"2001-01-01T00:00:00+00:00", L" 2001-01-01T00:00:00Z",
          L"2001-1-01T00:00:00Z", L"２００１-01-01T00:00:00Z", L""}) {
        ULONGLONG ticks = 7;
        EXPECT_FALSE(ParseUtcTime(malformed, ticks)) << testing::PrintToString(malformed);
        EXPECT_EQ(7u, ticks);
    }
}

} // namespace
} // namespace updater

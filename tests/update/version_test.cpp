#include "update/version.h"

#include <gtest/gtest.h>

namespace updater {
namespace {

TEST(CompareVersions, ComparesUpToFourPartsAsNumbers) {
    struct Case {
        const wchar_t* local;
        const wchar_t* remote;
        int expected;
    };
    const Case cases[] = {
        {L"1.0.9", L"1.0.10", 1}, // numbers, not text
        {L"1.0.10", L"1.0.9", -1},
        {L"2.0", L"1.9.9.9", -1},
        {L"1.2", L"1.2.0.0", 0},         // missing parts are 0
        {L"1.2.3.4.5", L"1.2.3.4.9", 0}, // a fifth part is ignored
        {L"1.0.0.1", L"1.0.0.1beta", 0}, // reading stops at the letter
        {L"1..2", L"1.2", 0},            // a doubled separator counts once
        {L"1,2", L"1.2", 1},             // only "." separates parts
        {L"1.0", L"", -1},
        {L"1.-1", L"1.0", 1}, // negative parts compare signed
        {L"1.-10", L"1.-9", 1},
        {L"1.5", L"1.+5", 0},
        {L"1.0.0.2147483647", L"1.0.0.2147483648", 1}, // numbers of any size
        {L"1.0.0.4294967295", L"1.0.0.4294967296", 1},
        {L"2.0.0.2612071530", L"2.0.0.2612071529", -1},
        {L"1.123456789012345678901234567890", L"1.123456789012345678901234567891", 1},
        {L"1.007", L"1.7", 0}, // leading zeros ignored
        {L"1.0010", L"1.9", -1},
        {L"a", L"0", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, CompareVersions(c.local, c.remote))
            << testing::PrintToString(std::wstring(c.local)) << " against "
            << testing::PrintToString(std::wstring(c.remote));
    }
}

} // namespace
} // namespace updater

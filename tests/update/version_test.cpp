#include "update/version.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace updater {
namespace {

struct VersionCase {
    const wchar_t* local;
    const wchar_t* remote;
    int expected;
};

TEST(CompareVersions, ComparesPartsAsSignedNumbers) {
    const VersionCase cases[] = {
        {L"1.0.9", L"1.0.10", 1}, // numbers, not text
        {L"1.0.10", L"1.0.9", -1},
        {L"1.2", L"1.2.0.0", 0}, // missing parts are 0
        {L"2.0", L"1.9.9.9", -1},
        {L"1.2.3.4.5", L"1.2.3.4.9", 0}, // fifth part ignored
        {L"1.0.0.1", L"1.0.0.1beta", 0}, // reading stops at the letter
        {L"1.a", L"1.0", 0},             // non-numeric part reads as 0
        {L"1.0", L"r2.0", -1},
        {L"1..2", L"1.2", 0}, // doubled separator counts once
        {L"1.0", L"", -1},
        {L"0.0", L"", 0},
        {L"1.-1", L"1.0", 1}, // negative parts compare signed
        {L"1.0.0.1", L"1.0.0.2", 1},
        {L".5", L"5", 0}, // leading separator adds no empty part
        {L"3.", L"3.0", 0},
        {L" 1.2", L"1.2", 1}, // a leading blank makes the part read as 0
        {L"+2", L"2", 1},     // only "-" is taken as a sign
        {L"1.0.0.0", L"1.0.0.0.1", 0},
        {L"4294967297", L"1", 0}, // StrToIntW wraps like a 32-bit int
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, CompareVersions(c.local, c.remote))
            << "local " << testing::PrintToString(std::wstring(c.local)) << " remote "
            << testing::PrintToString(std::wstring(c.remote));
    }
}

TEST(NextToken, SplitsOnRunsOfDotsAndEndsWithMinusOne) {
    struct Case {
        const wchar_t* text;
        std::vector<std::wstring> tokens;
    };
    const Case cases[] = {
        {L"1.2.3", {L"1", L"2", L"3"}},
        {L"1..2", {L"1", L"2"}},
        {L".5", {L"5"}},
        {L"3.", {L"3"}},
        {L"...", {}},
        {L"", {}},
        {L"a b.c", {L"a b", L"c"}},
    };
    for (const auto& c : cases) {
        std::vector<std::wstring> seen;
        int position = 0;
        for (std::wstring token = NextToken(c.text, position); !token.empty();
             token = NextToken(c.text, position)) {
            seen.push_back(token);
        }
        EXPECT_EQ(c.tokens, seen) << testing::PrintToString(std::wstring(c.text));
        EXPECT_EQ(-1, position);
    }
}

TEST(NextToken, RejectsNegativePosition) {
    int position = -1;
    EXPECT_THROW(NextToken(L"1.2", position), std::invalid_argument);
}

} // namespace
} // namespace updater

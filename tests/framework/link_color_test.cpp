#include "framework/link_color.h"

#include "anchor_color_value.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace updater {
namespace {

using framework_testing::AnchorColorValue;

TEST(ParseColorText, ReadsThreeDecimalComponentsIntoBgr) {
    struct Case {
        const wchar_t* text;
        COLORREF expected;
    };
    const Case cases[] = {
        {L"0,128,255", 0x00FF8000}, {L" 12, 34, 56", 0x0038220C}, // blanks before numbers
        {L"300,0,0", 0x0000002C},                                 // low byte only
        {L"0,0,-1", 0x00FF0000},  // -1 is special in the first two places only
        {L"a,b,c", 0x00000000},   // non-digits read as 0
        {L"1,2,3,4", 0x00030201}, // reading stops at the fourth comma
        {L"+5,-2x,7", 0x0007FE05},  {L"255,0", kInvalidColor}, // two numbers
        {L"1,2,", kInvalidColor},                              // nothing after the second comma
        {L"-1,0,0", kInvalidColor}, {L"0,-1,0", kInvalidColor},   {L" -1,0,0", kInvalidColor},
        {L"", kInvalidColor},       {L"128", kInvalidColor},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, ParseColorText(c.text))
            << testing::PrintToString(std::wstring(c.text));
    }
    EXPECT_EQ(kInvalidColor, ParseColorText(nullptr));
}

TEST(ReadAnchorColor, AcceptsStringsOfAtMostElevenCharacters) {
    struct Case {
        const wchar_t* text;
        DWORD type;
        std::optional<COLORREF> expected;
    };
    const Case cases[] = {
        {L"0,128,255", REG_SZ, 0x00FF8000},
        {L"255,128,064", REG_SZ, 0x004080FF},    // 11 characters: read
        {L"255,128,0064", REG_SZ, std::nullopt}, // 12 characters: too long
        {L"1,2,3", REG_EXPAND_SZ, 0x00030201},
        {L"1,2,3", REG_MULTI_SZ, std::nullopt}, // not a plain string
        {L"255,0", REG_SZ, std::nullopt},       // not a colour
    };
    AnchorColorValue value;
    for (const Case& c : cases) {
        ASSERT_TRUE(value.SetText(c.text, c.type));
        EXPECT_EQ(c.expected, ReadAnchorColor()) << testing::PrintToString(std::wstring(c.text));
    }
    ASSERT_TRUE(value.SetDword(0x00FF8000));
    EXPECT_EQ(std::nullopt, ReadAnchorColor()) << "a number is not a colour text";
    ASSERT_TRUE(value.Remove());
    EXPECT_EQ(std::nullopt, ReadAnchorColor());
}

} // namespace
} // namespace updater

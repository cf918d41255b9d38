#include "update/update_info.h"

#include <gtest/gtest.h>

#include <string>

namespace updater {
namespace {

struct DescriptorCase {
    const char* name;
    const char* xml;
    HRESULT result;
    std::wstring ver, size, url, comments;
};

TEST(UpdateInfoParse, ReadsTheFirstElementOfEachNameAnywhere) {
    const DescriptorCase cases[] = {
        {"flat",
         "<u><ver>2.1.0.3</ver><url>http://h/s.exe</url><size>12.5 MB</size>"
         "<comments><l>a</l><l>b</l></comments></u>",
         S_OK, L"2.1.0.3", L"12.5 MB", L"http://h/s.exe", L"a\r\nb\r\n"},
        {"deep and after comments",
         "<root><comments>abc</comments><x><y><ver>1.2</ver></y></x><size>99</size>"
         "<url>http://h/a</url></root>",
         S_OK, L"1.2", L"99", L"http://h/a", L"abc\r\n"},
        {"first of two wins",
         "<r><ver>1</ver><ver>2</ver><url>u</url><size>s</size><comments/></r>", S_OK, L"1", L"s",
         L"u", L""},
        {"text of descendants",
         "<r><ver>1.<b>2</b></ver><url>u</url><size>s</size><comments>x</comments></r>", S_OK,
         L"1.2", L"s", L"u", L"x\r\n"},
        {"empty ver accepted", "<r><ver/><url>u</url><size>s</size><comments/></r>", S_OK, L"",
         L"s", L"u", L""},
        {"case matters", "<r><Ver>1</Ver><url>u</url><size>s</size><comments/></r>", E_POINTER, L"",
         L"", L"", L""},
        {"no url", "<r><ver>1</ver><size>s</size><comments/></r>", E_POINTER, L"1", L"", L"", L""},
        {"no size", "<r><ver>1</ver><url>u</url><comments/></r>", E_POINTER, L"1", L"", L"u", L""},
        {"no comments", "<r><ver>1</ver><url>u</url><size>s</size></r>", E_POINTER, L"1", L"s",
         L"u", L""},
        {"empty body", "", E_POINTER, L"", L"", L"", L""},
        {"html error page",
         "<html><head><title>404 Not Found</title></head><body><h1>Not Found</h1></body></html>",
         E_POINTER, L"", L"", L"", L""},
        {"not xml", "ver=2.0\nurl=http://h/s.exe", E_POINTER, L"", L"", L"", L""},
        {"not well formed", "<r><ver>2.0</ver><url>u</url><size>s</size><comments>", E_POINTER, L"",
         L"", L"", L""},
    };
    for (const auto& c : cases) {
        UpdateInfo info;
        EXPECT_EQ(c.result, info.Parse(c.xml)) << c.name;
        EXPECT_EQ(c.ver, info.ver) << c.name;
        EXPECT_EQ(c.size, info.size) << c.name;
        EXPECT_EQ(c.url, info.url) << c.name;
        EXPECT_EQ(c.comments, info.comments) << c.name;
    }
}

TEST(UpdateInfoParse, ClearsFieldsOfAnEarlierParse) {
    UpdateInfo info;
    ASSERT_EQ(S_OK,
              info.Parse("<r><ver>1</ver><url>u</url><size>s</size><comments>c</comments></r>"));
    EXPECT_EQ(E_POINTER, info.Parse("<r/>"));
    EXPECT_EQ(L"", info.ver);
    EXPECT_EQ(L"", info.comments);
}

// Descriptors are published in the users' ANSI code page; the tests run with code page 936.
TEST(UpdateInfoParse, DecodesChineseInTheAnsiCodePage) {
    ASSERT_EQ(936u, GetACP()) << "run under LC_ALL=zh_CN.UTF-8 so that wine uses code page 936";
    const std::wstring xml =
        L"<?xml version=\"1.0\"?><更新><ver>2.0</ver><url>http://h/安装.exe</url>"
        L"<size>12.5 兆</size><comments><行>修复了错误</行><行>新功能</行>"
        L"</comments></更新>";
    std::string bytes(xml.size() * 2 + 1, '\0');
    const int length =
        WideCharToMultiByte(936, 0, xml.c_str(), static_cast<int>(xml.size()), &bytes[0],
                            static_cast<int>(bytes.size()), nullptr, nullptr);
    ASSERT_GT(length, 0);
    bytes.resize(length);

    UpdateInfo info;
    ASSERT_EQ(S_OK, info.Parse(bytes.c_str()));
    EXPECT_EQ(L"http://h/安装.exe", info.url);
    EXPECT_EQ(L"12.5 兆", info.size);
    EXPECT_EQ(L"修复了错误\r\n新功能\r\n", info.comments);
}

TEST(ToWideText, ConvertsUpToTheZeroOrTheGivenCount) {
    EXPECT_EQ(nullptr, ToWideText(nullptr, -1));
    EXPECT_EQ(nullptr, ToWideText("abc", 0));
    struct Case {
        const char* bytes;
        int count;
        std::wstring expected;
    };
    const Case cases[] = {{"abc", -1, L"abc"}, {"abcdef", 2, L"ab"}, {"", -1, L""}};
    for (const auto& c : cases) {
        BSTR text = ToWideText(c.bytes, c.count);
        ASSERT_NE(nullptr, text);
        EXPECT_EQ(c.expected, std::wstring(text, SysStringLen(text)));
        SysFreeString(text);
    }
}

TEST(UpdateInfo, ComparesThePublishedVersionWithTheInstalledOne) {
    UpdateInfo info;
    ASSERT_EQ(S_OK, info.Parse("<r><ver>1.0.0.2</ver><url>u</url><size>s</size><comments/></r>"));
    EXPECT_EQ(1, info.CompareWithLocal(L"1.0.0.1"));
    EXPECT_EQ(0, info.CompareWithLocal(L"1.0.0.2"));
    EXPECT_EQ(-1, info.CompareWithLocal(L"1.0.0.3"));
}

} // namespace
} // namespace updater

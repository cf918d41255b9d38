#include "update/update_info.h"

#include "support/loopback_server.h"

#include <gtest/gtest.h>

#include <string>

namespace updater {
namespace {

TEST(UpdateInfoParse, ReadsTheFirstElementOfEachNameAnywhere) {
    struct Case {
        const char* name;
        std::string xml;
        HRESULT result;
        std::wstring ver, size, url, comments;
    };
    const Case cases[] = {
        {"flat",
         "<u><ver>2.1.0.3</ver><url>http://h/s.exe</url><size>12.5 MB</size>"
         "<comments><l>a</l><l>b</l></comments></u>",
         S_OK, L"2.1.0.3", L"12.5 MB", L"http://h/s.exe", L"a\r\nb\r\n"},
        {"deep, first of two wins, plain-text comments",
         "<r><comments>abc</comments><x><ver>1.2</ver></x><ver>9</ver><size>99</size>"
         "<url>http://h/a</url></r>",
         S_OK, L"1.2", L"99", L"http://h/a", L"abc\r\n"},
        {"element names are case-sensitive",
         "<r><Ver>1</Ver><url>u</url><size>s</size><comments/></r>", E_POINTER, L"", L"", L"", L""},
        {"no comments", "<r><ver>1</ver><url>u</url><size>s</size></r>", E_POINTER, L"1", L"s",
         L"u", L""},
        {"empty body", "", E_POINTER, L"", L"", L"", L""},
        {"html error page", "<html><body><h1>404 Not Found</h1></body></html>", E_POINTER, L"", L"",
         L"", L""},
        {"not well formed", "<r><ver>2.0</ver><url>u</url><size>s</size><comments>", E_POINTER, L"",
         L"", L"", L""},
    };
    ASSERT_EQ(936u, GetACP()) << "run under LC_ALL=zh_CN.UTF-8 so that wine uses code page 936";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UpdateInfo info;
        info.ver = L"left over from an earlier parse";
        EXPECT_EQ(c.result, info.Parse(c.xml.c_str()));
        EXPECT_EQ(c.ver, info.ver);
        EXPECT_EQ(c.size, info.size);
        EXPECT_EQ(c.url, info.url);
        EXPECT_EQ(c.comments, info.comments);
    }
}

TEST(UpdateInfoParse, DecodesUtf8OrUtf16ByMarkOrDeclarationElseTheAnsiCodePage) {
    const std::wstring body =
        L"<更新><ver>2.0</ver><url>http://h/安装.exe</url><size>12.5 兆</size>"
        L"<comments><行>修复</行></comments><sha256>ab</sha256><signature>签名</signature></更新>";
    const std::string utf8Body =
        u8"<更新><ver>2.0</ver><url>http://h/安装.exe</url><size>12.5 兆</size>"
        u8"<comments><行>修复</行></comments><sha256>ab</sha256><signature>签名</signature></更新>";
    const std::string utf8 = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
    const std::string utf16(reinterpret_cast<const char*>(body.data()), body.size() * 2);
    const std::tuple<const char*, std::string, bool> cases[] = {
        {"UTF-8 with a byte order mark", "\xEF\xBB\xBF" + utf8Body, true},
        {"UTF-8 declared", utf8 + utf8Body, true},
        {"utf-8, single quotes", "<?xml version='1.0' encoding = 'utf-8'?>" + utf8Body, true},
        {"GBK declared",
         testing_support::ToAnsi(L"<?xml version=\"1.0\" encoding=\"GBK\"?>" + body), true},
        {"undeclared", testing_support::ToAnsi(body), true},
        {"UTF-16 LE with a byte order mark", "\xFF\xFE" + utf16, true},
        {"bad UTF-8", utf8 + "<r><ver>2</ver><url>\xE4</url><size/><comments/></r>", false},
    };
    for (const auto& [name, bytes, usable] : cases) {
        SCOPED_TRACE(name);
        UpdateInfo info;
        EXPECT_EQ(usable, SUCCEEDED(info.Parse(bytes.data(), bytes.size())));
        EXPECT_EQ(usable ? L"http://h/安装.exe|12.5 兆|修复\r\n|ab|签名" : L"||||",
                  info.url + L"|" + info.size + L"|" + info.comments + L"|" + info.sha256 + L"|" +
                      info.signature);
    }
}

} // namespace
} // namespace updater

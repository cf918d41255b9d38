#include "net/url.h"

#include <gtest/gtest.h>

#include <string>

namespace updater {
namespace {

std::wstring Repeat(wchar_t c, size_t n) {
    return std::wstring(n, c);
}

struct SplitCase {
    std::wstring url;
    bool split;
    const wchar_t* host;
    INTERNET_PORT port;
    std::wstring objectName;
};

TEST(CrackHttpUrl, SplitsHttpUrlsOnly) {
    const SplitCase cases[] = {
        {L"http://updates.example:8080/dir/file.xml", true, L"updates.example", 8080,
         L"/dir/file.xml"},
        {L"http://updates.example/update.xml", true, L"updates.example", 80, L"/update.xml"},
        {L"http://127.0.0.1:65535/a", true, L"127.0.0.1", 65535, L"/a"},
        {L"http://h/dir/file.xml?v=2", true, L"h", 80, L"/dir/file.xml?v=2"},
        {L"http://h/page.html#part", true, L"h", 80, L"/page.html#part"},
        {L"http://h/a%20b.xml?x=%41", true, L"h", 80, L"/a b.xml?x=A"},
        {L"https://updates.example/update.xml", false, nullptr, 0, L""},
        {L"ftp://updates.example/update.xml", false, nullptr, 0, L""},
        {L"", false, nullptr, 0, L""},
        {L"no url at all", false, nullptr, 0, L""},
        // path and query of exactly 259 characters fit; one more is refused, never cut
        {L"http://h/" + Repeat(L'a', 250) + L"?q=12345", true, L"h", 80,
         L"/" + Repeat(L'a', 250) + L"?q=12345"},
        {L"http://h/" + Repeat(L'a', 250) + L"?q=123456", false, nullptr, 0, L""},
        {L"http://h/" + Repeat(L'a', 300), false, nullptr, 0, L""},
    };
    for (const auto& c : cases) {
        wchar_t host[kUrlPartCapacity] = {};
        wchar_t objectName[kUrlPartCapacity] = {};
        INTERNET_PORT port = 80;
        const bool split = CrackHttpUrl(c.url.c_str(), host, objectName, &port);
        EXPECT_EQ(c.split, split) << testing::PrintToString(c.url);
        if (c.split && split) {
            EXPECT_EQ(std::wstring(c.host), host) << testing::PrintToString(c.url);
            EXPECT_EQ(c.port, port) << testing::PrintToString(c.url);
            EXPECT_EQ(c.objectName, objectName) << testing::PrintToString(c.url);
        }
    }
}

TEST(CrackUrl, ReportsSchemeKindAndDefaultPort) {
    struct Case {
        const wchar_t* url;
        const wchar_t* scheme;
        INTERNET_SCHEME kind;
        INTERNET_PORT port;
    };
    const Case cases[] = {
        {L"http://h/x", L"http", INTERNET_SCHEME_HTTP, 80},
        {L"https://h/x", L"https", INTERNET_SCHEME_HTTPS, 443},
        {L"https://h:8443/x", L"https", INTERNET_SCHEME_HTTPS, 8443},
    };
    for (const auto& c : cases) {
        wchar_t scheme[kUrlPartCapacity] = {};
        wchar_t host[kUrlPartCapacity] = {};
        wchar_t objectName[kUrlPartCapacity] = {};
        INTERNET_PORT port = 0;
        INTERNET_SCHEME kind = INTERNET_SCHEME_UNKNOWN;
        ASSERT_TRUE(CrackUrl(c.url, scheme, host, objectName, &port, &kind)) << c.url;
        EXPECT_EQ(std::wstring(c.scheme), scheme);
        EXPECT_EQ(c.kind, kind);
        EXPECT_EQ(c.port, port);
    }
}

TEST(CrackUrl, WritesNothingWhenItFails) {
    wchar_t scheme[kUrlPartCapacity] = L"s";
    wchar_t host[kUrlPartCapacity] = L"h";
    wchar_t objectName[kUrlPartCapacity] = L"o";
    INTERNET_PORT port = 1234;
    INTERNET_SCHEME kind = INTERNET_SCHEME_UNKNOWN;
    const std::wstring tooLong = L"http://h/" + Repeat(L'a', 250) + L"?q=123456";
    for (const wchar_t* url : {L"", tooLong.c_str()}) {
        EXPECT_FALSE(CrackUrl(url, scheme, host, objectName, &port, &kind));
        EXPECT_EQ(std::wstring(L"s"), scheme);
        EXPECT_EQ(std::wstring(L"h"), host);
        EXPECT_EQ(std::wstring(L"o"), objectName);
        EXPECT_EQ(1234, port);
    }
}

} // namespace
} // namespace updater

#include "net/url.h"

#include <gtest/gtest.h>

#include <string>

namespace updater {
namespace {

TEST(CrackHttpUrl, SplitsHttpUrlsAndRefusesWhatItCannotSendAsWritten) {
    struct Case {
        std::wstring url;
        bool split;
        const wchar_t* host;
        INTERNET_PORT port;
        std::wstring objectName;
    };
    // The longest address accepted is 2,083 characters; "http://h/" takes 9 of them.
    const std::wstring longest(2083 - 9, L'a');
    const Case cases[] = {
        {L"http://updates.example:8080/dir/file.xml", true, L"updates.example", 8080,
         L"/dir/file.xml"},
        {L"http://updates.example/update.xml", true, L"updates.example", 80, L"/update.xml"},
        // The fragment is the client's own: never sent, and it ends the host too.
        {L"http://h/dir/file.xml?v=2#part?x#y", true, L"h", 80, L"/dir/file.xml?v=2"},
        {L"http://h#@evil.example/x", true, L"h", 80, L""},
        // Escapes go out as written (a signed address stays signed); spaces and characters
        // beyond ASCII go out as UTF-8 escapes.
        {L"http://h/%E5%8D%87.exe?c=AKIA%2F2026&sig=ab%2Bcd%3D%3D&p=%2525", true, L"h", 80,
         L"/%E5%8D%87.exe?c=AKIA%2F2026&sig=ab%2Bcd%3D%3D&p=%2525"},
        {L"http://h/升级 1.exe?名=值", true, L"h", 80,
         L"/%E5%8D%87%E7%BA%A7%201.exe?%E5%90%8D=%E5%80%BC"},
        {L"https://updates.example/update.xml", true, L"updates.example", 443, L"/update.xml"},
        {L"http://h:65535/x", true, L"h", 65535, L"/x"},
        {L"http://h:70000/x", false, nullptr, 0, L""}, // would become port 4464
        {L"http://h:0/x", false, nullptr, 0, L""},
        {L"http://h:8o/x", false, nullptr, 0, L""},
        {L"ftp://updates.example/update.xml", false, nullptr, 0, L""},
        {L"", false, nullptr, 0, L""},
        {L"no url at all", false, nullptr, 0, L""},
        // Control characters would be sent as they are: injected headers, a cut request line.
        {L"http://h/setup.exe%0D%0AX-Injected:%20yes", false, nullptr, 0, L""},
        {L"http://h/setup.exe?a=%00", false, nullptr, 0, L""},
        {L"http://h/set\tup.exe", false, nullptr, 0, L""},
        {L"http://h\x01st/setup.exe", false, nullptr, 0, L""},
        {L"http://h/a%7f.exe", false, nullptr, 0, L""},
        // Up to the platform's URL limit, never cut.
        {L"http://h/" + longest, true, L"h", 80, L"/" + longest},
        {L"http://h/" + longest + L"a", false, nullptr, 0, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.url.substr(0, 80)));
        UrlParts parts;
        const bool split = CrackHttpUrl(c.url.c_str(), parts);
        ASSERT_EQ(c.split, split);
        if (split) {
            EXPECT_EQ(std::wstring(c.host), parts.host);
            EXPECT_EQ(c.port, parts.port);
            EXPECT_EQ(c.objectName, parts.objectName);
        }
    }
}

// As a browser resolves a link (RFC 3986, section 5.4, and the cases of this program).
TEST(ResolveUrl, ResolvesReferencesAsABrowserDoes) {
    struct Case {
        std::wstring base, reference;
        std::wstring resolved; // empty: refused
    };
    const std::wstring rfc = L"http://a/b/c/d;p?q#f";
    const std::wstring longest(2083 - 9, L'a');
    const Case cases[] = {
        {rfc, L"g:h", L"g:h"},
        {rfc, L"g", L"http://a/b/c/g"},
        {rfc, L"./g", L"http://a/b/c/g"},
        {rfc, L"g/", L"http://a/b/c/g/"},
        {rfc, L"/g", L"http://a/g"},
        {rfc, L"//g", L"http://g"},
        {rfc, L"?y", L"http://a/b/c/d;p?y"},
        {rfc, L"g?y", L"http://a/b/c/g?y"},
        {rfc, L"#s", L"http://a/b/c/d;p?q#s"},
        {rfc, L"g?y#s", L"http://a/b/c/g?y#s"},
        {rfc, L";x", L"http://a/b/c/;x"},
        {rfc, L".", L"http://a/b/c/"},
        {rfc, L"..", L"http://a/b/"},
        {rfc, L"../g", L"http://a/b/g"},
        {rfc, L"../..", L"http://a/"},
        {rfc, L"../../../g", L"http://a/g"},
        {rfc, L"/./g", L"http://a/g"},
        {rfc, L"g.", L"http://a/b/c/g."},
        {rfc, L"..g", L"http://a/b/c/..g"},
        {rfc, L"./g/.", L"http://a/b/c/g/"},
        {rfc, L"g;x=1/../y", L"http://a/b/c/y"},
        {rfc, L"g?y/../x", L"http://a/b/c/g?y/../x"},
        {rfc, L"g#s/../x", L"http://a/b/c/g#s/../x"},
        {rfc, L"?", L"http://a/b/c/d;p?"},
        {L"http://h:8080/f/relq/update.xml", L"?x=1", L"http://h:8080/f/relq/update.xml?x=1"},
        {L"http://h", L"setup.exe", L"http://h/setup.exe"},
        {L"https://h/a/", L"//cdn.example/s.exe", L"https://cdn.example/s.exe"},
        {L"https://h/a/", L"HTTP://x/./y/../s.exe", L"HTTP://x/s.exe"},
        // Escapes stay as written, dots escaped included.
        {L"http://h/a/b", L"%2E%2E/s%2Fx.exe?s=%2B", L"http://h/a/%2E%2E/s%2Fx.exe?s=%2B"},
        // Up to the platform's URL limit.
        {L"http://h/a", L"/" + longest, L"http://h/" + longest},
        {L"http://h/" + longest.substr(1) + L"/", L"x", L""},
        {L"http://h/", L"", L""},
        {L"update.xml", L"setup.exe", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(
            testing::PrintToString(c.base.substr(0, 40) + L" + " + c.reference.substr(0, 40)));
        std::wstring resolved = L"untouched";
        ASSERT_EQ(!c.resolved.empty(), ResolveUrl(c.base, c.reference, resolved));
        EXPECT_EQ(c.resolved.empty() ? L"untouched" : c.resolved, resolved);
    }
}

} // namespace
} // namespace updater

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
        {L"http://h/dir/file.xml?v=2#part", true, L"h", 80, L"/dir/file.xml?v=2#part"},
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

} // namespace
} // namespace updater

#include "net/url.h"

#include <gtest/gtest.h>

#include <string>

namespace updater {
namespace {

TEST(CrackHttpUrl, SplitsHttpUrlsAndRefusesWhatItCannotSendAsGiven) {
    struct Case {
        std::wstring url;
        bool split;
        const wchar_t* host;
        INTERNET_PORT port;
        std::wstring objectName;
    };
    const std::wstring a250(250, L'a');
    const Case cases[] = {
        {L"http://updates.example:8080/dir/file.xml", true, L"updates.example", 8080,
         L"/dir/file.xml"},
        {L"http://updates.example/update.xml", true, L"updates.example", 80, L"/update.xml"},
        {L"http://h/dir/file.xml?v=2#part", true, L"h", 80, L"/dir/file.xml?v=2#part"},
        {L"http://h/a%20b.xml?x=%41", true, L"h", 80, L"/a b.xml?x=A"},
        {L"https://updates.example/update.xml", true, L"updates.example", 443, L"/update.xml"},
        {L"ftp://updates.example/update.xml", false, nullptr, 0, L""},
        {L"", false, nullptr, 0, L""},
        {L"no url at all", false, nullptr, 0, L""},
        // Control characters would be sent as they are: injected headers, a cut request line.
        {L"http://h/setup.exe%0D%0AX-Injected:%20yes", false, nullptr, 0, L""},
        {L"http://h/setup.exe?a=%00", false, nullptr, 0, L""},
        {L"http://h/set\tup.exe", false, nullptr, 0, L""},
        {L"http://h\x01st/setup.exe", false, nullptr, 0, L""},
        {L"http://h/a%7f.exe", false, nullptr, 0, L""},
        // An object name of 259 characters fits; one more is refused, never cut.
        {L"http://h/" + a250 + L"?q=12345", true, L"h", 80, L"/" + a250 + L"?q=12345"},
        {L"http://h/" + a250 + L"?q=123456", false, nullptr, 0, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.url));
        wchar_t host[kUrlPartCapacity] = {};
        wchar_t objectName[kUrlPartCapacity] = {};
        INTERNET_PORT port = 0;
        const bool split = CrackHttpUrl(c.url.c_str(), host, objectName, &port);
        ASSERT_EQ(c.split, split);
        if (split) {
            EXPECT_EQ(std::wstring(c.host), host);
            EXPECT_EQ(c.port, port);
            EXPECT_EQ(c.objectName, objectName);
        }
    }
}

} // namespace
} // namespace updater

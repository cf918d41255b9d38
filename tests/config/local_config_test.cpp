#include "config/local_config.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace updater {
namespace {

std::string Utf16WithBom(const std::wstring& text) {
    return "\xFF\xFE" +
           std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

TEST(LocalConfig, ReadsVersionAndUpdateOfSectionMain) {
    struct Case {
        const char* name;
        bool writeFile;
        std::string content;
        std::wstring version;
        std::wstring descriptorUrl;
    };
    const Case cases[] = {
        {"no file", false, "", L"", L""},
        {"both keys", true, "[main]\r\nversion=1.0.2.15\r\nupdate=http://127.0.0.1/u.xml\r\n",
         L"1.0.2.15", L"http://127.0.0.1/u.xml"},
        {"empty version", true, "[main]\r\nversion=\r\nupdate=http://h/u.xml\r\n", L"",
         L"http://h/u.xml"},
        {"other section", true, "[other]\r\nversion=1.0\r\nupdate=http://h/u.xml\r\n", L"", L""},
        {"UTF-16 with Chinese", true,
         Utf16WithBom(L"[main]\r\nversion=2.0\r\nupdate=http://127.0.0.1/更新/描述.xml\r\n"),
         L"2.0", L"http://127.0.0.1/更新/描述.xml"},
        {"an address of 2,083 characters", true,
         "[main]\r\nversion=1\r\nupdate=http://h/" + std::string(2074, 'x') + "\r\n", L"1",
         L"http://h/" + std::wstring(2074, L'x')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing_support::TempDir dir;
        if (c.writeFile) {
            ASSERT_TRUE(testing_support::WriteFileBytes(dir.File(L"config.ini"), c.content));
        }
        LocalConfig config(dir.path());
        EXPECT_EQ(c.version, config.version);
        EXPECT_EQ(c.descriptorUrl, config.descriptorUrl);
        EXPECT_EQ(!c.version.empty() && !c.descriptorUrl.empty() ? S_OK : E_FAIL, config.Load());
    }
}

} // namespace
} // namespace updater

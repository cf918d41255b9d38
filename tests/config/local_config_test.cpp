#include "config/local_config.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace updater {
namespace {

using testing_support::TempDir;
using testing_support::WriteFileBytes;

std::string Utf16WithBom(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    return bytes;
}

struct ConfigCase {
    const char* name;
    bool writeFile;
    std::string content;
    std::wstring version;
    std::wstring descriptorUrl;
};

TEST(LocalConfig, ReadsBothKeysOfSectionMain) {
    const std::string longValue(2000, '7');
    const ConfigCase cases[] = {
        {"no file", false, "", L"", L""},
        {"both keys", true, "[main]\r\nversion=1.0.2.15\r\nupdate=http://127.0.0.1/u.xml\r\n",
         L"1.0.2.15", L"http://127.0.0.1/u.xml"},
        {"empty version", true, "[main]\r\nversion=\r\nupdate=http://h/u.xml\r\n", L"",
         L"http://h/u.xml"},
        {"other section", true, "[other]\r\nversion=1.0\r\nupdate=http://h/u.xml\r\n", L"", L""},
        {"value cut to 1023", true, "[main]\r\nversion=" + longValue + "\r\n",
         std::wstring(1023, L'7'), L""},
        {"UTF-16 with Chinese", true,
         Utf16WithBom(L"[main]\r\nversion=2.0\r\nupdate=http://127.0.0.1/更新/描述.xml\r\n"),
         L"2.0", L"http://127.0.0.1/更新/描述.xml"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        if (c.writeFile) {
            ASSERT_TRUE(WriteFileBytes(dir.File(L"config.ini"), c.content)) << c.name;
        }
        LocalConfig config(dir.path());
        EXPECT_EQ(c.version, config.version) << c.name;
        EXPECT_EQ(c.descriptorUrl, config.descriptorUrl) << c.name;
        const HRESULT expected = !c.version.empty() && !c.descriptorUrl.empty() ? S_OK : E_FAIL;
        EXPECT_EQ(expected, config.Load()) << c.name;
    }
}

TEST(LocalConfig, DirectoryTooLongForThePathBufferMeansNoConfiguration) {
    for (size_t length : {1013u, 1200u, 5000u}) {
        LocalConfig config(L"C:\\" + std::wstring(length, L'a'));
        EXPECT_TRUE(config.version.empty()) << length;
        EXPECT_TRUE(config.descriptorUrl.empty()) << length;
        EXPECT_EQ(nullptr,
                  ReadConfigValue(L"C:\\" + std::wstring(length, L'a'), L"main", L"version"));
    }
}

// The program reads the file beside its own executable, whatever the current directory is.
TEST(LocalConfig, ReadsTheFileBesideTheExecutableWhateverTheCurrentDirectory) {
    wchar_t exePath[1024] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, exePath, 1024), 0u);
    std::wstring configPath = exePath;
    configPath = configPath.substr(0, configPath.find_last_of(L'\\')) + L"\\config.ini";
    ASSERT_TRUE(WriteFileBytes(configPath, "[main]\r\nversion=3.1\r\nupdate=http://x/d.xml\r\n"));

    TempDir elsewhere;
    ASSERT_TRUE(WriteFileBytes(elsewhere.File(L"config.ini"), "[main]\r\nversion=9.9\r\n"));
    wchar_t previous[1024] = {};
    GetCurrentDirectoryW(1024, previous);
    SetCurrentDirectoryW(elsewhere.path().c_str());

    LocalConfig config;

    SetCurrentDirectoryW(previous);
    DeleteFileW(configPath.c_str());
    EXPECT_EQ(L"3.1", config.version);
    EXPECT_EQ(L"http://x/d.xml", config.descriptorUrl);
}

} // namespace
} // namespace updater

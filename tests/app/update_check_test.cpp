#include "app/update_check.h"

#include "support/http_test_server.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace updater {
namespace {

using testing_support::ClosedLoopbackPort;
using testing_support::HttpRoute;
using testing_support::HttpTestServer;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

std::string Descriptor(const std::string& ver, const std::string& size = "<size>3.2 MB</size>",
                       const std::string& comments = "<comments><l>A</l><l>B</l></comments>") {
    return "<?xml version=\"1.0\"?><update><ver>" + ver +
           "</ver><url>http://127.0.0.1/setup.exe</url>" + size + comments + "</update>";
}

class CheckForUpdateTest : public testing::Test {
protected:
    CheckForUpdateTest() {
        server.SetRoute("/v1002.xml", HttpRoute::Text(Descriptor("1.0.0.2")));
        server.SetRoute("/v1001.xml", HttpRoute::Text(Descriptor("1.0.0.1")));
        server.SetRoute("/nosize.xml", HttpRoute::Text(Descriptor("1.0.0.2", "")));
        server.SetRoute("/missing.xml",
                        HttpRoute::Text("<html><body>404 Not Found</body></html>", 404));
    }

    // config.ini with the given lines in a fresh folder; returns the folder.
    std::wstring Config(const std::string& lines) {
        folders.emplace_back(new TempDir);
        EXPECT_TRUE(WriteFileBytes(folders.back()->File(L"config.ini"), "[main]\r\n" + lines));
        return folders.back()->path();
    }
    std::string Url(const std::string& path) { return Narrow(server.Url(path)); }

    HttpTestServer server;
    std::vector<std::unique_ptr<TempDir>> folders;
};

TEST_F(CheckForUpdateTest, ReportsEachOutcomeWithItsText) {
    const std::string closedPort =
        "http://127.0.0.1:" + std::to_string(ClosedLoopbackPort()) + "/v1002.xml";
    struct Case {
        std::string config;
        int result;
        std::wstring report; // empty: the offer text, checked elsewhere
        bool reachesServer;
    };
    const Case cases[] = {
        {"version=1.0.0.1\r\nupdate=" + Url("/v1002.xml"), 1, L"", true},
        {"version=1.0.0.1\r\nupdate=" + Url("/v1001.xml"), 0, L"当前已经是最新版本了！", true},
        {"version=1.0.0.2\r\nupdate=" + Url("/v1001.xml"), -1, L"当前已经是最新版本了！", true},
        {"update=" + Url("/v1002.xml"), -2, L"本地配置信息有错误！", false},
        {"version=\r\nupdate=" + Url("/v1002.xml"), -2, L"本地配置信息有错误！", false},
        {"version=1.0.0.1\r\n", -2, L"本地配置信息有错误！", false},
        {"version=1.0.0.1\r\nupdate=" + closedPort, -3, L"无法连接远程服务器！请检查连接！", false},
        {"version=1.0.0.1\r\nupdate=https://127.0.0.1:" + std::to_string(server.port()) +
             "/v1002.xml",
         -3, L"无法连接远程服务器！请检查连接！", false},
        {"version=1.0.0.1\r\nupdate=" + Url("/missing.xml"), -4, L"远程升级信息配置有错误！", true},
        {"version=1.0.0.1\r\nupdate=" + Url("/nosize.xml"), -4, L"远程升级信息配置有错误！", true},
    };
    for (const auto& c : cases) {
        const std::wstring directory = Config(c.config);
        const size_t requestsBefore = server.RequestCount();
        UpdateInfo info;
        std::wstring report = L"left over from before";
        EXPECT_EQ(c.result, CheckForUpdate(info, report, directory)) << c.config;
        if (!c.report.empty()) {
            EXPECT_EQ(c.report, report) << c.config;
        } else {
            EXPECT_EQ(0u, report.find(L"当前版本：1.0.0.1")) << c.config;
        }
        EXPECT_EQ(c.reachesServer ? requestsBefore + 1 : requestsBefore, server.RequestCount())
            << c.config;
    }
}

TEST_F(CheckForUpdateTest, MissingConfigFileIsIncomplete) {
    TempDir empty;
    UpdateInfo info;
    std::wstring report;
    EXPECT_EQ(-2, CheckForUpdate(info, report, empty.path()));
    EXPECT_EQ(L"本地配置信息有错误！", report);
}

TEST_F(CheckForUpdateTest, OfferTextShowsBothVersionsSizeAndDescription) {
    struct Case {
        std::string descriptor;
        std::wstring offer;
    };
    const Case cases[] = {
        {Descriptor("1.0.0.2"), L"当前版本：1.0.0.1\r\n\r\n最新版本：1.0.0.2\r\n文件大小：3.2 "
                                L"MB\r\n更新描述：\r\nA\r\nB\r\n\r\n"},
        {Descriptor("2.0", "<size>13107200</size>", "<comments/>"),
         L"当前版本：1.0.0.1\r\n\r\n最新版本：2.0\r\n文件大小：13107200\r\n更新描述：\r\n\r\n"},
        {Descriptor("1.0.0.10", "<size>12.5 MB</size>", "<comments>only text</comments>"),
         L"当前版本：1.0.0.1\r\n\r\n最新版本：1.0.0.10\r\n文件大小：12.5 MB"
         L"\r\n更新描述：\r\nonly text\r\n\r\n"},
        // The descriptor is read in the ANSI code page (936 for these tests).
        {Descriptor("1.1", "<size>1 MB</size>",
                    "<comments><l>\xD0\xDE\xB8\xB4\xB4\xED\xCE\xF3</l></comments>"),
         L"当前版本：1.0.0.1\r\n\r\n最新版本：1.1\r\n文件大小：1 "
         L"MB\r\n更新描述：\r\n修复错误\r\n\r\n"},
    };
    for (const auto& c : cases) {
        server.SetRoute("/offer.xml", HttpRoute::Text(c.descriptor));
        const std::wstring directory = Config("version=1.0.0.1\r\nupdate=" + Url("/offer.xml"));
        UpdateInfo info;
        std::wstring report = L"left over";
        EXPECT_EQ(1, CheckForUpdate(info, report, directory)) << c.descriptor;
        EXPECT_EQ(c.offer, report) << c.descriptor;
    }
}

TEST_F(CheckForUpdateTest, ReadsConfigBesideTheExecutableByDefault) {
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring config = exe;
    config.erase(config.rfind(L'\\') + 1);
    config += L"config.ini";
    ASSERT_TRUE(WriteFileBytes(config, "[main]\r\nversion=1.0.0.1\r\nupdate=" + Url("/v1001.xml") +
                                           "\r\n"));
    UpdateInfo info;
    std::wstring report;
    const int result = CheckForUpdate(info, report);
    DeleteFileW(config.c_str());
    EXPECT_EQ(0, result);
    EXPECT_EQ(L"当前已经是最新版本了！", report);
}

TEST_F(CheckForUpdateTest, EvaluateFillsTheRecordForTheInstaller) {
    const LocalConfig config(Config("version=1.0.0.1\r\nupdate=" + Url("/v1002.xml")));
    UpdateInfo info;
    EXPECT_EQ(1, EvaluateUpdate(config, info));
    EXPECT_EQ(L"1.0.0.2", info.ver);
    EXPECT_EQ(L"http://127.0.0.1/setup.exe", info.url);
    EXPECT_EQ(L"3.2 MB", info.size);
    EXPECT_EQ(L"A\r\nB\r\n", info.comments);
}

} // namespace
} // namespace updater

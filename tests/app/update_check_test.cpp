// config.ini and a descriptor on the loopback server in, result and report text out.

#include "app/update_check.h"

#include "support/loopback_server.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace updater {
namespace {

using testing_support::Publish;
using testing_support::ServerUrl;

constexpr wchar_t kUpToDate[] = L"当前已经是最新版本了！";
constexpr wchar_t kConfigError[] = L"本地配置信息有错误！";
constexpr wchar_t kCannotConnect[] = L"无法连接远程服务器！请检查连接！";
constexpr wchar_t kUnusable[] = L"远程升级信息配置有错误！";

constexpr char kSizeAndComments[] = "<size>3.2 MB</size><comments><l>A</l><l>B</l></comments>";

std::string Descriptor(const std::string& ver, const std::string& rest = kSizeAndComments,
                       const std::string& url = "http://127.0.0.1/setup.exe") {
    return "<?xml version=\"1.0\"?><update><ver>" + ver + "</ver><url>" + url + "</url>" + rest +
           "</update>";
}

std::string At(const std::string& path) {
    return testing_support::ToAnsi(ServerUrl(path));
}

struct CheckCase {
    const char* name;
    std::string configLines; // after "[main]"
    int result;
    std::wstring report;
    std::wstring url{}; // the setup program's address, when checked
};

void ExpectCheck(const CheckCase& c) {
    SCOPED_TRACE(c.name);
    testing_support::TempDir folder;
    ASSERT_TRUE(
        testing_support::WriteFileBytes(folder.File(L"config.ini"), "[main]\r\n" + c.configLines));
    UpdateInfo info;
    std::wstring report = L"left over";
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(c.result, CheckForUpdate(info, report, folder.path()));
    EXPECT_EQ(c.report, report);
    if (!c.url.empty()) {
        EXPECT_EQ(c.url, info.url);
    }
    // The user waits for the check: however the server behaves, it ends within 35 s.
    EXPECT_LT(GetTickCount64() - start, 35000u);
}

TEST(CheckForUpdate, ReportsEachOutcomeWithItsText) {
    const std::string newer = At(Publish("v1002.xml", Descriptor("1.0.0.2")));
    const std::string same = At(Publish("v1001.xml", Descriptor("1.0.0.1")));
    const std::wstring offer = L"当前版本：1.0.0.1\r\n\r\n最新版本：1.0.0.2\r\n文件大小：3.2 MB\r\n"
                               L"更新描述：\r\nA\r\nB\r\n\r\n";
    // Relative setup addresses stand beside the descriptor's final address, query-only ones
    // included.
    const std::string beside =
        Publish("beside.xml", Descriptor("1.0.0.2", kSizeAndComments, "s.exe"));
    const std::string query = Publish("query.xml", Descriptor("1.0.0.2", kSizeAndComments, "?x=1"));
    std::string big = Descriptor("2.0", "<size>1</size><comments>x</comments>");
    big.insert(big.size() - 9, std::string(1024 * 1024 + 1 - big.size(), ' '));
    // A well-formed, valid document type: only refusing document types keeps it out.
    const std::string dtd =
        "<?xml version=\"1.0\"?><!DOCTYPE update [<!ELEMENT update ANY><!ELEMENT ver ANY>"
        "<!ELEMENT url ANY><!ELEMENT size ANY><!ELEMENT comments ANY><!ENTITY a \"" +
        std::string(1000, 'a') + "\">]>" +
        Descriptor("2.0", "<size>1</size><comments>&a;&a;&a;</comments>").substr(21);
    const CheckCase cases[] = {
        {"newer", "version=1.0.0.1\r\nupdate=" + newer, 1, offer},
        {"relative address after a redirect",
         "version=1.0.0.1\r\nupdate=" + At("/redirect-to?url=" + At(beside)), 1, offer,
         ServerUrl("/files/s.exe")},
        {"query-only address", "version=1.0.0.1\r\nupdate=" + At(query), 1, offer,
         ServerUrl(query + "?x=1")},
        {"same", "version=1.0.0.1\r\nupdate=" + same, 0, kUpToDate},
        {"installed is newer", "version=1.0.0.2\r\nupdate=" + same, -1, kUpToDate},
        {"no version", "update=" + newer, -2, kConfigError},
        {"no update", "version=1.0.0.1\r\n", -2, kConfigError},
        {"refused",
         "version=1.0\r\nupdate=" + testing_support::ToAnsi(testing_support::RefusedUrl("/d.xml")),
         -3, kCannotConnect},
        // An error page is no descriptor of the vendor's: the server could not be used. A
        // descriptor is used whatever the status it comes with.
        {"404 page", "version=1.0\r\nupdate=" + At("/status/404"), -3, kCannotConnect},
        {"400 page", "version=1.0\r\nupdate=" + At("/status/400"), -3, kCannotConnect},
        {"503 HTML page",
         "version=1.0\r\nupdate=" +
             At(Publish("busy.html", "<html><body>Service Unavailable</body></html>") +
                "?status=503"),
         -3, kCannotConnect},
        {"descriptor with status 500", "version=1.0.0.1\r\nupdate=" + same + "?status=500", 0,
         kUpToDate},
        {"a 2,000-character address",
         "version=1.0.0.1\r\nupdate=" + same + "?pad=" + std::string(1940, 'p'), 0, kUpToDate},
        {"no size", "version=1.0\r\nupdate=" + At(Publish("nosize.xml", Descriptor("2", ""))), -4,
         kUnusable},
        {"CR LF in the address",
         "version=1.0\r\nupdate=" + At("/update.xml%0D%0AX-Injected:%20yes"), -3, kCannotConnect},
        {"silent server", "version=1.0\r\nupdate=" + At("/silent"), -3, kCannotConnect},
        {"silent after its headers", "version=1.0\r\nupdate=" + At("/silent-headers"), -3,
         kCannotConnect},
        {"silent mid-body", "version=1.0\r\nupdate=" + At("/bytes/100000?stall=3000"), -3,
         kCannotConnect},
        {"1 MiB and one byte", "version=1.0\r\nupdate=" + At(Publish("big.xml", big)), -4,
         kUnusable},
        {"document type with an entity", "version=1.0\r\nupdate=" + At(Publish("dtd.xml", dtd)), -4,
         kUnusable},
    };
    for (const auto& c : cases) {
        ExpectCheck(c);
    }
}

} // namespace
} // namespace updater

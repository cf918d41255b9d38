// config.ini and a descriptor on the loopback server in, result and report text out.

#include "app/update_check.h"

#include "support/loopback_server.h"
#include "support/temp_dir.h"
#include "tools/publish/signing_key.h"

#include <gtest/gtest.h>

#include <cstdio>
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

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
}

// The vendor's key and another one, made for the run.
const SigningKey& Key(bool vendor) {
    static SigningKey keys[2];
    static const bool made = keys[0].Generate() && keys[1].Generate();
    EXPECT_TRUE(made);
    return keys[vendor ? 0 : 1];
}

// Signed as updater-publish signs it.
std::string Signed(std::string descriptor, bool vendor = true) {
    EXPECT_TRUE(SignDescriptor(Key(vendor), descriptor));
    return descriptor;
}

// ASCII text in UTF-16 after its byte order mark.
std::string Utf16(const std::string& text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char c : text) {
        bytes += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    }
    return bytes;
}

// UTC `hours` from now, as <expires> holds it.
std::string UtcIn(int hours) {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER ticks{{now.dwLowDateTime, now.dwHighDateTime}};
    ticks.QuadPart += hours * 36000000000LL;
    const FILETIME moment{ticks.LowPart, ticks.HighPart};
    SYSTEMTIME time{};
    FileTimeToSystemTime(&moment, &time);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02uZ", time.wYear, time.wMonth,
                  time.wDay, time.wHour, time.wMinute, time.wSecond);
    return text;
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
    // The same descriptor with a <sha256>, signed or not, and config.ini with the vendor's key.
    const std::string checked = Descriptor("1.0.0.2", std::string(kSizeAndComments) + "<sha256>" +
                                                          std::string(64, 'a') + "</sha256>");
    const std::string signedChecked = Signed(checked);
    const auto with = [](const std::string& descriptor,
                         const std::string& lines = "signeddescriptor=1") {
        return "version=1.0.0.1\r\nupdate=" + At(Publish("d.xml", descriptor)) +
               "\r\npublickey=" + testing_support::ToAnsi(EncodePublicKey(Key(true).Public())) +
               "\r\n" + lines;
    };
    std::string moved = checked;
    moved.insert(moved.find("</update>"), signedChecked.substr(checked.size()));
    const auto element = [&](const std::string& xml, const std::string& lines) {
        return with(Replaced(checked, "<sha256>", xml + "<sha256>"), lines);
    };
    const CheckCase cases[] = {
        {"newer", "version=1.0.0.1\r\nupdate=" + newer, 1, offer},
        {"signed", with(signedChecked), 1, offer},
        {"signed, a byte of the notes changed", with(Replaced(signedChecked, "<l>A", "<l>C")), -4,
         kUnusable},
        {"signed, a byte of the version changed", with(Replaced(signedChecked, ".2<", ".3<")), -4,
         kUnusable},
        // Any changed byte of the mark leaves a text that does not parse; without it, it does.
        {"signed, its byte order mark removed", with(Signed("\xEF\xBB\xBF" + checked).substr(3)),
         -4, kUnusable},
        {"signature comment removed", with(checked), -4, kUnusable},
        {"signature comment moved before the end", with(moved), -4, kUnusable},
        {"signed with another key", with(Signed(checked, false)), -4, kUnusable},
        {"UTF-16 LE, signed", with(Signed(Utf16(checked, false))), 1, offer},
        {"UTF-16 BE, signed", with(Signed(Utf16(checked, true))), 1, offer},
        {"UTF-16 BE, a byte of the notes changed",
         with(Replaced(Signed(Utf16(checked, true)), "A", "C")), -4, kUnusable},
        {"signed, no <sha256>", with(Signed(Descriptor("1.0.0.2"))), -4, kUnusable},
        {"signeddescriptor=1 without a key",
         "version=1.0\r\nupdate=" + newer + "\r\nsigneddescriptor=1", -2, kConfigError},
        {"signeddescriptor=yes", with(signedChecked, "signeddescriptor=yes"), -2, kConfigError},
        {"signeddescriptor=0, wrong signature", with(Signed(checked, false), "signeddescriptor=0"),
         1, offer},
        {"expired an hour ago", element("<expires>" + UtcIn(-1) + "</expires>", ""), -4, kUnusable},
        {"expires in an hour", element("<expires>" + UtcIn(1) + "</expires>", ""), 1, offer},
        {"expiry without its Z", element("<expires>" + UtcIn(1).substr(0, 19) + "</expires>", ""),
         -4, kUnusable},
        {"this product", element("<product>Writer</product>", "product=Writer"), 1, offer},
        {"another product", element("<product>Reader</product>", "product=Writer"), -4, kUnusable},
        {"no product", element("", "product=Writer"), -4, kUnusable},
        // The setup program's command line: bounded, one line.
        {"arguments of 1,024 characters",
         element("<args>" + std::string(1024, 'a') + "</args>", ""), 1, offer},
        {"arguments of 1,025 characters",
         element("<args>" + std::string(1025, 'a') + "</args>", ""), -4, kUnusable},
        {"arguments with a line break", element("<args>/S&#10;/x</args>", ""), -4, kUnusable},
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

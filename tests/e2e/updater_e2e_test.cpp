// The real updater.exe, run as a user runs it: every outcome judged by its windows, its texts
// and its whole 32-bit exit code.

#include "support/child_process.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"
#include "support/window_probe.h"

#include <commctrl.h>
#include <psapi.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

namespace testing_support {
namespace {

constexpr DWORD kExitTimeoutMs = 60000;
constexpr wchar_t kNotice[] = L"提示";
constexpr wchar_t kError[] = L"错误";
constexpr wchar_t kUpToDate[] = L"当前已经是最新版本了！";
constexpr wchar_t kOfferCaption[] = L"发现新版本！是否立即升级？";
constexpr wchar_t kProgressCaption[] = L"正在升级，请稍候......";
constexpr wchar_t kConfirmCaption[] = L"取消升级";
constexpr wchar_t kUpgradeFailed[] = L"升级失败,请稍候尝试！";
constexpr int kOfferTextId = 1000, kProgressBarId = 1001, kHeaderId = 1002, kLinkId = 1003;

std::wstring WindowsPath(const char* compiledPath) {
    std::wstring path(compiledPath, compiledPath + strlen(compiledPath));
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

std::string SetupProgram() {
    static const std::string program = ReadFileBytes(WindowsPath(FAKE_SETUP_EXE_PATH));
    return program;
}

// One installation: a folder with a copy of updater.exe and its config.ini, and a private
// temporary folder where the setup program is saved.
class Installation {
public:
    Installation() {
        CreateDirectoryW(root_.File(L"app").c_str(), nullptr);
        CreateDirectoryW(root_.File(L"tmp").c_str(), nullptr);
        if (!CopyFileW(WindowsPath(UPDATER_EXE_PATH).c_str(), Exe().c_str(), FALSE)) {
            throw std::runtime_error("cannot copy updater.exe");
        }
    }

    void WriteConfig(const std::string& lines) {
        WriteFileBytes(root_.File(L"app\\config.ini"), "[main]\r\n" + lines);
    }
    // A descriptor of version `ver` whose setup program is served at `setupPath`.
    void
    Publish(const std::string& ver, const std::string& setupPath,
            const std::string& installed = "1.0.0.1",
            const std::wstring& comments = L"<line>修复了若干问题</line><line>新增自动保存</line>",
            std::wstring (*descriptorAt)(const std::string&) = ServerUrl,
            std::wstring (*setupAt)(const std::string&) = ServerUrl) {
        std::wstring url = setupAt(setupPath);
        for (size_t at = url.find(L'&'); at != std::wstring::npos; at = url.find(L'&', at + 1)) {
            url.insert(at + 1, L"amp;");
        }
        const std::wstring xml = L"<?xml version=\"1.0\"?><update><ver>" +
                                 std::wstring(ver.begin(), ver.end()) + L"</ver><url>" + url +
                                 L"</url><size>1.5 MB</size><comments>" + comments +
                                 L"</comments></update>";
        WriteConfig("version=" + installed + "\r\nupdate=" +
                    ToAnsi(descriptorAt(testing_support::Publish("update.xml", ToAnsi(xml)))) +
                    "\r\n");
    }

    std::unique_ptr<ChildProcess> Start(const std::wstring& arguments = L"") const {
        // Not the exe's folder: config.ini is found beside the exe anyway.
        return std::make_unique<ChildProcess>(Exe(), arguments, root_.File(L"tmp"),
                                              root_.File(L"tmp"));
    }
    // Where a setup program published as ".../<name>" is saved, and the marker it leaves.
    std::wstring Saved(const std::string& setupPath) const {
        const std::string path = setupPath.substr(0, setupPath.find('?'));
        const std::string name = path.substr(path.rfind('/') + 1);
        return root_.File(L"tmp\\" + std::wstring(name.begin(), name.end()));
    }
    std::wstring Marker(const std::string& setupPath) const {
        return Saved(setupPath) + L".started";
    }

private:
    std::wstring Exe() const { return root_.File(L"app\\updater.exe"); }
    TempDir root_;
};

DWORD ExitCodeOf(ChildProcess& process) {
    DWORD code = 0xBAD;
    EXPECT_TRUE(process.WaitForExit(kExitTimeoutMs, code)) << "the updater did not end";
    return code;
}

// Waits for a message box, checks its text and presses OK.
void AnswerBox(ChildProcess& process, const std::wstring& caption, const std::wstring& text) {
    HWND box = WaitForWindow(process.id(), caption);
    ASSERT_NE(nullptr, box) << "no box captioned " << testing::PrintToString(caption);
    EXPECT_EQ(text, MessageBoxText(box));
    PressButton(box, IDOK);
}

TEST(UpdaterEndToEnd, CheckOutcomesEndInTheirBoxAndExitCode) {
    const std::string current = "/files/none.exe";
    struct Case {
        const char* name;
        std::string config; // empty: the descriptor published with `installed`
        std::string installed;
        std::wstring arguments;
        const wchar_t* caption;
        const wchar_t* text;
        int exitCode;
    };
    const Case cases[] = {
        {"up to date", "", "2.0", L"", kNotice, kUpToDate, 0},
        {"arguments ignored", "", "2.0", L"/silent --force x.ini", kNotice, kUpToDate, 0},
        {"installed newer", "", "3.0", L"", kNotice, kUpToDate, -1},
        {"no installed version", "update=" + ToAnsi(ServerUrl("/status/404")), "", L"", kError,
         L"本地配置信息有错误！", -2},
        {"server unreachable", "version=1.0\r\nupdate=" + ToAnsi(RefusedUrl("/u.xml")), "", L"",
         kError, L"无法连接远程服务器！请检查连接！", -3},
        {"descriptor missing (404 page)",
         "version=1.0\r\nupdate=" + ToAnsi(ServerUrl("/status/404")), "", L"", kError,
         L"远程升级信息配置有错误！", -4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Installation app;
        if (c.config.empty()) {
            app.Publish("2.0", current, c.installed);
        } else {
            app.WriteConfig(c.config);
        }
        auto process = app.Start(c.arguments);
        AnswerBox(*process, c.caption, c.text);
        EXPECT_EQ(static_cast<DWORD>(c.exitCode), ExitCodeOf(*process));
    }
}

// Runs up to the offer dialog with the stand-in setup program published (or `setupPath`).
struct OfferRun {
    explicit OfferRun(const std::string& setup = Publish("setup_2.0.exe", SetupProgram()))
        : setupPath(setup) {
        app.Publish("2.0.0.0", setupPath);
        process = app.Start();
        offer = WaitForWindow(process->id(), kOfferCaption);
        EXPECT_NE(nullptr, offer) << "the offer dialog did not appear";
    }
    HWND Accept() {
        PressKey(offer, VK_RETURN);
        return WaitForWindow(process->id(), kProgressCaption);
    }

    std::string setupPath;
    Installation app;
    std::unique_ptr<ChildProcess> process;
    HWND offer = nullptr;
};

TEST(UpdaterEndToEnd, OfferShowsVersionsSizeAndDescriptionInTheForeground) {
    OfferRun run;
    ASSERT_NE(nullptr, run.offer);
    std::wstring text = ControlText(run.offer, kOfferTextId);
    text.erase(std::remove(text.begin(), text.end(), L'\n'), text.end());
    EXPECT_EQ(L"当前版本：1.0.0.1\r\r最新版本：2.0.0.0\r文件大小：1.5 MB\r更新描述：\r"
              L"修复了若干问题\r新增自动保存\r\r",
              text);
    EXPECT_EQ(kOfferCaption, ControlText(run.offer, kHeaderId));
    EXPECT_EQ(L"立即升级", ControlText(run.offer, IDOK));
    EXPECT_EQ(L"暂不升级", ControlText(run.offer, kLinkId));
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == run.offer; }));
    PressKey(run.offer, VK_ESCAPE);
    EXPECT_EQ(2u, ExitCodeOf(*run.process));
}

// wine's rich-edit box needs seconds and gigabytes for one long line: the offer shows a bounded
// text at once, whatever the descriptor holds within its 1 MiB.
TEST(UpdaterEndToEnd, OfferOfADescriptorWithOneHugeLineAppearsAtOnce) {
    Installation app;
    std::wstring lines;
    for (int i = 0; i < 60; ++i) {
        lines += L"<line>第" + std::to_wstring(i) + L"行</line>";
    }
    app.Publish("2.0", "/files/none.exe", "1.0",
                L"<line>" + std::wstring(1000000, L'x') + L"</line>" + lines);
    const ULONGLONG start = GetTickCount64();
    auto process = app.Start();
    HWND offer = WaitForWindow(process->id(), kOfferCaption, 20000);
    ASSERT_NE(nullptr, offer);
    PROCESS_MEMORY_COUNTERS memory{};
    GetProcessMemoryInfo(process->handle(), &memory, sizeof(memory));
    std::printf("offer after %llu ms, peak working set %zu MB\n", GetTickCount64() - start,
                memory.PeakWorkingSetSize >> 20);
    EXPECT_LT(memory.PeakWorkingSetSize, 100u << 20);
    EXPECT_NE(std::wstring::npos, ControlText(offer, kOfferTextId).find(L"x……"));
    EXPECT_EQ(0, SendMessageW(GetDlgItem(offer, kOfferTextId), EM_GETFIRSTVISIBLELINE, 0, 0))
        << "the versions at the top are in view";
    PressKey(offer, VK_ESCAPE);
    EXPECT_EQ(2u, ExitCodeOf(*process));
}

TEST(UpdaterEndToEnd, OfferAnswers) {
    struct Case {
        const char* name;
        void (*answer)(HWND offer);
        DWORD exitCode;
        bool started;
    };
    const Case cases[] = {
        {"Esc", [](HWND offer) { PressKey(offer, VK_ESCAPE); }, 2, false},
        {"close box", [](HWND offer) { CloseFromCaption(offer); }, 2, false},
        {"not now", [](HWND offer) { ClickAt(GetDlgItem(offer, kLinkId), 3, 3); }, 1003, false},
        {"upgrade now", [](HWND offer) { PressKey(offer, VK_RETURN); }, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OfferRun run;
        ASSERT_NE(nullptr, run.offer);
        c.answer(run.offer);
        EXPECT_EQ(c.exitCode, ExitCodeOf(*run.process));
        EXPECT_EQ(c.started, FileExists(run.app.Saved(run.setupPath)));
        // The setup program runs on after the updater has ended.
        EXPECT_EQ(c.started, WaitUntil([&] { return FileExists(run.app.Marker(run.setupPath)); },
                                       c.started ? kWindowTimeoutMs : 0));
    }
}

TEST(UpdaterEndToEnd, DownloadThatBringsNoSetupProgramFails) {
    struct Case {
        const char* name;
        std::string setupPath;
        int exitCode;
    };
    const Case cases[] = {
        {"answer without data", "/empty", -2},
        {"error status", "/status/404", -1},
        {"connection cut short", "/bytes/200000?cut=100000", -1},
        {"server silent mid-body", "/bytes/200000?stall=16384", -1},
        {"redirect loop", "/redirect-loop", -1},
        {"CR LF in the address", "/files/s.exe%0D%0AX-Injected:%20yes", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OfferRun run(c.setupPath);
        ASSERT_NE(nullptr, run.offer);
        PressKey(run.offer, VK_RETURN);
        AnswerBox(*run.process, kError, kUpgradeFailed);
        EXPECT_EQ(static_cast<DWORD>(c.exitCode), ExitCodeOf(*run.process));
        EXPECT_FALSE(FileExists(run.app.Saved(c.setupPath)));
    }
}

std::wstring Trusted(const std::string& path) {
    return SecureUrl(path, true);
}
std::wstring Untrusted(const std::string& path) {
    return SecureUrl(path, false);
}

TEST(UpdaterEndToEnd, HttpsWorksWithATrustedCertificateOnly) {
    struct Case {
        const char* name;
        std::wstring (*descriptorAt)(const std::string&);
        std::wstring (*setupAt)(const std::string&);
        const wchar_t* box; // null: the setup program is started
        int exitCode;
    };
    const Case cases[] = {
        {"trusted", Trusted, Trusted, nullptr, 0},
        {"untrusted descriptor", Untrusted, Trusted, L"无法连接远程服务器！请检查连接！", -3},
        {"untrusted setup program", Trusted, Untrusted, kUpgradeFailed, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Installation app;
        const std::string setup = Publish("setup_2.0.exe", SetupProgram());
        app.Publish("2.0", setup, "1.0", L"<line>安全</line>", c.descriptorAt, c.setupAt);
        auto process = app.Start();
        if (c.descriptorAt == Trusted) {
            HWND offer = WaitForWindow(process->id(), kOfferCaption);
            ASSERT_NE(nullptr, offer);
            PressKey(offer, VK_RETURN);
        }
        if (c.box != nullptr) {
            AnswerBox(*process, kError, c.box);
        }
        EXPECT_EQ(static_cast<DWORD>(c.exitCode), ExitCodeOf(*process));
        EXPECT_EQ(c.box == nullptr, WaitUntil([&] { return FileExists(app.Marker(setup)); },
                                              c.box == nullptr ? kWindowTimeoutMs : 0));
    }
}

// Replaces the text of the first <name> element, or removes the element.
std::string WithElement(std::string xml, const std::string& name, const std::string& text,
                        bool remove = false) {
    const size_t start = xml.find("<" + name + ">");
    const size_t end = xml.find("</" + name + ">");
    if (start == std::string::npos || end == std::string::npos) {
        return xml;
    }
    return remove ? xml.erase(start, end + name.size() + 3 - start)
                  : xml.replace(start + name.size() + 2, end - start - name.size() - 2, text);
}

// The vendor's update as scripts/make-key and scripts/make-descriptor made it (see
// start_test_server.sh), and variants of it.
TEST(UpdaterEndToEnd, OnlyASetupProgramThatMatchesItsChecksumAndSignatureIsStarted) {
    const std::string key = ServedFile("publickey.txt");
    const std::string signedXml = ServedFile("vendor-setup.xml");
    const std::string other = ServedFile("vendor-other.xml");
    const size_t start = other.find("<signature>") + 11;
    const std::string otherSignature = other.substr(start, other.find("</signature>") - start);
    struct Case {
        const char* name;
        std::string configKey; // the publickey line's value; empty: none
        std::string descriptor;
        int exitCode; // 0: started
    };
    const Case cases[] = {
        {"signed", key, signedXml, 0},
        {"one byte changed", key, ServedFile("vendor-tampered.xml"), -1},
        {"signature of another file", key, WithElement(signedXml, "signature", otherSignature), -1},
        {"signature missing", key, WithElement(signedXml, "signature", "", true), -1},
        {"signature not base64", key, WithElement(signedXml, "signature", "not*base64"), -1},
        {"no key, checksum right", "", WithElement(signedXml, "signature", "", true), 0},
        {"no key, checksum wrong", "", WithElement(signedXml, "sha256", std::string(64, '0')), -1},
        {"malformed key", "AAAA" + key.substr(4), signedXml, -2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Installation app;
        const std::string descriptor = Publish("vendor.xml", c.descriptor);
        app.WriteConfig("version=1.0\r\nupdate=" + ToAnsi(ServerUrl(descriptor)) + "\r\n" +
                        (c.configKey.empty() ? "" : "publickey=" + c.configKey + "\r\n"));
        auto process = app.Start();
        if (c.exitCode == -2) {
            AnswerBox(*process, kError, L"本地配置信息有错误！");
        } else {
            HWND offer = WaitForWindow(process->id(), kOfferCaption);
            ASSERT_NE(nullptr, offer);
            EXPECT_NE(std::wstring::npos,
                      ControlText(offer, kOfferTextId).find(L"修复：签名的安装程序"));
            PressKey(offer, VK_RETURN);
            if (c.exitCode != 0) {
                AnswerBox(*process, kError, kUpgradeFailed);
            }
        }
        EXPECT_EQ(static_cast<DWORD>(c.exitCode), ExitCodeOf(*process));
        const std::string setup = c.descriptor.find("vendor-tampered") != std::string::npos
                                      ? "/vendor-tampered.exe"
                                      : "/vendor-setup.exe";
        EXPECT_EQ(c.exitCode == 0, FileExists(app.Saved(setup))) << "a rejected file is deleted";
        EXPECT_EQ(c.exitCode == 0, WaitUntil([&] { return FileExists(app.Marker(setup)); },
                                             c.exitCode == 0 ? kWindowTimeoutMs : 0));
    }
}

// The server holds the download back until released: a confirmed cancel must not wait for it.
TEST(UpdaterEndToEnd, CancelAsksAndOnlyAConfirmedCancelStopsTheDownload) {
    for (const int answer : {IDOK, IDCANCEL}) {
        SCOPED_TRACE(answer == IDOK ? "confirmed" : "declined");
        const std::string key =
            std::to_string(GetCurrentProcessId()) + "-" + std::to_string(answer);
        OfferRun run(Publish("setup_2.0.exe", SetupProgram()) + "?hold=16384&key=" + key);
        ASSERT_NE(nullptr, run.offer);
        HWND progress = run.Accept();
        ASSERT_NE(nullptr, progress);
        EXPECT_TRUE(WaitUntil([&] {
            return SendMessageW(GetDlgItem(progress, kProgressBarId), PBM_GETPOS, 0, 0) > 0;
        })) << "the download is under way";
        CloseFromCaption(progress);
        HWND box = WaitForWindow(run.process->id(), kConfirmCaption);
        ASSERT_NE(nullptr, box);
        EXPECT_EQ(L"正在升级！您确定要取消升级吗？", MessageBoxText(box));
        PressButton(box, answer);
        if (answer == IDOK) {
            // Closing again while the cancel takes effect changes nothing.
            CloseFromCaption(progress);
            // Well below the transfer's own time-out: the blocked read is not waited out.
            HWND failed = WaitForWindow(run.process->id(), kError, 8000);
            ASSERT_NE(nullptr, failed) << "the cancel waited for the server";
            // A process that shows only its result box does not keep a new start from updating.
            Installation other;
            other.Publish("2.0.0.0", "/files/none.exe");
            auto second = other.Start();
            HWND offer = WaitForWindow(second->id(), kOfferCaption);
            EXPECT_NE(nullptr, offer) << "the second start was refused";
            PressKey(offer, VK_ESCAPE);
            EXPECT_EQ(2u, ExitCodeOf(*second));
            EXPECT_EQ(kUpgradeFailed, MessageBoxText(failed));
            PressButton(failed, IDOK);
        } else {
            Fetch("/release/" + key);
        }
        EXPECT_EQ(answer == IDOK ? static_cast<DWORD>(-1) : 0u, ExitCodeOf(*run.process));
        EXPECT_EQ(answer != IDOK, FileExists(run.app.Saved(run.setupPath)));
        Fetch("/release/" + key);
    }
}

TEST(UpdaterEndToEnd, SecondStartBringsTheOpenDialogForwardAndEndsWith100) {
    for (const bool downloading : {false, true}) {
        SCOPED_TRACE(downloading ? "progress dialog" : "offer dialog");
        const std::string key =
            std::to_string(GetCurrentProcessId()) + "-second-" + std::to_string(downloading);
        OfferRun run(Publish("setup_2.0.exe", SetupProgram()) + "?hold=16384&key=" + key);
        ASSERT_NE(nullptr, run.offer);
        const HWND shown = downloading ? run.Accept() : run.offer;
        ASSERT_NE(nullptr, shown);
        // Something else is in front first.
        const HWND other = CreateWindowExW(0, L"STATIC", L"elsewhere", WS_POPUP | WS_VISIBLE, 0, 0,
                                           200, 100, nullptr, nullptr, nullptr, nullptr);
        SetForegroundWindow(other);
        auto second = run.app.Start();
        EXPECT_EQ(100u, ExitCodeOf(*second));
        EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == shown; }));
        DestroyWindow(other);
        Fetch("/release/" + key);
        if (!downloading) {
            PressKey(run.offer, VK_ESCAPE);
        }
        EXPECT_EQ(downloading ? 0u : 2u, ExitCodeOf(*run.process));
    }
}

TEST(UpdaterEndToEnd, SecondStartWhileAResultBoxIsShownRunsItsOwnCheck) {
    Installation app;
    app.WriteConfig("version=1.0\r\n");
    auto first = app.Start();
    HWND firstBox = WaitForWindow(first->id(), kError);
    ASSERT_NE(nullptr, firstBox);
    auto second = app.Start();
    AnswerBox(*second, kError, L"本地配置信息有错误！");
    EXPECT_EQ(static_cast<DWORD>(-2), ExitCodeOf(*second));
    PressButton(firstBox, IDOK);
    EXPECT_EQ(static_cast<DWORD>(-2), ExitCodeOf(*first));
}

TEST(UpdaterEndToEnd, ExeCarriesIconVersionAndManifest) {
    const HMODULE exe =
        LoadLibraryExW(WindowsPath(UPDATER_EXE_PATH).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, exe);
    EXPECT_NE(nullptr, FindResourceW(exe, MAKEINTRESOURCEW(128), RT_GROUP_ICON));
    EXPECT_NE(nullptr, FindResourceW(exe, MAKEINTRESOURCEW(1), RT_VERSION));
    EXPECT_NE(nullptr, FindResourceW(exe, MAKEINTRESOURCEW(1), RT_MANIFEST));
    FreeLibrary(exe);
}

} // namespace
} // namespace testing_support

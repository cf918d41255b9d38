// The real updater.exe, run as a user runs it: every outcome judged by its windows, its texts
// and its whole 32-bit exit code.

#include "common/unique_handle.h"
#include "log/run_log.h"
#include "update/sha256.h"
#include "support/child_process.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"
#include "support/window_probe.h"

#include <commctrl.h>
#include <psapi.h>
#include <richedit.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

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

std::wstring Widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
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
    ~Installation() { DeleteFileW(LogPath().c_str()); }
    // The run log the updater of this installation writes for support.
    std::wstring LogPath() const { return updater::RunLogPath(root_.File(L"app")); }

    void WriteConfig(const std::string& lines) {
        WriteFileBytes(root_.File(L"app\\config.ini"), "[main]\r\n" + lines);
    }
    std::unique_ptr<ChildProcess> Start(const std::wstring& arguments = L"",
                                        bool suspended = false) const {
        // Not the exe's folder: config.ini is found beside the exe anyway.
        return std::make_unique<ChildProcess>(Exe(), arguments, root_.File(L"tmp"),
                                              root_.File(L"tmp"), suspended);
    }
    // The files under the temporary folder, its subfolders' included: what a run left there.
    std::vector<std::wstring> FilesInTemp(const std::wstring& under = L"") const {
        std::vector<std::wstring> files;
        WIN32_FIND_DATAW found{};
        const std::wstring folder = under.empty() ? root_.File(L"tmp") : under;
        const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
        for (BOOL more = search != INVALID_HANDLE_VALUE; more;
             more = FindNextFileW(search, &found)) {
            const std::wstring path = folder + L"\\" + found.cFileName;
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                files.push_back(path);
            } else if (found.cFileName[0] != L'.') {
                const std::vector<std::wstring> inner = FilesInTemp(path);
                files.insert(files.end(), inner.begin(), inner.end());
            }
        }
        FindClose(search);
        return files;
    }
    // Where a setup program published as ".../<name>" was saved (in a folder of the run's
    // own, under the name or, shortened to fit the path, its start), or empty.
    std::wstring Saved(const std::string& setupPath) const {
        const std::string path = setupPath.substr(0, setupPath.find('?'));
        const std::wstring name = L"\\" + Widen(path.substr(path.rfind('/') + 1)).substr(0, 100);
        for (const std::wstring& file : FilesInTemp()) {
            const size_t at = file.rfind(L'\\');
            if (file.compare(at, name.size(), name) == 0 &&
                file.find(L"\\updater-download-") != std::wstring::npos &&
                file.find(L".started") == std::wstring::npos) {
                return file;
            }
        }
        return L"";
    }
    // The folders directly in the temporary folder.
    std::vector<std::wstring> FoldersInTemp() const {
        std::vector<std::wstring> folders;
        WIN32_FIND_DATAW found{};
        const HANDLE search = FindFirstFileW((root_.File(L"tmp") + L"\\*").c_str(), &found);
        for (BOOL more = search != INVALID_HANDLE_VALUE; more;
             more = FindNextFileW(search, &found)) {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && found.cFileName[0] != L'.') {
                folders.push_back(found.cFileName);
            }
        }
        FindClose(search);
        std::sort(folders.begin(), folders.end());
        return folders;
    }
    std::wstring Temp(const std::wstring& name) const { return root_.File(L"tmp\\" + name); }

private:
    std::wstring Exe() const { return root_.File(L"app\\updater.exe"); }
    TempDir root_;
};

using UrlOf = std::wstring (*)(const std::string& path);
std::wstring Trusted(const std::string& path) {
    return SecureUrl(path, true);
}
std::wstring Untrusted(const std::string& path) {
    return SecureUrl(path, false);
}
// As vendors write it beside their descriptor: the file name alone.
std::wstring Relative(const std::string& path) {
    const std::string name = path.substr(path.rfind('/') + 1);
    return std::wstring(name.begin(), name.end());
}

constexpr wchar_t kComments[] = L"<line>修复了若干问题</line><line>新增自动保存</line>";

// config.ini's lines for a descriptor of version 2.0.0.0 published at `descriptorAt`, whose
// setup program is `setupPath` at `setupAt`.
std::string Config(const std::string& setupPath, const std::string& installed = "1.0.0.1",
                   const std::wstring& comments = kComments, UrlOf descriptorAt = ServerUrl,
                   UrlOf setupAt = ServerUrl) {
    std::wstring url = setupAt(setupPath);
    for (size_t at = url.find(L'&'); at != std::wstring::npos; at = url.find(L'&', at + 1)) {
        url.insert(at + 1, L"amp;");
    }
    const std::wstring xml = L"<?xml version=\"1.0\"?><update><ver>2.0.0.0</ver><url>" + url +
                             L"</url><size>1.5 MB</size><comments>" + comments +
                             L"</comments></update>";
    return "version=" + installed +
           "\r\nupdate=" + ToAnsi(descriptorAt(Publish("update.xml", ToAnsi(xml)))) + "\r\n";
}

// A key of its own for each use of the server's counted options (cutat=).
std::string UniqueKey() {
    static int counter = 0;
    return "e2e-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
}

std::string SetupPath() {
    return Publish("setup_2.0.exe", SetupProgram());
}

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

void Escape(HWND offer) {
    PressKey(offer, VK_ESCAPE);
}
void Accept(HWND offer) {
    PressKey(offer, VK_RETURN);
}

// One run of the updater from start to end, as a user meets it.
struct Flow {
    const char* name;
    std::string config;     // config.ini's lines after [main]
    void (*answer)(HWND);   // what the user does with the offer; null: no offer comes
    const wchar_t* caption; // the box that ends the run; null: none
    const wchar_t* text;
    int exitCode;
    std::string setupPath = ""; // the setup program, if one is published
    bool started = false;       // it was saved and started (otherwise no file is left)
    std::wstring arguments = L"";
    std::wstring offerText = L"";   // checked when given, without its line feeds
    std::wstring startedWith = L""; // the setup program's command line holds this, when given
};

// The command line the stand-in setup program at `saved` was started with, as it recorded it.
std::wstring StartedWith(const std::wstring& saved) {
    const std::string recorded = ReadFileBytes(saved + L".started");
    return std::wstring(reinterpret_cast<const wchar_t*>(recorded.data()),
                        recorded.size() / sizeof(wchar_t));
}

// Before each run the temporary folder holds a planted DLL, a finished download of an earlier
// run, one whose setup program still runs (its file held open), and another program's folder
// named like the updater's.
void RunFlow(const Flow& flow) {
    SCOPED_TRACE(flow.name);
    Installation app;
    app.WriteConfig(flow.config);
    const std::wstring planted = app.Temp(L"version.dll"),
                       ended = app.Temp(L"updater-download-0000000000000001"),
                       running = app.Temp(L"updater-download-0000000000000002"),
                       foreign = app.Temp(L"updater-download-cache");
    for (const std::wstring& file : {planted, ended + L"\\setup_2.0.exe",
                                     running + L"\\setup_2.0.exe", foreign + L"\\index.dat"}) {
        CreateDirectoryW(file.substr(0, file.rfind(L'\\')).c_str(), nullptr);
        WriteFileBytes(file, "MZ");
    }
    const updater::UniqueFileHandle inUse(CreateFileW((running + L"\\setup_2.0.exe").c_str(),
                                                      GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                      OPEN_EXISTING, 0, nullptr));
    auto process = app.Start(flow.arguments);
    if (flow.answer != nullptr) {
        HWND offer = WaitForWindow(process->id(), kOfferCaption);
        ASSERT_NE(nullptr, offer) << "the offer dialog did not appear";
        EXPECT_EQ(L"立即升级", ControlText(offer, IDOK));
        EXPECT_EQ(L"暂不升级", ControlText(offer, kLinkId));
        if (!flow.offerText.empty()) {
            std::wstring text = ControlText(offer, kOfferTextId);
            text.erase(std::remove(text.begin(), text.end(), L'\n'), text.end());
            EXPECT_EQ(flow.offerText, text);
            EXPECT_EQ(kOfferCaption, ControlText(offer, kHeaderId));
            EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == offer; }));
        }
        flow.answer(offer);
    }
    if (flow.caption != nullptr) {
        AnswerBox(*process, flow.caption, flow.text);
    }
    EXPECT_EQ(static_cast<DWORD>(flow.exitCode), ExitCodeOf(*process));
    EXPECT_FALSE(FileExists(ended)) << "an earlier run's finished download is removed";
    EXPECT_TRUE(FileExists(running + L"\\setup_2.0.exe"));
    EXPECT_TRUE(FileExists(foreign + L"\\index.dat")) << "another program's folder is removed";
    const std::wstring saved = flow.setupPath.empty() ? L"" : app.Saved(flow.setupPath);
    EXPECT_EQ(flow.started, !saved.empty());
    std::vector<std::wstring> folders = {L"updater-download-0000000000000002",
                                         L"updater-download-cache"};
    if (flow.started) {
        // From a folder of its own, with nothing planted beside it; it runs on after the
        // updater has ended.
        EXPECT_TRUE(WaitUntil([&] { return FileExists(saved + L".started"); }));
        EXPECT_NE(std::wstring::npos, StartedWith(saved).find(flow.startedWith));
        EXPECT_EQ(2u, app.FilesInTemp(saved.substr(0, saved.rfind(L'\\'))).size());
        const size_t folder = saved.rfind(L'\\', saved.rfind(L'\\') - 1) + 1;
        folders.push_back(saved.substr(folder, saved.rfind(L'\\') - folder));
        std::sort(folders.begin(), folders.end());
    } else {
        EXPECT_EQ(3u, app.FilesInTemp().size()) << "the run left a file in TEMP";
    }
    EXPECT_EQ(folders, app.FoldersInTemp()) << "the run left a folder in TEMP";
}

TEST(UpdaterEndToEnd, FromTheCheckToTheStartedSetupProgram) {
    const std::string setup = SetupPath();
    const std::string page = Publish("setup_2.0.exe", "<html><body>Not Found</body></html>");
    const wchar_t* const configError = L"本地配置信息有错误！";
    const wchar_t* const cannotConnect = L"无法连接远程服务器！请检查连接！";
    // Names of about 150, 190 and 250 characters (the server's own prefix included).
    const auto publishLong = [](size_t length) {
        return Publish(std::string(length - 12, 'n') + ".exe", SetupProgram());
    };
    const std::string longName[] = {publishLong(150), publishLong(190), publishLong(250)};
    const Flow flows[] = {
        {"up to date", Config(setup, "2.0"), nullptr, kNotice, kUpToDate, 0},
        {"arguments ignored", Config(setup, "2.0"), nullptr, kNotice, kUpToDate, 0, "", false,
         L"/S --version 0.1 --update http://127.0.0.1:1/x /checks"},
        {"installed newer", Config(setup, "3.0"), nullptr, kNotice, kUpToDate, -1},
        {"no installed version", "update=" + ToAnsi(ServerUrl("/status/404")), nullptr, kError,
         configError, -2},
        {"server unreachable", "version=1.0\r\nupdate=" + ToAnsi(RefusedUrl("/u.xml")), nullptr,
         kError, cannotConnect, -3},
        {"descriptor missing (404 page)",
         "version=1.0\r\nupdate=" + ToAnsi(ServerUrl("/status/404")), nullptr, kError,
         cannotConnect, -3},
        {"unusable descriptor", "version=1.0\r\nupdate=" + ToAnsi(ServerUrl(page)), nullptr, kError,
         L"远程升级信息配置有错误！", -4},
        {"Esc", Config(setup), Escape, nullptr, nullptr, 2, setup, false, L"",
         L"当前版本：1.0.0.1\r\r最新版本：2.0.0.0\r文件大小：1.5 MB\r更新描述：\r"
         L"修复了若干问题\r新增自动保存\r\r"},
        {"close box", Config(setup), [](HWND offer) { CloseFromCaption(offer); }, nullptr, nullptr,
         2, setup},
        {"not now", Config(setup), [](HWND offer) { ClickAt(GetDlgItem(offer, kLinkId), 3, 3); },
         nullptr, nullptr, 1003, setup},
        {"upgrade now", Config(setup), Accept, nullptr, nullptr, 0, setup, true},
        {"relative address", Config(setup, "1.0", kComments, ServerUrl, Relative), Accept, nullptr,
         nullptr, 0, setup, true},
        // Saved under the run's folder in a temporary folder deep in the profile: a name too
        // long for the path is shortened, keeping its extension.
        {"a name of 150 characters", Config(longName[0]), Accept, nullptr, nullptr, 0, longName[0],
         true},
        {"a name of 190 characters", Config(longName[1]), Accept, nullptr, nullptr, 0, longName[1],
         true},
        {"a name of 250 characters", Config(longName[2]), Accept, nullptr, nullptr, 0, longName[2],
         true},
        {"a page that is no program", Config(page), Accept, kError, kUpgradeFailed, -1, page},
        {"answer without data", Config("/empty"), Accept, kError, kUpgradeFailed, -2, "/empty"},
        {"error status", Config("/status/404"), Accept, kError, kUpgradeFailed, -1, "/status/404"},
        {"cut short without ranges", Config("/bytes/200000?cut=100000&noranges=1"), Accept, kError,
         kUpgradeFailed, -1, "/bytes/200000"},
        {"silent mid-body without ranges", Config("/bytes/200000?stall=16384&noranges=1"), Accept,
         kError, kUpgradeFailed, -1, "/bytes/200000"},
        {"cut at 40 %, resumed",
         Config(setup + "?cutat=" + std::to_string(SetupProgram().size() * 2 / 5) +
                "&key=" + UniqueKey()),
         Accept, nullptr, nullptr, 0, setup, true},
        {"redirect loop", Config("/redirect-loop"), Accept, kError, kUpgradeFailed, -1,
         "/redirect-loop"},
        {"CR LF in the address", Config("/files/s.exe%0D%0AX-Injected:%20yes"), Accept, kError,
         kUpgradeFailed, -1, "/files/s.exe"},
        {"https", Config(setup, "1.0", kComments, Trusted, Trusted), Accept, nullptr, nullptr, 0,
         setup, true},
        {"https, untrusted descriptor", Config(setup, "1.0", kComments, Untrusted, Trusted),
         nullptr, kError, cannotConnect, -3},
        {"https, untrusted setup program", Config(setup, "1.0", kComments, Trusted, Untrusted),
         Accept, kError, kUpgradeFailed, -1, setup},
    };
    for (const auto& flow : flows) {
        RunFlow(flow);
    }
}

// wine's rich-edit box needs seconds and gigabytes for one long line: the offer shows a bounded
// text at once, whatever the descriptor holds within its 1 MiB.
TEST(UpdaterEndToEnd, OfferOfADescriptorWithOneHugeLineAppearsAtOnce) {
    Installation app;
    std::wstring lines = L"<line>" + std::wstring(1000000, L'x') + L"</line>";
    for (int i = 0; i < 60; ++i) {
        lines += L"<line>第" + std::to_wstring(i) + L"行</line>";
    }
    app.WriteConfig(Config("/files/none.exe", "1.0", lines));
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
    Escape(offer);
    EXPECT_EQ(2u, ExitCodeOf(*process));
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

// The vendor's update as scripts/make-key and scripts/make-descriptor made it, variants of it,
// and setup programs with Authenticode signatures (see start_test_server.sh).
TEST(UpdaterEndToEnd, OnlyASetupProgramThatMatchesItsChecksumAndSignatureIsStarted) {
    const std::string key = "publickey=" + ServedFile("publickey.txt");
    const std::string signedDescriptor = key + "\r\nsigneddescriptor=1";
    const std::string vendor = "publisher=Updater Test Vendor\r\n";
    const std::string byVendor = "/files/authenticode-by-codesign.exe";
    const std::string signedXml = ServedFile("vendor-setup.xml");
    const std::string other = ServedFile("vendor-other.xml");
    std::string withArguments = signedXml;
    withArguments.insert(withArguments.find("<sha256>"), "<args>/S /norestart</args>");
    const size_t start = other.find("<signature>") + 11;
    const std::string otherSignature = other.substr(start, other.find("</signature>") - start);
    const auto config = [](const std::string& descriptor, const std::string& keyLine) {
        return "version=1.0\r\nupdate=" + ToAnsi(ServerUrl(Publish("vendor.xml", descriptor))) +
               "\r\n" + keyLine + "\r\n";
    };
    const std::string setup = "/vendor-setup.exe", tampered = "/vendor-tampered.exe";
    // The real digest with only its last digit changed: every byte has to be compared.
    std::string lastDigitWrong = signedXml;
    char& lastDigit = lastDigitWrong[signedXml.find("</sha256>") - 1];
    lastDigit = lastDigit == '0' ? '1' : '0';
    const Flow flows[] = {
        {"signed", config(signedXml, key), Accept, nullptr, nullptr, 0, setup, true},
        {"with arguments", config(withArguments, key), Accept, nullptr, nullptr, 0, setup, true,
         L"", L"", L"vendor-setup.exe\" /S /norestart"},
        {"one byte changed", config(ServedFile("vendor-tampered.xml"), key), Accept, kError,
         kUpgradeFailed, -1, tampered},
        {"signature of another file",
         config(WithElement(signedXml, "signature", otherSignature), key), Accept, kError,
         kUpgradeFailed, -1, setup},
        {"signature missing", config(WithElement(signedXml, "signature", "", true), key), Accept,
         kError, kUpgradeFailed, -1, setup},
        {"signature not base64", config(WithElement(signedXml, "signature", "not*base64"), key),
         Accept, kError, kUpgradeFailed, -1, setup},
        {"changed while cut, verified whole",
         config(WithElement(signedXml, "url",
                            ToAnsi(ServerUrl("/files/vendor-tampered.exe?cutat=100000&amp;key=" +
                                             UniqueKey() + "&amp;changeto=vendor-setup.exe"))),
                key),
         Accept, nullptr, nullptr, 0, tampered, true},
        {"no key, checksum right", config(WithElement(signedXml, "signature", "", true), ""),
         Accept, nullptr, nullptr, 0, setup, true},
        {"no key, checksum wrong",
         config(WithElement(signedXml, "sha256", std::string(64, '0')), ""), Accept, kError,
         kUpgradeFailed, -1, setup},
        {"no key, checksum wrong in its last digit", config(lastDigitWrong, ""), Accept, kError,
         kUpgradeFailed, -1, setup},
        {"malformed key", config(signedXml, "publickey=AAAA" + key.substr(14)), nullptr, kError,
         L"本地配置信息有错误！", -2, setup},
        {"signed descriptor required", config(signedXml, signedDescriptor), Accept, nullptr,
         nullptr, 0, setup, true},
        // The signed setup program of an older release, offered under a higher version.
        {"downgrade", config(WithElement(signedXml, "ver", "99.0"), signedDescriptor), nullptr,
         kError, L"远程升级信息配置有错误！", -4, setup},
        {"Authenticode by the publisher", Config(byVendor) + vendor, Accept, nullptr, nullptr, 0,
         byVendor, true},
        {"Authenticode by another", Config(byVendor) + "publisher=Another Vendor", Accept, kError,
         kUpgradeFailed, -1, byVendor},
        {"no Authenticode", Config("/files" + setup) + vendor, Accept, kError, kUpgradeFailed, -1,
         setup},
        {"Authenticode, a byte changed after signing",
         Config("/files/authenticode-tampered.exe") + vendor, Accept, kError, kUpgradeFailed, -1,
         "/authenticode-tampered.exe"},
        {"Authenticode from an authority nobody trusts",
         Config("/files/authenticode-by-untrusted-codesign.exe") + vendor, Accept, kError,
         kUpgradeFailed, -1, "/authenticode-by-untrusted-codesign.exe"},
    };
    for (const auto& flow : flows) {
        RunFlow(flow);
    }
}

// Runs up to the offer dialog of a setup program published at `setupPath`.
struct OfferRun {
    explicit OfferRun(const std::string& setup) : setupPath(setup) {
        app.WriteConfig(Config(setupPath));
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

// The server holds the download back until released: a confirmed cancel must not wait for it.
TEST(UpdaterEndToEnd, CancelAsksAndOnlyAConfirmedCancelStopsTheDownload) {
    for (const int answer : {IDOK, IDCANCEL}) {
        SCOPED_TRACE(answer == IDOK ? "confirmed" : "declined");
        const std::string key =
            std::to_string(GetCurrentProcessId()) + "-" + std::to_string(answer);
        OfferRun run(SetupPath() + "?hold=16384&key=" + key);
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
            other.WriteConfig(Config("/files/none.exe"));
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
        EXPECT_EQ(answer != IDOK, !run.app.Saved(run.setupPath).empty());
        Fetch("/release/" + key);
    }
}

TEST(UpdaterEndToEnd, SecondStartBringsTheOpenDialogForwardAndEndsWith100) {
    for (const bool downloading : {false, true}) {
        SCOPED_TRACE(downloading ? "progress dialog" : "offer dialog");
        const std::string key =
            std::to_string(GetCurrentProcessId()) + "-second-" + std::to_string(downloading);
        OfferRun run(SetupPath() + "?hold=16384&key=" + key);
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

// Copies released at the same instant: one checks while the others wait for its outcome, then
// end with 100 because its offer is open. Only that offer's answer counts: one download at most.
TEST(UpdaterEndToEnd, OfCopiesStartedTogetherOnlyOneOffers) {
    for (const bool accept : {false, true}) {
        const size_t copies = accept ? 2 : 10;
        SCOPED_TRACE(std::to_string(copies) + " copies");
        const std::string setup = SetupPath();
        Installation app;
        // Served slowly (about 1.5 s): the others wait for the whole check, not a moment.
        app.WriteConfig(Config(setup, "1.0.0.1", kComments, [](const std::string& path) {
            return ServerUrl(path + "?rate=200");
        }));
        std::vector<std::unique_ptr<ChildProcess>> processes;
        for (size_t i = 0; i < copies; ++i) {
            processes.push_back(app.Start(L"", true));
        }
        for (const auto& process : processes) { // none has run a step before all exist
            process->Resume();
        }
        // Settled: each copy has ended or shows an offer.
        std::vector<HWND> offers(copies);
        std::vector<DWORD> codes(copies, STILL_ACTIVE);
        ASSERT_TRUE(WaitUntil(
            [&] {
                size_t settled = 0;
                for (size_t i = 0; i < copies; ++i) {
                    offers[i] = WaitForWindow(processes[i]->id(), kOfferCaption, 0);
                    settled += offers[i] || processes[i]->WaitForExit(0, codes[i]);
                }
                return settled == copies;
            },
            2 * kExitTimeoutMs));
        EXPECT_EQ(copies - 1, size_t(std::count(codes.begin(), codes.end(), 100u)));
        const auto first = std::find_if(offers.begin(), offers.end(), [](HWND w) { return w; });
        ASSERT_EQ(1, std::count_if(first, offers.end(), [](HWND w) { return w; }));
        PressKey(*first, accept ? VK_RETURN : VK_ESCAPE);
        EXPECT_EQ(accept ? 0u : 2u, ExitCodeOf(*processes[first - offers.begin()]));
        EXPECT_EQ(accept, WaitUntil([&] { return FileExists(app.Saved(setup) + L".started"); },
                                    accept ? kWindowTimeoutMs : 0));
        const std::string log = Fetch("/log"), download = "GET " + setup + " ";
        EXPECT_EQ(accept, log.find(download) != std::string::npos);
        EXPECT_EQ(log.find(download), log.rfind(download)) << "downloaded more than once";
    }
}

// An instance of other rights (an elevated one) made the event so that this user cannot open
// it: that still tells of another instance at work, whose offer is open.
TEST(UpdaterEndToEnd, AnInstanceEventThatCannotBeOpenedCountsAsAnotherInstance) {
    PSECURITY_DESCRIPTOR denyAll = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P", SDDL_REVISION_1,
                                                                     &denyAll, nullptr));
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), denyAll, FALSE};
    // Made anew, once the updaters of earlier cases have gone.
    updater::UniqueKernelHandle event;
    DWORD error = 0;
    const bool made = WaitUntil([&] {
        event.reset();
        event.reset(CreateEventW(&attributes, FALSE, FALSE, L"PDF_Update_Check_Event"));
        error = GetLastError();
        return event && error != ERROR_ALREADY_EXISTS;
    });
    LocalFree(denyAll);
    ASSERT_TRUE(made) << error;
    const HWND offer = CreateWindowExW(0, L"STATIC", kOfferCaption, WS_POPUP | WS_VISIBLE, 0, 0,
                                       200, 100, nullptr, nullptr, nullptr, nullptr);
    Installation app;
    app.WriteConfig(Config(SetupPath()));
    auto second = app.Start();
    EXPECT_EQ(100u, ExitCodeOf(*second));
    DestroyWindow(offer);
}

// The SHA-256 of the file, as a descriptor publishes it.
std::wstring Sha256Hex(const updater::Sha256Digest& digest) {
    std::wstring hex;
    for (const uint8_t byte : digest) {
        hex += L"0123456789abcdef"[byte >> 4];
        hex += L"0123456789abcdef"[byte & 15];
    }
    return hex;
}

// config.ini's lines for a descriptor of version 2.0 whose setup program at `url` has the
// SHA-256 `sha256` (none when empty).
std::string CheckedConfig(const std::wstring& url, const std::wstring& sha256) {
    const std::wstring xml =
        L"<update><ver>2.0</ver><url>" + url + L"</url><size>1 MB</size><comments/>" +
        (sha256.empty() ? L"" : L"<sha256>" + sha256 + L"</sha256>") + L"</update>";
    return "version=1.0\r\nupdate=" + ToAnsi(ServerUrl(Publish("update.xml", ToAnsi(xml)))) +
           "\r\n";
}

// Waits until the progress dialog's bar shows at least `fraction` of the whole.
bool WaitForBar(HWND progress, double fraction) {
    const HWND bar = GetDlgItem(progress, kProgressBarId);
    return WaitUntil(
        [&] {
            const LRESULT high = SendMessageW(bar, PBM_GETRANGE, FALSE, 0);
            return high > 0 && SendMessageW(bar, PBM_GETPOS, 0, 0) >= high * fraction;
        },
        2 * kExitTimeoutMs);
}

// The server sends a large setup program at once (the program, then 1 GiB of zeros that its
// loader ignores); its checksum takes seconds to check once the bar is full. A cancel
// confirmed then wins: nothing is started, nothing is left.
TEST(UpdaterEndToEnd, ACancelConfirmedWhileTheSetupProgramIsCheckedStartsNothing) {
    const std::string setup = Publish("setup_large.exe", SetupProgram(), 1ULL << 30);
    updater::Sha256Digest digest{};
    ASSERT_TRUE(updater::Sha256File(PublishedFile(setup), digest));
    Installation app;
    app.WriteConfig(CheckedConfig(ServerUrl(setup), Sha256Hex(digest)));
    auto process = app.Start();
    HWND offer = WaitForWindow(process->id(), kOfferCaption);
    ASSERT_NE(nullptr, offer);
    Accept(offer);
    HWND progress = WaitForWindow(process->id(), kProgressCaption);
    ASSERT_NE(nullptr, progress);
    ASSERT_TRUE(WaitForBar(progress, 1)) << "the download did not complete";
    CloseFromCaption(progress);
    HWND box = WaitForWindow(process->id(), kConfirmCaption);
    ASSERT_NE(nullptr, box) << "the check ended before the cancel could be confirmed";
    PressButton(box, IDOK);
    AnswerBox(*process, kError, kUpgradeFailed);
    EXPECT_EQ(static_cast<DWORD>(-1), ExitCodeOf(*process));
    EXPECT_TRUE(app.FilesInTemp().empty()) << "the run left a file in TEMP";
    DeleteFileW(PublishedFile(setup).c_str());
}

// Sets policy values given as "HKLM\\Product:Name=value;HKCU:Name=value" (a number is a
// DWORD, anything else a string) below Software\\Policies\\Updater.
void SetPolicy(const std::wstring& values) {
    for (size_t start = 0; start < values.size();) {
        const size_t end = std::min(values.find(L';', start), values.size());
        const std::wstring value = values.substr(start, end - start);
        const size_t colon = value.find(L':'), equals = value.find(L'=', colon);
        const std::wstring key = L"Software\\Policies\\Updater" + value.substr(4, colon - 4);
        const std::wstring name = value.substr(colon + 1, equals - colon - 1);
        const std::wstring data = value.substr(equals + 1);
        const HKEY root =
            value.compare(0, 4, L"HKLM") == 0 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
        const DWORD number = std::wcstoul(data.c_str(), nullptr, 10);
        EXPECT_EQ(ERROR_SUCCESS,
                  data.find_first_not_of(L"0123456789") == std::wstring::npos
                      ? RegSetKeyValueW(root, key.c_str(), name.c_str(), REG_DWORD, &number,
                                        sizeof(number))
                      : RegSetKeyValueW(root, key.c_str(), name.c_str(), REG_SZ, data.c_str(),
                                        static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))));
        start = end + 1;
    }
}

bool HasVisibleWindow(DWORD processId) {
    std::pair<DWORD, bool> state{processId, false};
    EnumWindows(
        [](HWND window, LPARAM parameter) {
            auto& found = *reinterpret_cast<std::pair<DWORD, bool>*>(parameter);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            found.second = found.second || (owner == found.first && IsWindowVisible(window));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&state));
    return state.second;
}

// Whether the process showed a visible window of its own before it ended.
bool ShowedAWindow(ChildProcess& process, DWORD& exitCode) {
    bool shown = false;
    for (const ULONGLONG end = GetTickCount64() + kExitTimeoutMs;
         !process.WaitForExit(20, exitCode) && GetTickCount64() < end;) {
        shown = shown || HasVisibleWindow(process.id());
    }
    return shown;
}

// For scripts, software distribution and support: the check alone, the update without
// windows, the policy that turns updates off or points at a mirror, and the log that tells why.
TEST(UpdaterEndToEnd, SwitchesPolicyAndLogForAdministrators) {
    const std::string setup = SetupPath(), vendor = "/files/vendor-setup.exe";
    const std::string signedXml = ServedFile("vendor-setup.xml");
    // The vendor's update with more elements, and another checksum when given.
    const auto with = [&](const std::string& elements, const std::string& sha256 = "",
                          const std::string& lines = "") {
        std::string xml = signedXml;
        xml.insert(xml.find("<sha256>"), elements);
        if (!sha256.empty()) {
            xml.replace(xml.find("<sha256>") + 8, 64, sha256);
        }
        return "version=1.0\r\nupdate=" + ToAnsi(ServerUrl(Publish("a.xml", xml))) + "\r\n" + lines;
    };
    const std::string product = with("<product>Writer</product>", "", "product=Writer\r\n");
    const std::string refused = "version=1.0\r\nupdate=" + ToAnsi(RefusedUrl("/u.xml")) + "\r\n";
    const std::wstring mirror = ServerUrl(Publish("mirror.xml", ServedFile("vendor-setup.xml")));
    struct Case {
        const char* name;
        std::wstring arguments;
        std::string config;
        std::wstring policy; // see SetPolicy
        int exitCode;
        std::string setupPath;    // the published setup program, if one is asked for
        std::wstring startedWith; // with /quiet: the command line it got ("-" for not started)
        const char* logged;       // what the log must tell
    };
    const std::wstring off = L"HKLM:UpdatesDisabled=1";
    // clang-format off
    const Case cases[] = {
        {"/check, newer", L"/check", Config(setup), L"", 1, setup, L"-", "check result 1"},
        {"-CHECK, same", L"-CHECK", Config(setup, "2.0"), L"", 0, setup, L"-", "check result 0"},
        {"/check, older", L"/check", Config(setup, "3.0"), L"", -1, setup, L"-", "check result -1"},
        {"/check, no version", L"/check", "update=x\r\n", L"", -2, "", L"-", "lacks version"},
        {"/check, refused", L"/check", refused, L"", -3, "", L"-", "error 12029"},
        {"/check, unusable", L"/check", "version=1.0\r\nupdate=" +
         ToAnsi(ServerUrl(Publish("x.xml", "<update/>"))), L"", -4, "", L"-", "does not parse"},
        {"/quiet, arguments", L"/quiet", with("<args>/S /norestart</args>"), L"", 0, vendor,
         L"/S /norestart", "(started)"},
        {"/quiet, checksum wrong", L"/quiet", with("<args>/S</args>", std::string(64, '0')), L"",
         -1, vendor, L"-", "SHA-256 differs"},
        {"/quiet, cut without ranges", L"/Quiet", Config("/bytes/200000?cut=100000&noranges=1"),
         L"", -1, "/bytes/200000", L"-", "download failed: Connection broken"},
        {"/quiet, 404", L"/quiet", Config("/status/404"), L"", -1, "/status/404", L"-", "HTTP 404"},
        {"/quiet, up to date", L"/quiet", Config(setup, "2.0"), L"", 0, setup, L"-",
         "check result 0"},
        {"disabled machine-wide", L"", Config(setup), off, 3, setup, L"-", "turned off by policy"},
        {"disabled machine-wide, /check", L"/check", Config(setup), off, 3, setup, L"-", "off"},
        {"disabled for the user, /quiet", L"/quiet", Config(setup), L"HKCU:UpdatesDisabled=1", 3,
         setup, L"-", "turned off"},
        {"disabled for this product", L"/check", product, L"HKLM\\Writer:UpdatesDisabled=1", 3,
         "", L"-", "turned off"},
        {"disabled for another product", L"/check", product, L"HKLM\\Reader:UpdatesDisabled=1", 1,
         "", L"-", "check result 1"},
        {"the machine's value wins", L"/check", product,
         off + L";HKCU\\Writer:UpdatesDisabled=0", 3, "", L"-", "turned off"},
        {"the product's value wins", L"/check", product,
         off + L";HKLM\\Writer:UpdatesDisabled=0", 1, "", L"-", "check result 1"},
        {"a mirror", L"/check", refused, L"HKCU:UpdateUrl=" + mirror, 1, "", L"-", "from policy"},
        {"a mirror that is refused", L"/check", Config(setup),
         L"HKLM:UpdateUrl=ftp://127.0.0.1/u.xml", -3, "", L"-", "Unsupported"},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetPolicy(c.policy);
        Installation app;
        app.WriteConfig(c.config);
        Fetch("/log?clear=1");
        auto process = app.Start(c.arguments);
        DWORD code = 0;
        EXPECT_FALSE(ShowedAWindow(*process, code)) << "a window appeared";
        EXPECT_EQ(static_cast<DWORD>(c.exitCode), code);
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            RegDeleteTreeW(root, L"Software\\Policies\\Updater");
        }
        const std::string requests = Fetch("/log");
        const std::wstring saved = c.setupPath.empty() ? L"" : app.Saved(c.setupPath);
        if (c.startedWith == L"-") {
            EXPECT_EQ(L"", saved) << "a file was left";
            if (_wcsicmp(c.arguments.c_str(), L"/quiet") != 0 && !c.setupPath.empty()) {
                EXPECT_EQ(std::string::npos, requests.find("GET " + c.setupPath))
                    << "the setup program was requested";
            }
        } else {
            ASSERT_TRUE(WaitUntil([&] { return FileExists(saved + L".started"); }));
            EXPECT_NE(std::wstring::npos, StartedWith(saved).find(c.startedWith));
        }
        EXPECT_NE(std::string::npos, ReadFileBytes(app.LogPath()).find(c.logged))
            << ReadFileBytes(app.LogPath());
    }
    // One updater at a time: a start during a quiet update ends with 100 without a window. A
    // full log stays within its 1 MiB; a log that cannot be written changes nothing.
    const std::string key = "quiet-" + UniqueKey();
    Installation app, unlogged;
    app.WriteConfig(Config(setup + "?hold=16384&key=" + key));
    WriteFileBytes(app.LogPath(), std::string(1024 * 1024, '\n'));
    auto quiet = app.Start(L"/quiet");
    ASSERT_TRUE(WaitUntil(
        [&] { return Fetch("/log").find("GET " + setup + "?hold") != std::string::npos; }));
    DWORD code = 0;
    EXPECT_FALSE(ShowedAWindow(*app.Start(), code));
    EXPECT_EQ(100u, code);
    Fetch("/release/" + key);
    EXPECT_EQ(0u, ExitCodeOf(*quiet));
    const std::string log = ReadFileBytes(app.LogPath());
    EXPECT_LE(log.size(), 1024u * 1024u);
    EXPECT_NE(std::string::npos, log.find("another updater is at work"));
    EXPECT_NE(std::string::npos, log.find("(started)"));
    unlogged.WriteConfig(Config(setup));
    ASSERT_TRUE(CreateDirectoryW(unlogged.LogPath().c_str(), nullptr));
    EXPECT_EQ(1u, ExitCodeOf(*unlogged.Start(L"/check")));
    RemoveDirectoryW(unlogged.LogPath().c_str());
}

// A download broken off with its process (killed once the bar is at half) is continued by the
// next start that offers the same update, from where it stopped. What does not fit starts from
// zero, and nothing is kept that could not be checked whole, was cancelled or belongs to
// another update.
TEST(UpdaterEndToEnd, ADownloadKilledMidwayIsContinuedByTheNextStart) {
    enum class Between { Nothing, FileChanged, PartAltered, StateAged, OtherUpdate };
    struct Case {
        const char* name;
        bool sha256;     // the descriptor publishes the setup program's checksum
        bool cancel;     // the first run is cancelled rather than killed
        Between between; // what happens before the second start
        bool continued;  // the second run asks for the rest of the kept part
        DWORD exitCode;  // of the second run, which accepts (declines another update)
    };
    const DWORD failed = static_cast<DWORD>(-1);
    const Case cases[] = {
        {"killed at about half", true, false, Between::Nothing, true, 0},
        {"changed on the server", true, false, Between::FileChanged, true, 0},
        {"kept part altered on disk", true, false, Between::PartAltered, true, failed},
        {"no sha256", false, false, Between::Nothing, false, 0},
        {"kept for more than 7 days", true, false, Between::StateAged, false, 0},
        {"cancelled", true, true, Between::Nothing, false, 0},
        {"another sha256 published", true, false, Between::OtherUpdate, false, 2},
    };
    const std::string first = SetupProgram() + std::string(250000, 'a');
    const std::string second = SetupProgram() + std::string(250000, 'b');
    updater::Sha256Digest firstDigest{}, secondDigest{};
    ASSERT_TRUE(updater::Sha256OfBytes(first.data(), first.size(), firstDigest));
    ASSERT_TRUE(updater::Sha256OfBytes(second.data(), second.size(), secondDigest));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string setup = Publish("setup_2.0.exe", first);
        const std::wstring url = ServerUrl(setup + "?rate=300000");
        const bool changes = c.between == Between::FileChanged;
        Installation app;
        app.WriteConfig(CheckedConfig(url, !c.sha256 ? L""
                                           : changes ? Sha256Hex(secondDigest)
                                                     : Sha256Hex(firstDigest)));
        auto run = app.Start();
        HWND offer = WaitForWindow(run->id(), kOfferCaption);
        ASSERT_NE(nullptr, offer);
        Accept(offer);
        HWND progress = WaitForWindow(run->id(), kProgressCaption);
        ASSERT_NE(nullptr, progress);
        ASSERT_TRUE(WaitForBar(progress, 0.5));
        if (c.cancel) {
            CloseFromCaption(progress);
            HWND box = WaitForWindow(run->id(), kConfirmCaption);
            ASSERT_NE(nullptr, box);
            PressButton(box, IDOK);
            AnswerBox(*run, kError, kUpgradeFailed);
        } else {
            TerminateProcess(run->handle(), 1);
        }
        ExitCodeOf(*run);
        const std::wstring part = app.Saved(setup);
        const std::string kept = ReadFileBytes(part);
        std::wstring state;
        for (const std::wstring& file : app.FilesInTemp()) {
            state = file.find(L"\\updater-kept-download.txt") == std::wstring::npos ? state : file;
        }
        EXPECT_EQ(c.sha256 && !c.cancel, !state.empty()) << "what is kept for the next start";
        EXPECT_EQ(c.cancel, kept.empty());
        if (c.between == Between::FileChanged) {
            WriteFileBytes(PublishedFile(setup), second);
        } else if (c.between == Between::PartAltered) {
            std::string altered = kept;
            altered[1000] ^= 1;
            WriteFileBytes(part, altered);
        } else if (c.between == Between::StateAged) {
            std::string text = ReadFileBytes(state);
            const size_t began = text.find("began=") + 6;
            ULARGE_INTEGER now{};
            GetSystemTimeAsFileTime(reinterpret_cast<FILETIME*>(&now));
            text.replace(began, text.find('\n', began) - began,
                         std::to_string(now.QuadPart - 8ULL * 24 * 3600 * 10000000));
            WriteFileBytes(state, text);
        } else if (c.between == Between::OtherUpdate) {
            app.WriteConfig(CheckedConfig(url, Sha256Hex(secondDigest)));
        }

        auto again = app.Start();
        offer = WaitForWindow(again->id(), kOfferCaption);
        ASSERT_NE(nullptr, offer);
        if (c.between == Between::OtherUpdate) {
            EXPECT_TRUE(app.FilesInTemp().empty()) << "the other update's part was kept";
            Escape(offer);
        } else {
            Accept(offer);
        }
        if (c.exitCode == failed) {
            AnswerBox(*again, kError, kUpgradeFailed);
        }
        EXPECT_EQ(c.exitCode, ExitCodeOf(*again));
        const std::string log = Fetch("/log");
        const size_t at = log.rfind("GET " + setup + "?");
        ASSERT_NE(std::string::npos, at);
        const std::string request = log.substr(at, log.find("\r\n\r\n", at) - at);
        const std::string range = "\r\nRange: bytes=" + std::to_string(kept.size()) + "-\r\n";
        EXPECT_EQ(c.continued, !kept.empty() && request.find(range) != std::string::npos)
            << request;
        EXPECT_EQ(c.continued, request.find("Range:") != std::string::npos) << request;
        const std::wstring saved = app.Saved(setup);
        if (c.exitCode == 0) {
            // Whole and verified, from one file; nothing else left.
            EXPECT_TRUE(WaitUntil([&] { return FileExists(saved + L".started"); }));
            EXPECT_TRUE(ReadFileBytes(saved) == (changes ? second : first));
            EXPECT_EQ(2u, app.FilesInTemp().size());
        } else {
            EXPECT_TRUE(app.FilesInTemp().empty()) << "the run left a file in TEMP";
        }
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

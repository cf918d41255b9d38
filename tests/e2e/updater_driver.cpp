#include "e2e/updater_driver.h"

#include "common/unique_handle.h"
#include "log/run_log.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace testing_support {

std::wstring WindowsPath(const char* compiledPath) {
    std::wstring path(compiledPath, compiledPath + strlen(compiledPath));
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

namespace {
std::wstring Widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}
} // namespace

std::string SetupProgram() {
    static const std::string program = ReadFileBytes(WindowsPath(FAKE_SETUP_EXE_PATH));
    return program;
}

Installation::Installation() {
    CreateDirectoryW(root_.File(L"app").c_str(), nullptr);
    CreateDirectoryW(root_.File(L"tmp").c_str(), nullptr);
    if (!CopyFileW(WindowsPath(UPDATER_EXE_PATH).c_str(), Exe().c_str(), FALSE)) {
        throw std::runtime_error("cannot copy updater.exe");
    }
}

Installation::~Installation() {
    DeleteFileW(LogPath().c_str());
}

std::wstring Installation::LogPath() const {
    return updater::RunLogPath(root_.File(L"app"));
}

void Installation::WriteConfig(const std::string& lines) {
    WriteFileBytes(root_.File(L"app\\config.ini"), "[main]\r\n" + lines);
}

std::unique_ptr<ChildProcess> Installation::Start(const std::wstring& arguments,
                                                  bool suspended) const {
    // Not the exe's folder: config.ini is found beside the exe anyway.
    return std::make_unique<ChildProcess>(Exe(), arguments, root_.File(L"tmp"), root_.File(L"tmp"),
                                          suspended);
}

std::vector<std::wstring> Installation::FilesInTemp(const std::wstring& under) const {
    std::vector<std::wstring> files;
    WIN32_FIND_DATAW found{};
    const std::wstring folder = under.empty() ? root_.File(L"tmp") : under;
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found)) {
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

std::wstring Installation::Saved(const std::string& setupPath) const {
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

std::vector<std::wstring> Installation::FoldersInTemp() const {
    std::vector<std::wstring> folders;
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((root_.File(L"tmp") + L"\\*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found)) {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && found.cFileName[0] != L'.') {
            folders.push_back(found.cFileName);
        }
    }
    FindClose(search);
    std::sort(folders.begin(), folders.end());
    return folders;
}

std::wstring Installation::Temp(const std::wstring& name) const {
    return root_.File(L"tmp\\" + name);
}

std::wstring Installation::Exe() const {
    return root_.File(L"app\\updater.exe");
}

std::wstring Trusted(const std::string& path) {
    return SecureUrl(path, true);
}
std::wstring Untrusted(const std::string& path) {
    return SecureUrl(path, false);
}
std::wstring Relative(const std::string& path) {
    const std::string name = path.substr(path.rfind('/') + 1);
    return std::wstring(name.begin(), name.end());
}

std::string Config(const std::string& setupPath, const std::string& installed,
                   const std::wstring& comments, UrlOf descriptorAt, UrlOf setupAt) {
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

HWND AcceptOffer(ChildProcess& process) {
    const HWND offer = WaitForWindow(process.id(), kOfferCaption);
    EXPECT_NE(nullptr, offer) << "the offer dialog did not appear";
    if (offer == nullptr) {
        return nullptr;
    }
    Accept(offer);
    const HWND progress = WaitForWindow(process.id(), kProgressCaption);
    EXPECT_NE(nullptr, progress) << "the progress dialog did not appear";
    return progress;
}

std::wstring StartedWith(const std::wstring& saved) {
    const std::string recorded = ReadFileBytes(saved + L".started");
    return std::wstring(reinterpret_cast<const wchar_t*>(recorded.data()),
                        recorded.size() / sizeof(wchar_t));
}

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

std::wstring Sha256Hex(const updater::Sha256Digest& digest) {
    std::wstring hex;
    for (const uint8_t byte : digest) {
        hex += L"0123456789abcdef"[byte >> 4];
        hex += L"0123456789abcdef"[byte & 15];
    }
    return hex;
}

std::string CheckedConfig(const std::wstring& url, const std::wstring& sha256) {
    const std::wstring xml =
        L"<update><ver>2.0</ver><url>" + url + L"</url><size>1 MB</size><comments/>" +
        (sha256.empty() ? L"" : L"<sha256>" + sha256 + L"</sha256>") + L"</update>";
    return "version=1.0\r\nupdate=" + ToAnsi(ServerUrl(Publish("update.xml", ToAnsi(xml)))) +
           "\r\n";
}

bool WaitForBar(HWND progress, double fraction) {
    const HWND bar = GetDlgItem(progress, kProgressBarId);
    return WaitUntil(
        [&] {
            const LRESULT high = SendMessageW(bar, PBM_GETRANGE, FALSE, 0);
            return high > 0 && SendMessageW(bar, PBM_GETPOS, 0, 0) >= high * fraction;
        },
        2 * kExitTimeoutMs);
}

OfferRun::OfferRun(const std::string& setup) : setupPath(setup) {
    app.WriteConfig(Config(setupPath));
    process = app.Start();
    offer = WaitForWindow(process->id(), kOfferCaption);
    EXPECT_NE(nullptr, offer) << "the offer dialog did not appear";
}

HWND OfferRun::Accept() {
    PressKey(offer, VK_RETURN);
    return WaitForWindow(process->id(), kProgressCaption);
}

} // namespace testing_support

#include "e2e/updater_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <utility>

namespace testing_support {
namespace {

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

} // namespace
} // namespace testing_support

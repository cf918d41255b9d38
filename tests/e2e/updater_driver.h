// Drives the real updater.exe as a user meets it: an installation of its own, the descriptor
// and setup program it is offered, its windows answered, and what it left behind.
#pragma once

#include "support/child_process.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"
#include "support/window_probe.h"
#include "update/sha256.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace testing_support {

constexpr DWORD kExitTimeoutMs = 60000;
constexpr wchar_t kNotice[] = L"提示";
constexpr wchar_t kError[] = L"错误";
constexpr wchar_t kUpToDate[] = L"当前已经是最新版本了！";
constexpr wchar_t kOfferCaption[] = L"发现新版本！是否立即升级？";
constexpr wchar_t kProgressCaption[] = L"正在升级，请稍候......";
constexpr wchar_t kConfirmCaption[] = L"取消升级";
constexpr wchar_t kUpgradeFailed[] = L"升级失败,请稍候尝试！";
constexpr int kOfferTextId = 1000, kProgressBarId = 1001, kHeaderId = 1002, kLinkId = 1003;

std::wstring WindowsPath(const char* compiledPath);
// The stand-in setup program's bytes: it records its command line beside itself when it runs.
std::string SetupProgram();

// One installation: a folder with a copy of updater.exe and its config.ini, and a private
// temporary folder where the setup program is saved.
class Installation {
public:
    Installation();
    ~Installation();
    // The run log the updater of this installation writes for support.
    std::wstring LogPath() const;

    void WriteConfig(const std::string& lines);
    std::unique_ptr<ChildProcess> Start(const std::wstring& arguments = L"",
                                        bool suspended = false) const;
    // The files under the temporary folder, its subfolders' included: what a run left there.
    std::vector<std::wstring> FilesInTemp(const std::wstring& under = L"") const;
    // Where a setup program published as ".../<name>" was saved (in a folder of the run's
    // own, under the name or, shortened to fit the path, its start), or empty.
    std::wstring Saved(const std::string& setupPath) const;
    // The folders directly in the temporary folder.
    std::vector<std::wstring> FoldersInTemp() const;
    std::wstring Temp(const std::wstring& name) const;

private:
    std::wstring Exe() const;
    TempDir root_;
};

using UrlOf = std::wstring (*)(const std::string& path);
std::wstring Trusted(const std::string& path);
std::wstring Untrusted(const std::string& path);
// As vendors write it beside their descriptor: the file name alone.
std::wstring Relative(const std::string& path);

constexpr wchar_t kComments[] = L"<line>修复了若干问题</line><line>新增自动保存</line>";

// config.ini's lines for a descriptor of version 2.0.0.0 published at `descriptorAt`, whose
// setup program is `setupPath` at `setupAt`.
std::string Config(const std::string& setupPath, const std::string& installed = "1.0.0.1",
                   const std::wstring& comments = kComments, UrlOf descriptorAt = ServerUrl,
                   UrlOf setupAt = ServerUrl);
// config.ini's lines for a descriptor of version 2.0 whose setup program at `url` has the
// SHA-256 `sha256` (none when empty).
std::string CheckedConfig(const std::wstring& url, const std::wstring& sha256);
// The SHA-256 of the file, as a descriptor publishes it.
std::wstring Sha256Hex(const updater::Sha256Digest& digest);

// A key of its own for each use of the server's counted options (cutat=).
std::string UniqueKey();
// The stand-in setup program, published.
std::string SetupPath();

DWORD ExitCodeOf(ChildProcess& process);
// Waits for a message box, checks its text and presses OK.
void AnswerBox(ChildProcess& process, const std::wstring& caption, const std::wstring& text);
void Escape(HWND offer);
void Accept(HWND offer);
// Waits for the offer of the running updater, accepts it and returns the progress dialog, or
// null when either did not appear.
HWND AcceptOffer(ChildProcess& process);
// Waits until the progress dialog's bar shows at least `fraction` of the whole.
bool WaitForBar(HWND progress, double fraction);
// The command line the stand-in setup program at `saved` was started with, as it recorded it.
std::wstring StartedWith(const std::wstring& saved);

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

// Runs the flow in a temporary folder that already holds a planted DLL, a finished download
// of an earlier run, one whose setup program still runs (its file held open), and another
// program's folder named like the updater's; judges what the run left.
void RunFlow(const Flow& flow);

// Runs up to the offer dialog of a setup program published at `setupPath`.
struct OfferRun {
    explicit OfferRun(const std::string& setup);
    HWND Accept();

    std::string setupPath;
    Installation app;
    std::unique_ptr<ChildProcess> process;
    HWND offer = nullptr;
};

} // namespace testing_support

#pragma once
// The install thread's decision once the download thread has ended: start the downloaded
// setup program, or tell the user that the upgrade failed; and the process exit code.
//
// Use:
//     InstallDecision decision = DecideInstall(waitResult, threadExitCode, succeeded, exists);
//     if (decision.launchSetup) {
//         decision = DecideAfterLaunch(ShellExecuteW(nullptr, kSetupLaunchVerb, path, nullptr,
//                                                    nullptr, kSetupShowCommand),
//                                      threadExitCode);
//     }
//     if (decision.showFailure) {
//         MessageBoxW(nullptr, decision.message, decision.caption, decision.boxFlags);
//     }
//     ExitProcess(decision.exitCode);

#include <windows.h>

namespace updater {

// The exit code the install thread starts from and keeps when the download thread's own code
// cannot be read; also the code of a failed launch.
constexpr DWORD kInstallFailedExitCode = static_cast<DWORD>(-1);
// The download reported success but left no file (the server sent no data).
constexpr DWORD kSetupMissingExitCode = static_cast<DWORD>(-2);

// How the setup program is started through the shell.
constexpr const wchar_t* kSetupLaunchVerb = L"open";
constexpr int kSetupShowCommand = SW_SHOW;

struct InstallDecision {
    // Start the setup program, then let DecideAfterLaunch judge the shell's answer.
    bool launchSetup = false;
    // Show a message box with no owner before the process ends.
    bool showFailure = false;
    const wchar_t* message = nullptr;
    const wchar_t* caption = nullptr;
    UINT boxFlags = 0;
    // The process exit code (for launchSetup, the one a successful launch ends with).
    DWORD exitCode = kInstallFailedExitCode;
};

// `waitResult`: what waiting for the download thread returned. `threadExitCode`: that thread's
// exit code, kInstallFailedExitCode when it could not be read. `succeeded`: the progress
// dialog's succeeded flag. `setupFileExists`: whether the file at the save path exists.
InstallDecision DecideInstall(DWORD waitResult, DWORD threadExitCode, bool succeeded,
                              bool setupFileExists);

// `launchResult`: what ShellExecuteW returned; values up to 32 are errors.
InstallDecision DecideAfterLaunch(HINSTANCE launchResult, DWORD threadExitCode);

} // namespace updater

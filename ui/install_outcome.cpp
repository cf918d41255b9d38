#include "ui/install_outcome.h"

#include "ui/dialog_captions.h"

namespace updater {
namespace {

constexpr const wchar_t* kUnexpectedErrorText = L"升级时发生意外错误！";
constexpr const wchar_t* kUpgradeFailedText = L"升级失败,请稍候尝试！";
constexpr UINT kFailureBoxFlags = MB_ICONERROR;

// ShellExecuteW reports errors as values up to 32 in its instance-handle result.
constexpr INT_PTR kLastShellExecuteError = 32;

InstallDecision Failure(const wchar_t* message, DWORD exitCode) {
    InstallDecision decision;
    decision.showFailure = true;
    decision.message = message;
    decision.caption = kErrorBoxCaption;
    decision.boxFlags = kFailureBoxFlags;
    decision.exitCode = exitCode;
    return decision;
}

} // namespace

InstallDecision DecideInstall(DWORD waitResult, DWORD threadExitCode, bool succeeded,
                              bool setupFileExists) {
    if (waitResult != WAIT_OBJECT_0) {
        return Failure(kUnexpectedErrorText, threadExitCode);
    }
    if (!succeeded) {
        return Failure(kUpgradeFailedText, threadExitCode);
    }
    if (!setupFileExists) {
        return Failure(kUpgradeFailedText, kSetupMissingExitCode);
    }
    InstallDecision decision;
    decision.launchSetup = true;
    decision.exitCode = threadExitCode;
    return decision;
}

InstallDecision DecideAfterLaunch(HINSTANCE launchResult, DWORD threadExitCode) {
    if (reinterpret_cast<INT_PTR>(launchResult) <= kLastShellExecuteError) {
        return Failure(kUpgradeFailedText, kInstallFailedExitCode);
    }
    InstallDecision decision;
    decision.exitCode = threadExitCode;
    return decision;
}

} // namespace updater

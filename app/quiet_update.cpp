#include "app/quiet_update.h"

#include "app/update_check.h"
#include "download/earlier_downloads.h"
#include "download/kept_downloads.h"
#include "download/save_path.h"
#include "download/setup_download.h"
#include "ui/install_outcome.h"
#include "ui/install_worker.h"
#include "update/update_info.h"

#include <shlwapi.h>

namespace updater {
namespace {

// Nobody watches and nobody cancels: the download runs to its end.
class UnattendedSink : public IPostionChanged {
public:
    void OnPositionChanged(ULONGLONG, ULONGLONG) override {}
};

} // namespace

int RunQuietUpdate(const LocalConfig& config) {
    std::wstring temporaryDirectory;
    if (GetTemporaryDirectory(temporaryDirectory)) {
        RemoveEarlierDownloads(temporaryDirectory);
    }
    const CheckResult result = EvaluateUpdate(config, g_updateInfo);
    if (result != kCheckNewer) {
        return result;
    }
    DiscardKeptDownloadsOfOtherUpdates(g_setupRequirements.sha256);
    SetupDownload download;
    UnattendedSink sink;
    const bool downloaded = download.Prepare(g_updateInfo.url, g_setupRequirements) &&
                            download.Fetch(g_updateInfo.url, g_setupRequirements, sink);
    const bool fileThere = PathFileExistsW(download.SavePath().c_str()) != FALSE;
    InstallDecision decision = DecideInstall(WAIT_OBJECT_0, downloaded ? 0 : kInstallFailedExitCode,
                                             downloaded, fileThere);
    if (decision.launchSetup) {
        decision = LaunchSetup(download.SavePath(), g_updateInfo.args, decision.exitCode);
    }
    if (decision.showFailure) {
        download.Discard();
    } else {
        download.Release();
    }
    return static_cast<int>(decision.exitCode);
}

} // namespace updater

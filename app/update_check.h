#pragma once
// The update check: read config.ini, fetch and parse the update descriptor, compare the
// versions, and word the outcome for the offer dialog or the message box.

#include "app/startup_observer.h"
#include "config/local_config.h"
#include "update/descriptor_check.h"
#include "update/setup_check.h"
#include "update/update_info.h"

#include <string>

namespace updater {

// Outcome of the check; below 1 it is also the process exit code.
using CheckResult = int;
constexpr CheckResult kCheckNewer = 1;               // the published version is newer
constexpr CheckResult kCheckEqual = 0;               // same version
constexpr CheckResult kCheckOlder = -1;              // the published version is older
constexpr CheckResult kCheckConfigIncomplete = -2;   // version or URL missing, or checks broken
constexpr CheckResult kCheckFetchFailed = -3;        // the descriptor could not be fetched
constexpr CheckResult kCheckDescriptorUnusable = -4; // fetched, but it fails a check or to parse

// Fills in the checks config.ini asks for, of the descriptor and of the setup program. Empty
// when they can be made; otherwise why not, in English: a publickey that is not a P-256 key, a
// signeddescriptor other than 1 or 0, or 1 without a publickey.
std::wstring ConfiguredChecks(const LocalConfig& config, DescriptorRequirements& descriptor,
                              SetupRequirements& setup);

// The check without its text: no network access unless both config fields are set. Fills
// info from the descriptor. The observer hears the fetch and the parse.
CheckResult EvaluateUpdate(const LocalConfig& config, UpdateInfo& info,
                           StartupObserver observer = nullptr);

// Runs the check with `config` (or config.ini from configDirectory) and replaces report with
// the offer text (result 1) or the message for the result. The observer hears each step: the
// fetch, the parse, the report's text. The log tells the addresses, the result and, for a
// check that cannot offer anything, the reason.
int CheckForUpdate(const LocalConfig& config, UpdateInfo& info, std::wstring& report,
                   StartupObserver observer = nullptr);
int CheckForUpdate(UpdateInfo& info, std::wstring& report, const std::wstring& configDirectory);

// "当前版本：<installed>\r\n\r\n最新版本：<ver>\r\n文件大小：<size>\r\n更新描述：\r\n<comments>\r\n",
// each description line cut at 2,000 characters and the description at about 20,000, each cut
// marked with "……".
std::wstring BuildOfferText(const std::wstring& installedVersion, const UpdateInfo& info);

} // namespace updater

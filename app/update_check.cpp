#include "app/update_check.h"

#include "app/update_check_texts.h"
#include "common/unique_handle.h"
#include "net/http_transfer.h"

namespace updater {
namespace {

int CheckWith(const LocalConfig& config, UpdateInfo& info, std::wstring& report,
              StartupObserver observer) {
    const CheckResult result = EvaluateUpdate(config, info, observer);
    switch (result) {
    case kCheckNewer:
        report = BuildOfferText(config.version, info);
        break;
    case kCheckEqual:
    case kCheckOlder:
        report = check_texts::kUpToDate;
        break;
    case kCheckConfigIncomplete:
        report = check_texts::kConfigIncomplete;
        break;
    case kCheckFetchFailed:
        report = check_texts::kCannotConnect;
        break;
    default:
        report = check_texts::kDescriptorUnusable;
        break;
    }
    ReportStep(observer, "report text built");
    return result;
}

} // namespace

CheckResult EvaluateUpdate(const LocalConfig& config, UpdateInfo& info, StartupObserver observer) {
    if (config.version.empty() || config.descriptorUrl.empty()) {
        return kCheckConfigIncomplete;
    }
    char* received = nullptr;
    DWORD length = 0;
    if (!HttpGetToMemory(config.descriptorUrl.c_str(), &received, &length, nullptr)) {
        ReportStep(observer, "descriptor fetch failed");
        return kCheckFetchFailed; // no block was handed out
    }
    ReportStep(observer, "descriptor fetched");
    UniqueHeapBlock descriptor(received);
    const HRESULT parsed = info.Parse(descriptor.get());
    descriptor.reset();
    ReportStep(observer, "descriptor parsed");
    if (FAILED(parsed)) {
        return kCheckDescriptorUnusable;
    }
    return info.CompareWithLocal(config.version);
}

int CheckForUpdate(UpdateInfo& info, std::wstring& report, StartupObserver observer) {
    const LocalConfig config;
    ReportStep(observer, "config.ini read");
    return CheckWith(config, info, report, observer);
}

int CheckForUpdate(UpdateInfo& info, std::wstring& report, const std::wstring& configDirectory) {
    const LocalConfig config(configDirectory);
    return CheckWith(config, info, report, nullptr);
}

std::wstring BuildOfferText(const std::wstring& installedVersion, const UpdateInfo& info) {
    std::wstring text = check_texts::kOfferInstalled;
    text += installedVersion;
    text += check_texts::kOfferLatest;
    text += info.ver;
    text += check_texts::kOfferSize;
    text += info.size;
    text += check_texts::kOfferDescription;
    text += info.comments;
    text += check_texts::kOfferEnd;
    return text;
}

} // namespace updater

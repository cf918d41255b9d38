#include "app/update_check.h"

#include "app/update_check_texts.h"
#include "common/hex_digit.h"
#include "common/unique_handle.h"
#include "log/run_log.h"
#include "net/http_transfer.h"
#include "net/url.h"
#include "update/setup_check.h"
#include "update/utc_time.h"

#include <algorithm>

namespace updater {
namespace {

// What reaches the offer's text box: wine's rich-edit control lays out a long line in time and
// memory that grow much faster than its length, so each description line and the whole
// description are cut, with a mark that says so.
constexpr size_t kMaxDescriptionLine = 2000;
constexpr size_t kMaxDescription = 20000;
constexpr wchar_t kCutMark[] = L"……";

std::wstring BoundedDescription(const std::wstring& comments) {
    std::wstring bounded;
    size_t start = 0;
    while (start < comments.size() && bounded.size() < kMaxDescription) {
        size_t end = comments.find(L'\n', start);
        end = end == std::wstring::npos ? comments.size() : end + 1;
        std::wstring line = comments.substr(start, end - start);
        if (line.size() > kMaxDescriptionLine) {
            const bool ended = line.back() == L'\n';
            line.resize(kMaxDescriptionLine);
            line += kCutMark;
            line += ended ? L"\r\n" : L"";
        }
        bounded += line;
        start = end;
    }
    if (start < comments.size()) {
        bounded.resize(std::min(bounded.size(), kMaxDescription));
        bounded += kCutMark;
        bounded += L"\r\n";
    }
    return bounded;
}

// Ends a check that could not offer anything, with the reason in the log.
CheckResult LoggedCheck(CheckResult result, const std::wstring& reason) {
    LogLine(L"check result " + std::to_wstring(result) + L": " + reason);
    return result;
}

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

std::wstring ConfiguredChecks(const LocalConfig& config, DescriptorRequirements& descriptor,
                              SetupRequirements& setup) {
    if (!SetVendorKey(setup, config.publicKey)) {
        return L"publickey is not a P-256 public key";
    }
    if (config.descriptorSigning == LocalConfig::DescriptorSigning::Unrecognised) {
        return L"signeddescriptor is neither 1 nor 0";
    }
    if (config.descriptorSigning == LocalConfig::DescriptorSigning::Required) {
        if (!setup.vendorKey) {
            return L"signeddescriptor=1 needs the publickey that checks the signature";
        }
        descriptor.signer = setup.vendorKey;
    }
    descriptor.product = config.product;
    setup.publisher = config.publisher;
    return std::wstring();
}

CheckResult EvaluateUpdate(const LocalConfig& config, UpdateInfo& info, StartupObserver observer) {
    LogLine(L"installed version " + config.version + L", descriptor " +
            LoggableUrl(config.descriptorUrl));
    if (config.version.empty() || config.descriptorUrl.empty()) {
        return LoggedCheck(kCheckConfigIncomplete, L"config.ini lacks version or update");
    }
    DescriptorRequirements descriptorRequirements;
    SetupRequirements requirements;
    const std::wstring broken = ConfiguredChecks(config, descriptorRequirements, requirements);
    if (!broken.empty()) {
        // Checks asked for that cannot be made: a broken configuration.
        return LoggedCheck(kCheckConfigIncomplete, L"config.ini: " + broken);
    }
    char* received = nullptr;
    DWORD length = 0;
    FetchOrigin origin;
    if (!HttpGetToMemory(config.descriptorUrl.c_str(), &received, &length, nullptr,
                         static_cast<DWORD>(kMaxDescriptorBytes), &origin)) {
        ReportStep(observer, "descriptor fetch failed");
        return LoggedCheck(kCheckFetchFailed, L"the descriptor could not be fetched");
    }
    ReportStep(observer, "descriptor fetched");
    // An error page (a proxy asking for credentials, a server that is down) says nothing about
    // the vendor's descriptor: the server could not be used.
    const CheckResult unusable =
        origin.status >= kFirstErrorStatus ? kCheckFetchFailed : kCheckDescriptorUnusable;
    // A descriptor longer than kMaxDescriptorBytes fails to parse. One that must be signed is
    // not read at all unless its signature holds.
    UniqueHeapBlock descriptor(received);
    const std::wstring signatureRefused =
        CheckDescriptorBytes(descriptorRequirements, descriptor.get(), length);
    if (!signatureRefused.empty()) {
        return LoggedCheck(unusable, signatureRefused);
    }
    const HRESULT parsed = info.Parse(descriptor.get(), length);
    descriptor.reset();
    ReportStep(observer, "descriptor parsed");
    if (FAILED(parsed)) {
        return LoggedCheck(unusable, L"the descriptor (" + std::to_wstring(length) +
                                         L" bytes, HTTP " + std::to_wstring(origin.status) +
                                         L") does not parse: HRESULT " + HexCode(parsed));
    }
    std::wstring refused = CheckDescriptorFields(descriptorRequirements, info, CurrentUtcTicks());
    if (refused.empty() && !SetPublishedChecks(requirements, info.sha256, info.signature)) {
        refused = L"<sha256> is not 64 hexadecimal digits";
    }
    if (!refused.empty()) {
        return LoggedCheck(kCheckDescriptorUnusable, refused);
    }
    // A relative address stands beside the descriptor, as a link stands in a page. One that
    // cannot be resolved stays as written and fails when it is downloaded.
    std::wstring setupUrl;
    if (ResolveUrl(origin.url, info.url, setupUrl)) {
        info.url = setupUrl;
    }
    g_setupRequirements = requirements;
    const CheckResult result = info.CompareWithLocal(config.version);
    LogLine(L"published version " + info.ver + L" (setup program " + LoggableUrl(info.url) +
            (info.args.empty() ? L"" : L", arguments " + info.args) + L"): check result " +
            std::to_wstring(result));
    return result;
}

int CheckForUpdate(const LocalConfig& config, UpdateInfo& info, std::wstring& report,
                   StartupObserver observer) {
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
    text += BoundedDescription(info.comments);
    text += check_texts::kOfferEnd;
    return text;
}

} // namespace updater

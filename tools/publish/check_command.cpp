// updater-publish check: walks through one update check step by step, as updater.exe would make
// it, and says at each step what the updater sees. The vendor runs it on a descriptor before
// publishing it, and on a live address when users report that no update is offered.

#include "app/update_check.h"
#include "common/hex_digit.h"
#include "config/local_config.h"
#include "download/save_path.h"
#include "net/http_get.h"
#include "net/http_transfer.h"
#include "net/transfer_common.h"
#include "net/url.h"
#include "tools/publish/check_wording.h"
#include "tools/publish/command_line.h"
#include "tools/publish/commands.h"
#include "tools/publish/output.h"
#include "update/authenticode.h"
#include "update/descriptor_check.h"
#include "update/descriptor_signature.h"
#include "update/descriptor_text.h"
#include "update/setup_check.h"
#include "update/update_info.h"
#include "update/utc_time.h"

#include <windows.h>

#include <string>
#include <vector>

using namespace updater;

namespace {

constexpr wchar_t kUsage[] =
    L"usage: updater-publish check [--config PATH\\config.ini | --installed VERSION] "
    L"[--publickey BASE64] DESCRIPTOR\n"
    L"  DESCRIPTOR  an http(s) address or a local file\n"
    L"  --config    read version, publickey, signeddescriptor, product and publisher from this\n"
    L"              config.ini\n"
    L"  --installed the installed version (instead of --config)\n"
    L"  --publickey the vendor's key, base64 of its DER SubjectPublicKeyInfo\n"
    L"Exit code 0 when the updater would offer the update (its setup program verified, when\n"
    L"checked) or report that it is up to date; 1 otherwise.\n";

// Ends the check with the updater's own outcome for this step.
int Outcome(int result, const std::wstring& why) {
    Print(L"=> " + why + L"; the updater would end with exit code " + std::to_wstring(result));
    return kExitBad;
}

bool IsHttpAddress(const std::wstring& text) {
    return _wcsnicmp(text.c_str(), L"http://", 7) == 0 ||
           _wcsnicmp(text.c_str(), L"https://", 8) == 0;
}

// What the shell's "open" verb starts as a program (or installs, for .msi).
bool HasProgramExtension(const std::wstring& name) {
    const size_t dot = name.find_last_of(L'.');
    const wchar_t* extension = dot == std::wstring::npos ? L"" : name.c_str() + dot;
    return _wcsicmp(extension, L".exe") == 0 || _wcsicmp(extension, L".msi") == 0;
}

// Fetches as the updater does: one GET from the server itself within the same time, reading
// stops one byte past the limit. False after printing why the fetch failed.
bool FetchDescriptor(const std::wstring& url, std::vector<char>& bytes, FetchOrigin& origin) {
    try {
        const ProgressReporter report(nullptr);
        RequestOptions options;
        options.fromServer = true;
        options.deadline = TransferDeadline::In(kFetchToMemoryDeadlineMs);
        CHttpGet get(url.c_str(), report, options);
        origin.url = get.Address();
        origin.status = get.Request().QueryStatusCode();
        Print(L"HTTP status: " + std::to_wstring(origin.status));
        if (origin.url != url) {
            Print(L"redirected to: " + origin.url);
        }
        CChunkReader reader(get.Request(), report, L"", options.deadline);
        while (bytes.size() <= kMaxDescriptorBytes) {
            const DWORD n = reader.Next();
            if (n == 0) {
                break;
            }
            bytes.insert(bytes.end(), reader.Data(), reader.Data() + n);
        }
        return true;
    } catch (const CInternetException& failure) {
        Print(L"fetch failed: " + failure.m_strMessage + L" (error " +
              std::to_wstring(failure.m_dwError) + L": " + InternetErrorName(failure.m_dwError) +
              L")");
        return false;
    }
}

bool ReadDescriptorFile(const std::wstring& path, std::vector<char>& bytes) {
    const UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        Print(L"cannot open " + path + L" (error " + std::to_wstring(GetLastError()) + L")");
        return false;
    }
    char chunk[kMinReadSize];
    DWORD n = 0;
    while (bytes.size() <= kMaxDescriptorBytes &&
           ReadFile(file.get(), chunk, sizeof chunk, &n, nullptr) && n > 0) {
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    return true;
}

// Who signed the setup program, as the updater would see it with a publisher in config.ini.
void ReportAuthenticode(const std::wstring& path) {
    const UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::wstring signer;
    const LONG status = VerifyAuthenticode(file.get(), signer);
    Print(status == ERROR_SUCCESS ? L"Authenticode signer: " + signer
                                  : L"Authenticode: none that Windows accepts (" + HexCode(status) +
                                        L": " + TrustErrorName(status) + L")");
}

// What the descriptor's signature comment is, checked with the vendor's key when there is one.
void ReportDescriptorSignature(const SetupRequirements& requirements,
                               const std::vector<char>& bytes) {
    DescriptorSignature signature;
    if (!FindDescriptorSignature(bytes.data(), bytes.size(), signature)) {
        Print(L"descriptor signature: (none)");
    } else if (!requirements.vendorKey) {
        Print(L"descriptor signature: present, not checked without a public key");
    } else if (VerifyDescriptorSignature(*requirements.vendorKey, bytes.data(), bytes.size())) {
        Print(L"descriptor signature: the vendor's, over the first " +
              std::to_wstring(signature.signedBytes) + L" bytes");
    } else {
        Print(L"descriptor signature: NOT the vendor's signature of the bytes before it");
    }
}

void ReportExpiry(const UpdateInfo& info) {
    ULONGLONG expiry = 0;
    if (!info.expires) {
        Print(L"expires: (never)");
    } else if (!ParseUtcTime(*info.expires, expiry)) {
        Print(L"expires: " + *info.expires + L" (malformed)");
    } else {
        const ULONGLONG now = CurrentUtcTicks();
        const ULONGLONG hours =
            (expiry > now ? expiry - now : now - expiry) / kTicksPerSecond / 3600;
        const std::wstring span = hours >= 48 ? std::to_wstring(hours / 24) + L" days"
                                              : std::to_wstring(hours) + L" hours";
        Print(L"expires: " + *info.expires +
              (expiry >= now ? L" (in " + span + L")" : L" (" + span + L" ago: expired)"));
    }
}

// Downloads the setup program into a temporary file of its own, checks it and deletes it.
int CheckSetupProgram(const SetupRequirements& requirements, const std::wstring& url) {
    wchar_t directory[MAX_PATH + 1] = L"";
    wchar_t path[MAX_PATH + 1] = L"";
    if (GetTempPathW(MAX_PATH + 1, directory) == 0 ||
        GetTempFileNameW(directory, L"upc", 0, path) == 0) {
        Print(L"no temporary file for the setup program");
        return kExitBad;
    }
    Print(L"downloading the setup program from " + url);
    const bool downloaded = HttpGetToFile(url.c_str(), path, nullptr);
    const std::wstring verdict =
        downloaded ? CheckSetupFile(requirements, path) : L"the download failed";
    if (downloaded) {
        ReportAuthenticode(path);
    }
    DeleteFileW(path);
    if (!verdict.empty()) {
        Print(L"setup program refused: " + verdict);
        return Outcome(-1, L"the upgrade would fail and nothing would be started");
    }
    Print(L"setup program verified");
    return kExitGood;
}

int Check(const std::wstring& configPath, std::wstring installed, const std::wstring& publicKey,
          const std::wstring& descriptor) {
    DescriptorRequirements descriptorRequirements;
    SetupRequirements requirements;
    if (!configPath.empty()) {
        const size_t slash = configPath.find_last_of(L"\\/");
        const std::wstring name =
            slash == std::wstring::npos ? configPath : configPath.substr(slash + 1);
        if (_wcsicmp(name.c_str(), L"config.ini") != 0) {
            Print(L"--config names a file called config.ini, the only name the updater reads");
            return kExitBad;
        }
        LocalConfig config(slash == std::wstring::npos ? L"." : configPath.substr(0, slash));
        config.Load();
        Print(L"config.ini: version=" + config.version);
        Print(L"config.ini: update=" + config.descriptorUrl);
        Print(std::wstring(L"config.ini: publickey ") +
              (config.publicKey.empty() ? L"not set" : L"set"));
        Print(std::wstring(L"config.ini: signed descriptor ") +
              (config.descriptorSigning == LocalConfig::DescriptorSigning::Required
                   ? L"required"
                   : L"not required"));
        Print(L"config.ini: product=" + config.product);
        Print(L"config.ini: publisher=" + config.publisher);
        installed = config.version;
        if (!publicKey.empty()) {
            config.publicKey = publicKey;
        }
        const std::wstring broken = ConfiguredChecks(config, descriptorRequirements, requirements);
        if (!installed.empty() && !broken.empty()) {
            return Outcome(kCheckConfigIncomplete, L"config.ini: " + broken);
        }
    } else {
        Print(L"installed version: " + installed);
        if (!SetVendorKey(requirements, publicKey)) {
            return Outcome(kCheckConfigIncomplete, L"--publickey is not a P-256 public key");
        }
    }
    if (installed.empty()) {
        return Outcome(kCheckConfigIncomplete, L"config.ini: version is missing");
    }

    Print(L"descriptor: " + descriptor);
    std::vector<char> bytes;
    FetchOrigin origin;
    const bool fetched = IsHttpAddress(descriptor) ? FetchDescriptor(descriptor, bytes, origin)
                                                   : ReadDescriptorFile(descriptor, bytes);
    if (!fetched) {
        return Outcome(kCheckFetchFailed, L"the descriptor could not be fetched");
    }
    Print(L"descriptor bytes: " + std::to_wstring(bytes.size()));
    if (bytes.size() > kMaxDescriptorBytes) {
        return Outcome(kCheckDescriptorUnusable, L"the descriptor is larger than 1 MiB");
    }

    ReportDescriptorSignature(requirements, bytes);
    const std::wstring refused =
        CheckDescriptorBytes(descriptorRequirements, bytes.data(), bytes.size());
    const bool errorPage = origin.status >= kFirstErrorStatus;
    if (!refused.empty()) {
        Print(L"refused: " + refused);
        return errorPage ? Outcome(kCheckFetchFailed, L"the server answered with an error page")
                         : Outcome(kCheckDescriptorUnusable, L"the descriptor is unusable");
    }

    UpdateInfo info;
    const HRESULT parsed = info.Parse(bytes.data(), bytes.size());
    if (FAILED(parsed)) {
        Print(L"parse failed: " + DescribeParseFailure(parsed, bytes));
        return errorPage ? Outcome(kCheckFetchFailed, L"the server answered with an error page")
                         : Outcome(kCheckDescriptorUnusable, L"the descriptor is unusable");
    }
    std::wstring setupUrl;
    if (!origin.url.empty() && ResolveUrl(origin.url, info.url, setupUrl) && setupUrl != info.url) {
        Print(L"url as written: " + info.url);
        info.url = setupUrl;
    }
    Print(L"ver: " + info.ver);
    Print(L"url: " + info.url);
    const std::wstring savedAs = SetupFileName(info.url);
    Print(L"saved as: " + savedAs);
    if (!HasProgramExtension(savedAs)) {
        Print(L"warning: the saved name does not end in .exe or .msi; the shell would not start "
              L"it as a program");
    }
    Print(L"size: " + info.size);
    Print(L"comments:\n" + info.comments);
    Print(L"sha256: " + (info.sha256.empty() ? L"(none)" : info.sha256));
    Print(L"signature: " + (info.signature.empty() ? L"(none)" : info.signature));
    Print(L"product: " + (info.product.empty() ? L"(none)" : info.product));
    Print(L"setup program's arguments: " + (info.args.empty() ? L"(none)" : info.args));
    ReportExpiry(info);
    const std::wstring unusable =
        CheckDescriptorFields(descriptorRequirements, info, CurrentUtcTicks());
    if (!unusable.empty()) {
        return Outcome(kCheckDescriptorUnusable, unusable);
    }
    if (!SetPublishedChecks(requirements, info.sha256, info.signature)) {
        return Outcome(kCheckDescriptorUnusable, L"<sha256> is not 64 hexadecimal digits");
    }
    Print(L"offer text:\n" + BuildOfferText(installed, info));

    const int result = info.CompareWithLocal(installed);
    if (result != kCheckNewer) {
        Print(L"installed " + installed + (result == kCheckEqual ? L" = " : L" > ") +
              L"published " + info.ver);
        Print(L"=> report up to date; the updater would end with exit code " +
              std::to_wstring(result));
        return result == kCheckEqual ? kExitGood : kExitBad;
    }
    Print(L"installed " + installed + L" < published " + info.ver);
    Print(L"=> offer the update; the updater would end with exit code 0 once the setup program "
          L"is downloaded and started (2 or 1003 when declined, -1 when the download fails)");
    if (!requirements.sha256 && !requirements.vendorKey && requirements.publisher.empty()) {
        Print(L"setup program not checked: neither <sha256> nor a public key nor a publisher");
        return kExitGood;
    }
    return CheckSetupProgram(requirements, info.url);
}

} // namespace

int CheckCommand(const Arguments& arguments) {
    if (HelpAsked(arguments)) {
        Print(kUsage);
        return kExitGood;
    }
    std::wstring configPath, installed, publicKey, error;
    std::vector<std::wstring> descriptor;
    const std::vector<Option> options = {
        {L"--config", &configPath},
        {L"--installed", &installed},
        {L"--publickey", &publicKey},
    };
    if (!ParseOptions(arguments, options, 1, descriptor, error)) {
        Print(error + L"\n" + kUsage);
        return kExitBad;
    }
    if (descriptor.empty() || configPath.empty() == installed.empty()) {
        Print(kUsage);
        return kExitBad;
    }
    return Check(configPath, installed, publicKey, descriptor[0]);
}

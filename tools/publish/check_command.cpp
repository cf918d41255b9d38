// updater-check: walks through one update check step by step, as updater.exe would make it,
// and says at each step what the updater sees. The vendor runs it on a descriptor before
// publishing it, and on a live address when users report that no update is offered.

#include "app/update_check.h"
#include "config/local_config.h"
#include "net/http_get.h"
#include "net/http_transfer.h"
#include "net/transfer_common.h"
#include "net/url.h"
#include "tools/updater_check/output.h"
#include "ui/save_path.h"
#include "update/descriptor_text.h"
#include "update/setup_check.h"
#include "update/update_info.h"

#include <windows.h>

#include <string>
#include <vector>

using namespace updater;

namespace {

constexpr int kExitGood = 0;
constexpr int kExitBad = 1;

constexpr wchar_t kUsage[] =
    L"usage: updater-check [--config PATH\\config.ini | --installed VERSION] "
    L"[--publickey BASE64] DESCRIPTOR\n"
    L"  DESCRIPTOR  an http(s) address or a local file\n"
    L"  --config    read version and publickey from this config.ini\n"
    L"  --installed the installed version (instead of --config)\n"
    L"  --publickey the vendor's key, base64 of its DER SubjectPublicKeyInfo\n"
    L"Exit code 0 when the updater would offer the update (its setup program verified, when\n"
    L"checked) or report that it is up to date; 1 otherwise.\n";

// Ends the check with the updater's own outcome for this step.
int Outcome(int result, const wchar_t* why) {
    Print(std::wstring(L"=> ") + why + L"; the updater would end with exit code " +
          std::to_wstring(result));
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
    DeleteFileW(path);
    if (!verdict.empty()) {
        Print(L"setup program refused: " + verdict);
        return Outcome(-1, L"the upgrade would fail and nothing would be started");
    }
    Print(L"setup program verified");
    return kExitGood;
}

int Check(const std::wstring& configPath, std::wstring installed, std::wstring publicKey,
          const std::wstring& descriptor) {
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
        installed = config.version;
        if (publicKey.empty()) {
            publicKey = config.publicKey;
        }
    } else {
        Print(L"installed version: " + installed);
    }
    if (installed.empty()) {
        return Outcome(kCheckConfigIncomplete, L"config.ini: version is missing");
    }
    SetupRequirements requirements;
    if (!SetVendorKey(requirements, publicKey)) {
        return Outcome(kCheckConfigIncomplete, L"config.ini: publickey is not a P-256 public key");
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

    UpdateInfo info;
    const HRESULT parsed = info.Parse(bytes.data(), bytes.size());
    if (FAILED(parsed)) {
        Print(L"parse failed: " + DescribeParseFailure(parsed, bytes));
        if (origin.status >= kFirstErrorStatus) {
            return Outcome(kCheckFetchFailed, L"the server answered with an error page");
        }
        return Outcome(kCheckDescriptorUnusable, L"the descriptor is unusable");
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
    if (!requirements.sha256 && !requirements.vendorKey) {
        Print(L"setup program not checked: neither <sha256> nor a public key");
        return kExitGood;
    }
    return CheckSetupProgram(requirements, info.url);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring configPath, installed, publicKey, descriptor;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == L"--help" || arg == L"-h" || arg == L"/?") {
            Print(kUsage);
            return kExitGood;
        } else if (arg == L"--config" && hasValue) {
            configPath = argv[++i];
        } else if (arg == L"--installed" && hasValue) {
            installed = argv[++i];
        } else if (arg == L"--publickey" && hasValue) {
            publicKey = argv[++i];
        } else if (descriptor.empty() && arg.rfind(L"--", 0) != 0) {
            descriptor = arg;
        } else {
            Print(L"unexpected argument: " + arg + L"\n" + kUsage);
            return kExitBad;
        }
    }
    if (descriptor.empty() || configPath.empty() == installed.empty()) {
        Print(kUsage);
        return kExitBad;
    }
    return Check(configPath, installed, publicKey, descriptor);
}

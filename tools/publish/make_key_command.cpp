// updater-publish make-key: the vendor's P-256 key pair, made once.

#include "tools/publish/command_line.h"
#include "tools/publish/commands.h"
#include "tools/publish/files.h"
#include "tools/publish/output.h"
#include "tools/publish/signing_key.h"

#include <windows.h>

using namespace updater;

namespace {

constexpr wchar_t kUsage[] =
    L"usage: updater-publish make-key [--out DIR]\n"
    L"Makes the ECDSA P-256 key pair that signs descriptors and setup programs. Writes the\n"
    L"private key to DIR\\updater-key.pem (default: the current folder) as PKCS#8 PEM, readable\n"
    L"by its owner only; an existing file is never overwritten. Prints the line that goes into\n"
    L"[main] of config.ini: publickey=<base64 of the DER SubjectPublicKeyInfo>.\n"
    L"Keep the private key off the update server: only the build machine needs it.\n";
constexpr wchar_t kKeyFileName[] = L"updater-key.pem";

} // namespace

int MakeKeyCommand(const Arguments& arguments) {
    if (HelpAsked(arguments)) {
        Print(kUsage);
        return kExitGood;
    }
    std::wstring folder = L".";
    std::vector<std::wstring> none;
    std::wstring error;
    if (!ParseOptions(arguments, {{L"--out", &folder}}, 0, none, error)) {
        PrintError(L"make-key: " + error + L"\n" + kUsage);
        return kExitUsage;
    }
    const std::wstring path = folder + L"\\" + kKeyFileName;
    SigningKey key;
    EcPrivateKey exported;
    if (!key.Generate() || !key.Export(exported)) {
        PrintError(L"make-key: the platform could not make a P-256 key");
        return kExitBad;
    }
    std::string pem = FormatKeyFile(exported);
    const DWORD created = CreatePrivateFile(path, pem);
    SecureZeroMemory(pem.data(), pem.size());
    if (created == ERROR_FILE_EXISTS) {
        PrintError(L"make-key: " + path + L" exists; it is not overwritten");
        return kExitBad;
    }
    if (created != ERROR_SUCCESS) {
        PrintError(L"make-key: cannot create " + path + L" (error " + std::to_wstring(created) +
                   L")");
        return kExitBad;
    }
    PrintError(L"private key: " + path + L" (keep it secret)");
    Print(L"publickey=" + EncodePublicKey(key.Public()));
    return kExitGood;
}

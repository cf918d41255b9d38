// updater-publish make-descriptor: the descriptor of a setup program, and with a key its
// signature and the signature of the descriptor itself.

#include "common/unique_handle.h"
#include "tools/publish/command_line.h"
#include "tools/publish/commands.h"
#include "tools/publish/descriptor_writer.h"
#include "tools/publish/files.h"
#include "tools/publish/output.h"
#include "tools/publish/signing_key.h"
#include "update/descriptor_check.h"
#include "update/descriptor_text.h"
#include "update/utc_time.h"

#include <cwctype>

using namespace updater;

namespace {

constexpr wchar_t kUsage[] =
    L"usage: updater-publish make-descriptor --version VERSION --url URL --notes FILE\n"
    L"           [--key PEM] [--expires DAYS] [--product NAME] [--args ARGS] [--out FILE] SETUP\n"
    L"Writes the UTF-8 update descriptor of the setup program SETUP: the version, its download\n"
    L"address, a readable size, one <line> per non-empty line of the notes (UTF-8) and the\n"
    L"SHA-256 of SETUP. With --key (the private key from make-key; any unencrypted P-256 key in\n"
    L"PKCS#8 or SEC1 PEM) also the signature of SETUP, and the signature of the whole descriptor\n"
    L"in a comment at its end. --expires: the updater stops using the descriptor DAYS days from\n"
    L"now. --product: the product the update is for, as config.ini's product names it.\n"
    L"--args: the setup program's command line (/S, /quiet /norestart), at most 1,024\n"
    L"characters, no control characters.\n"
    L"Without --out the descriptor goes to standard output.\n";

constexpr size_t kLargestKeyFile = 64 * 1024;
constexpr ULONGLONG kMostDays = 36500;
constexpr ULONGLONG kTicksPerDay = 24 * 60 * 60 * kTicksPerSecond;

struct Request {
    std::wstring version, url, notes, key, expires, product, args, out;
};

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

// One to four parts of decimal digits, separated by dots.
bool IsVersion(const std::wstring& text) {
    size_t parts = 1;
    for (size_t index = 0; index < text.size(); ++index) {
        if (text[index] == L'.' && index > 0 && index + 1 < text.size() &&
            text[index - 1] != L'.') {
            ++parts;
        } else if (!IsDigit(text[index])) {
            return false;
        }
    }
    return !text.empty() && parts <= 4;
}

bool IsHttpAddress(const std::wstring& text) {
    const size_t rest = text.compare(0, 7, L"http://") == 0    ? 7
                        : text.compare(0, 8, L"https://") == 0 ? 8
                                                               : 0;
    if (rest == 0 || rest == text.size()) {
        return false;
    }
    for (const wchar_t c : text) {
        if (std::iswspace(c)) {
            return false;
        }
    }
    return true;
}

bool ParseDays(const std::wstring& text, ULONGLONG& days) {
    ULONGLONG value = 0;
    for (const wchar_t c : text) {
        if (!IsDigit(c) || (value = value * 10 + static_cast<ULONGLONG>(c - L'0')) > kMostDays) {
            return false;
        }
    }
    days = value;
    return !text.empty() && value > 0;
}

std::wstring HexOf(const Sha256Digest& digest) {
    constexpr wchar_t kDigits[] = L"0123456789abcdef";
    std::wstring hex;
    for (const uint8_t byte : digest) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0xF];
    }
    return hex;
}

std::wstring ReadSetupFacts(const std::wstring& path, ULONGLONG& size, Sha256Digest& digest) {
    const UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER length{};
    if (!file || !GetFileSizeEx(file.get(), &length) || !Sha256OfOpenFile(file.get(), digest)) {
        return L"cannot read " + path + L" (error " + std::to_wstring(GetLastError()) + L")";
    }
    size = static_cast<ULONGLONG>(length.QuadPart);
    return std::wstring();
}

std::wstring LoadKey(const std::wstring& path, SigningKey& key) {
    std::string text;
    std::wstring error = ReadWholeFile(path, kLargestKeyFile, text);
    EcPrivateKey parsed;
    if (error.empty()) {
        error = ParseKeyFile(text, parsed);
        SecureZeroMemory(text.data(), text.size());
    }
    if (error.empty() && !key.Import(parsed)) {
        error = L"the platform does not take the key";
    }
    return error.empty() ? error : path + L": " + error;
}

// The descriptor in `document`; empty on success, otherwise why not.
std::wstring MakeDescriptor(const Request& request, const std::wstring& setup,
                            std::string& document) {
    ULONGLONG days = 0;
    if (!IsVersion(request.version)) {
        return L"the version is one to four numbers separated by dots, not \"" + request.version +
               L"\"";
    }
    if (!IsHttpAddress(request.url)) {
        return L"the address starts with http:// or https:// and holds no white space, not \"" +
               request.url + L"\"";
    }
    if (!request.expires.empty() && !ParseDays(request.expires, days)) {
        return L"--expires takes a number of days from 1 to " + std::to_wstring(kMostDays);
    }
    // config.ini drops white space around a value, so such a name could never match.
    if (!request.product.empty() &&
        (std::iswspace(request.product.front()) || std::iswspace(request.product.back()))) {
        return L"the product name has white space around it";
    }
    UpdateInfo arguments; // checked as the updater checks a descriptor's <args>
    arguments.args = request.args;
    const std::wstring badArguments =
        CheckDescriptorFields(DescriptorRequirements(), arguments, CurrentUtcTicks());
    if (!badArguments.empty()) {
        return badArguments;
    }
    ULONGLONG size = 0;
    Sha256Digest digest{};
    std::string notes;
    DescriptorContent content;
    std::wstring error = ReadSetupFacts(setup, size, digest);
    if (error.empty()) {
        error = ReadWholeFile(request.notes, kMaxDescriptorBytes, notes);
    }
    if (error.empty()) {
        error = ReadNoteLines(notes, content.notes);
    }
    SigningKey key;
    std::wstring setupSignature;
    if (error.empty() && !request.key.empty()) {
        error = LoadKey(request.key, key);
        setupSignature = error.empty() ? key.Sign(digest) : L"";
        // The updater's own check: a key file whose public key is not its private key's fails.
        if (error.empty() && !VerifySignature(key.Public(), digest, setupSignature)) {
            error = request.key + L": the key does not verify its own signature";
        }
    }
    if (!error.empty()) {
        return error;
    }
    content.elements = {
        {L"ver", request.version},
        {L"url", request.url},
        {L"size", ReadableSize(size)},
        {L"product", request.product},
        {L"args", request.args},
        {L"expires", days > 0 ? FormatUtcTime(CurrentUtcTicks() + days * kTicksPerDay) : L""},
        {L"sha256", HexOf(digest)},
        {L"signature", setupSignature},
    };
    error = WriteDescriptorXml(content, document);
    if (error.empty() && !request.key.empty() && !SignDescriptor(key, document)) {
        error = L"the descriptor could not be signed";
    }
    if (error.empty() && document.size() > kMaxDescriptorBytes) {
        error = L"the descriptor would be larger than the 1 MiB the updater reads";
    }
    return error;
}

} // namespace

int MakeDescriptorCommand(const Arguments& arguments) {
    if (HelpAsked(arguments)) {
        Print(kUsage);
        return kExitGood;
    }
    Request request;
    std::vector<std::wstring> setup;
    std::wstring error;
    const std::vector<Option> options = {
        {L"--version", &request.version}, // <ver>
        {L"--url", &request.url},         // <url>
        {L"--notes", &request.notes},     // <comments>, from a file
        {L"--key", &request.key},         // <signature> and the signature comment
        {L"--expires", &request.expires}, // <expires>, in days from now
        {L"--product", &request.product}, // <product>
        {L"--args", &request.args},       // <args>
        {L"--out", &request.out},         // the descriptor file; standard output without it
    };
    if (!ParseOptions(arguments, options, 1, setup, error) || request.version.empty() ||
        request.url.empty() || request.notes.empty() || setup.empty()) {
        PrintError(L"make-descriptor: " +
                   (error.empty() ? L"--version, --url, --notes and SETUP are required" : error) +
                   L"\n" + kUsage);
        return kExitUsage;
    }
    std::string document;
    error = MakeDescriptor(request, setup[0], document);
    if (error.empty() && !request.out.empty()) {
        error = WriteWholeFile(request.out, document);
    } else if (error.empty() && !WriteOutputBytes(document)) {
        error = L"cannot write to standard output";
    }
    if (!error.empty()) {
        PrintError(L"make-descriptor: " + error);
        return kExitBad;
    }
    return kExitGood;
}

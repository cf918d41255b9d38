#include "tools/publish/pem.h"

#include "update/base64.h"

namespace updater {
namespace {

constexpr size_t kLineCharacters = 64;
// A key's base64 is a few hundred characters.
constexpr size_t kLargestDer = 16 * 1024;

std::string BeginLine(const std::string& label) {
    return "-----BEGIN " + label + "-----";
}

std::string EndLine(const std::string& label) {
    return "-----END " + label + "-----";
}

} // namespace

bool ReadPem(const std::string& text, const std::string& label, Bytes& der) {
    const std::string begin = BeginLine(label);
    const size_t start = text.find(begin);
    if (start == std::string::npos) {
        return false;
    }
    const size_t body = start + begin.size();
    const size_t end = text.find(EndLine(label), body);
    if (end == std::string::npos) {
        return false;
    }
    const std::wstring base64(text.begin() + static_cast<std::ptrdiff_t>(body),
                              text.begin() + static_cast<std::ptrdiff_t>(end));
    return DecodeBase64(base64, kLargestDer, der);
}

std::string WritePem(const std::string& label, const Bytes& der) {
    const std::wstring base64 = EncodeBase64(der.data(), der.size());
    std::string pem = BeginLine(label) + "\n";
    for (size_t at = 0; at < base64.size(); at += kLineCharacters) {
        for (const wchar_t c : base64.substr(at, kLineCharacters)) {
            pem += static_cast<char>(c);
        }
        pem += "\n";
    }
    return pem + EndLine(label) + "\n";
}

} // namespace updater

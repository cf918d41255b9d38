// Only a setup program that passes every check the configuration asks for is started.

#include "e2e/updater_driver.h"

#include <gtest/gtest.h>

namespace testing_support {
namespace {

// Replaces the text of the first <name> element, or removes the element.
std::string WithElement(std::string xml, const std::string& name, const std::string& text,
                        bool remove = false) {
    const size_t start = xml.find("<" + name + ">");
    const size_t end = xml.find("</" + name + ">");
    if (start == std::string::npos || end == std::string::npos) {
        return xml;
    }
    return remove ? xml.erase(start, end + name.size() + 3 - start)
                  : xml.replace(start + name.size() + 2, end - start - name.size() - 2, text);
}

// The vendor's update as scripts/make-key and scripts/make-descriptor made it, variants of it,
// and setup programs with Authenticode signatures (see start_test_server.sh).
TEST(UpdaterEndToEnd, OnlyASetupProgramThatMatchesItsChecksumAndSignatureIsStarted) {
    const std::string key = "publickey=" + ServedFile("publickey.txt");
    const std::string signedDescriptor = key + "\r\nsigneddescriptor=1";
    const std::string vendor = "publisher=Updater Test Vendor\r\n";
    const std::string byVendor = "/files/authenticode-by-codesign.exe";
    const std::string signedXml = ServedFile("vendor-setup.xml");
    const std::string other = ServedFile("vendor-other.xml");
    std::string withArguments = signedXml;
    withArguments.insert(withArguments.find("<sha256>"), "<args>/S /norestart</args>");
    const size_t start = other.find("<signature>") + 11;
    const std::string otherSignature = other.substr(start, other.find("</signature>") - start);
    const auto config = [](const std::string& descriptor, const std::string& keyLine) {
        return "version=1.0\r\nupdate=" + ToAnsi(ServerUrl(Publish("vendor.xml", descriptor))) +
               "\r\n" + keyLine + "\r\n";
    };
    const std::string setup = "/vendor-setup.exe", tampered = "/vendor-tampered.exe";
    // The real digest with only its last digit changed: every byte has to be compared.
    std::string lastDigitWrong = signedXml;
    char& lastDigit = lastDigitWrong[signedXml.find("</sha256>") - 1];
    lastDigit = lastDigit == '0' ? '1' : '0';
    const Flow flows[] = {
        {"signed", config(signedXml, key), Accept, nullptr, nullptr, 0, setup, true},
        {"with arguments", config(withArguments, key), Accept, nullptr, nullptr, 0, setup, true,
         L"", L"", L"vendor-setup.exe\" /S /norestart"},
        {"one byte changed", config(ServedFile("vendor-tampered.xml"), key), Accept, kError,
         kUpgradeFailed, -1, tampered},
        {"signature of another file",
         config(WithElement(signedXml, "signature", otherSignature), key), Accept, kError,
         kUpgradeFailed, -1, setup},
        {"signature missing", config(WithElement(signedXml, "signature", "", true), key), Accept,
         kError, kUpgradeFailed, -1, setup},
        {"signature not base64", config(WithElement(signedXml, "signature", "not*base64"), key),
         Accept, kError, kUpgradeFailed, -1, setup},
        {"changed while cut, verified whole",
         config(WithElement(signedXml, "url",
                            ToAnsi(ServerUrl("/files/vendor-tampered.exe?cutat=100000&amp;key=" +
                                             UniqueKey() + "&amp;changeto=vendor-setup.exe"))),
                key),
         Accept, nullptr, nullptr, 0, tampered, true},
        {"no key, checksum right", config(WithElement(signedXml, "signature", "", true), ""),
         Accept, nullptr, nullptr, 0, setup, true},
        {"no key, checksum wrong",
         config(WithElement(signedXml, "sha256", std::string(64, '0')), ""), Accept, kError,
         kUpgradeFailed, -1, setup},
        {"no key, checksum wrong in its last digit", config(lastDigitWrong, ""), Accept, kError,
         kUpgradeFailed, -1, setup},
        {"malformed key", config(signedXml, "publickey=AAAA" + key.substr(14)), nullptr, kError,
         L"本地配置信息有错误！", -2, setup},
        {"signed descriptor required", config(signedXml, signedDescriptor), Accept, nullptr,
         nullptr, 0, setup, true},
        // The signed setup program of an older release, offered under a higher version.
        {"downgrade", config(WithElement(signedXml, "ver", "99.0"), signedDescriptor), nullptr,
         kError, L"远程升级信息配置有错误！", -4, setup},
        {"Authenticode by the publisher", Config(byVendor) + vendor, Accept, nullptr, nullptr, 0,
         byVendor, true},
        {"Authenticode by another", Config(byVendor) + "publisher=Another Vendor", Accept, kError,
         kUpgradeFailed, -1, byVendor},
        {"no Authenticode", Config("/files" + setup) + vendor, Accept, kError, kUpgradeFailed, -1,
         setup},
        {"Authenticode, a byte changed after signing",
         Config("/files/authenticode-tampered.exe") + vendor, Accept, kError, kUpgradeFailed, -1,
         "/authenticode-tampered.exe"},
        {"Authenticode from an authority nobody trusts",
         Config("/files/authenticode-by-untrusted-codesign.exe") + vendor, Accept, kError,
         kUpgradeFailed, -1, "/authenticode-by-untrusted-codesign.exe"},
    };
    for (const auto& flow : flows) {
        RunFlow(flow);
    }
}

} // namespace
} // namespace testing_support

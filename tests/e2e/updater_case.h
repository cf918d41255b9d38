#pragma once
// One end-to-end case: a folder holding a copy of updater.exe and its config.ini, a private
// temporary folder for the download, and a loopback server with the descriptor and the setup
// program.

#include "child_process.h"
#include "support/http_test_server.h"
#include "support/temp_dir.h"

#include <memory>
#include <string>

namespace e2e {

constexpr char kDescriptorPath[] = "/update.xml";
constexpr char kSetupPath[] = "/files/setup_2.0.exe";
constexpr wchar_t kSetupFileName[] = L"setup_2.0.exe";
constexpr DWORD kExitTimeoutMs = 60000;

struct Descriptor {
    std::wstring ver = L"2.0.0.0";
    std::wstring size = L"1.5 MB";
    std::wstring setupPath = L"/files/setup_2.0.exe";
    // One <line> element per entry.
    std::wstring comments = L"<line>修复了若干问题</line><line>新增自动保存</line>";
};

class UpdaterCase {
public:
    UpdaterCase();

    // config.ini with [main] version and update.
    void WriteConfig(const std::wstring& version, const std::wstring& descriptorUrl);
    void WriteConfigText(const std::string& text);
    // The descriptor at kDescriptorPath, in the ANSI code page.
    void ServeDescriptor(const Descriptor& descriptor);
    // The stand-in setup program at kSetupPath, optionally with a route of the caller's.
    void ServeSetup();
    void ServeSetup(testing_support::HttpRoute route);
    std::wstring DescriptorUrl() const;

    std::unique_ptr<ChildProcess> Start(const std::wstring& arguments = L"") const;

    // Where the updater saves the setup program, and the marker the program leaves once run.
    std::wstring SavedSetup() const;
    std::wstring SetupMarker() const;

    testing_support::HttpTestServer server;

private:
    testing_support::TempDir root_;
    std::wstring appDir_;
    std::wstring tempDir_;
    std::wstring exePath_;
};

// A path compiled in as "Z:/unix/path" made into a Windows path.
std::wstring WindowsPath(const char* compiledPath);
// Text in the ANSI code page, as the updater's users publish their descriptors.
std::string ToAnsi(const std::wstring& text);

} // namespace e2e

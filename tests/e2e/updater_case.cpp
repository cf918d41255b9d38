#include "updater_case.h"

#include <stdexcept>

namespace e2e {

using testing_support::HttpRoute;

std::wstring WindowsPath(const char* compiledPath) {
    std::wstring path(compiledPath, compiledPath + strlen(compiledPath));
    for (wchar_t& c : path) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return path;
}

std::string ToAnsi(const std::wstring& text) {
    if (text.empty()) {
        return std::string();
    }
    const int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string bytes(size, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &bytes[0], size,
                        nullptr, nullptr);
    return bytes;
}

namespace {

void Require(bool done, const char* step) {
    if (!done) {
        throw std::runtime_error(std::string(step) + " failed, error " +
                                 std::to_string(GetLastError()));
    }
}

} // namespace

UpdaterCase::UpdaterCase()
    : appDir_(root_.File(L"app")), tempDir_(root_.File(L"tmp")),
      exePath_(appDir_ + L"\\updater.exe") {
    Require(CreateDirectoryW(appDir_.c_str(), nullptr) != FALSE, "creating the app folder");
    Require(CreateDirectoryW(tempDir_.c_str(), nullptr) != FALSE, "creating the temporary folder");
    Require(CopyFileW(WindowsPath(UPDATER_EXE_PATH).c_str(), exePath_.c_str(), FALSE) != FALSE,
            "copying updater.exe");
}

void UpdaterCase::WriteConfig(const std::wstring& version, const std::wstring& descriptorUrl) {
    WriteConfigText("[main]\r\nversion=" + ToAnsi(version) + "\r\nupdate=" + ToAnsi(descriptorUrl) +
                    "\r\n");
}

void UpdaterCase::WriteConfigText(const std::string& text) {
    if (!testing_support::WriteFileBytes(appDir_ + L"\\config.ini", text)) {
        throw std::runtime_error("cannot write config.ini");
    }
}

void UpdaterCase::ServeDescriptor(const Descriptor& descriptor) {
    const std::wstring xml = L"<?xml version=\"1.0\"?>\r\n<update>\r\n  <ver>" + descriptor.ver +
                             L"</ver>\r\n  <url>" + server.Url(ToAnsi(descriptor.setupPath)) +
                             L"</url>\r\n  <size>" + descriptor.size + L"</size>\r\n  <comments>" +
                             descriptor.comments + L"</comments>\r\n</update>\r\n";
    server.SetRoute(kDescriptorPath, HttpRoute::Text(ToAnsi(xml)));
}

void UpdaterCase::ServeSetup() {
    const std::string program = testing_support::ReadFileBytes(WindowsPath(FAKE_SETUP_EXE_PATH));
    if (program.empty()) {
        throw std::runtime_error("cannot read the stand-in setup program");
    }
    ServeSetup(HttpRoute::Text(program));
}

void UpdaterCase::ServeSetup(HttpRoute route) {
    server.SetRoute(kSetupPath, std::move(route));
}

std::wstring UpdaterCase::DescriptorUrl() const {
    return server.Url(kDescriptorPath);
}

std::unique_ptr<ChildProcess> UpdaterCase::Start(const std::wstring& arguments) const {
    // The current directory is deliberately not the exe's folder: config.ini is found anyway.
    return std::make_unique<ChildProcess>(exePath_, arguments, tempDir_, tempDir_);
}

std::wstring UpdaterCase::SavedSetup() const {
    return tempDir_ + L"\\" + kSetupFileName;
}

std::wstring UpdaterCase::SetupMarker() const {
    return SavedSetup() + L".started";
}

} // namespace e2e

#include "support/loopback_server.h"

#include "common/unique_handle.h"
#include "support/temp_dir.h"

#include <windows.h>
#include <wininet.h>

#include <cstdlib>
#include <stdexcept>

namespace testing_support {
namespace {

std::wstring ServerDirectory() {
    const wchar_t* directory = _wgetenv(L"UPDATER_TEST_SERVER_DIR");
    if (directory == nullptr || *directory == L'\0') {
        throw std::runtime_error("UPDATER_TEST_SERVER_DIR is not set: run the tests with ctest");
    }
    return directory;
}

// A "<name>=<number>" line of the file the server wrote when it started.
std::string Port(const char* name) {
    static const std::string text = ReadFileBytes(ServerDirectory() + L"\\port");
    const std::string key = std::string("\n") + name + "=";
    const size_t start = ("\n" + text).find(key);
    if (start == std::string::npos) {
        throw std::runtime_error(std::string("the loopback server wrote no ") + name);
    }
    return std::to_string(std::atoi(text.c_str() + start + key.size() - 1));
}

std::wstring Widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

} // namespace

std::wstring ServerUrl(const std::string& pathAndQuery) {
    return Widen("http://127.0.0.1:" + Port("port") + pathAndQuery);
}

std::wstring SecureUrl(const std::string& pathAndQuery, bool trusted) {
    // The certificates name localhost: wine matches no IP address against a certificate.
    return Widen("https://localhost:" + Port(trusted ? "tls_port" : "tls_untrusted_port") +
                 pathAndQuery);
}

std::wstring RefusedUrl(const std::string& pathAndQuery) {
    // Port 1 (tcpmux) has no listener on a test machine.
    return Widen("http://127.0.0.1:1" + pathAndQuery);
}

std::string Publish(const std::string& name, const std::string& bytes, uint64_t size) {
    static LONG counter = 0;
    const std::string unique = std::to_string(GetCurrentProcessId()) + "-" +
                               std::to_string(InterlockedIncrement(&counter)) + "-" + name;
    const std::wstring path = ServerDirectory() + L"\\www\\" + Widen(unique);
    if (!WriteFileBytes(path, bytes)) {
        throw std::runtime_error("cannot publish " + name);
    }
    if (size > bytes.size()) {
        const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        LARGE_INTEGER end{};
        end.QuadPart = static_cast<LONGLONG>(size);
        const bool extended =
            SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
        CloseHandle(file);
        if (!extended) {
            throw std::runtime_error("cannot extend " + name);
        }
    }
    return "/files/" + unique;
}

std::wstring PublishedFile(const std::string& path) {
    return ServerDirectory() + L"\\www\\" + Widen(path.substr(path.rfind('/') + 1));
}

std::string ServedFile(const std::string& name) {
    return ReadFileBytes(ServerDirectory() + L"\\www\\" + Widen(name));
}

std::string GeneratedBytes(size_t count) {
    std::string bytes(count, '\0');
    for (size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<char>((i * 7 + i / 251) % 256);
    }
    return bytes;
}

std::string Fetch(const std::string& path) {
    std::string body;
    const updater::UniqueInternetHandle session(
        InternetOpenW(L"tests", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    const updater::UniqueInternetHandle request(
        InternetOpenUrlW(session.get(), ServerUrl(path).c_str(), nullptr, 0,
                         INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0));
    char chunk[8192];
    DWORD read = 0;
    while (request && InternetReadFile(request.get(), chunk, sizeof(chunk), &read) && read > 0) {
        body.append(chunk, read);
    }
    return body;
}

std::string ToAnsi(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &bytes[0], size,
                        nullptr, nullptr);
    return bytes;
}

} // namespace testing_support

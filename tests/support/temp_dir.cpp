#include "support/temp_dir.h"

#include "support/window_probe.h"

#include <windows.h>
#include <shellapi.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace testing_support {

namespace {

// The Unix path of a Windows path, through wine's own export; empty when there is none. Test
// folders have plain ASCII paths.
std::wstring UnixPath(const std::wstring& path) {
    using Convert = char* (*)(const wchar_t*);
    const auto convert = reinterpret_cast<Convert>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* unixPath = convert ? convert(path.c_str()) : nullptr;
    const std::string text = unixPath ? unixPath : "";
    HeapFree(GetProcessHeap(), 0, unixPath);
    return std::wstring(text.begin(), text.end());
}

// Starts a Unix program. wine gives no handle that tells when it ends: callers wait for its
// effect instead.
bool RunUnixProgram(const std::wstring& program, const std::wstring& arguments) {
    std::wstring command = program + L" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    // Nothing in `process` is closed: for a Unix program wine returns no process handle and
    // leaves in hThread whatever lay on its stack, which can be the value of another handle of
    // this process (closing it broke the process's named objects at random).
    return CreateProcessW(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &process) != FALSE;
}

} // namespace

TempDir::TempDir() {
    // Taken once: the processes that tests start change this process's TMP for their own.
    static const std::wstring base = [] {
        wchar_t path[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, path);
        return std::wstring(path);
    }();
    // Names left behind by an earlier run (wine reuses process ids) are skipped.
    static LONG counter = 0;
    for (int attempt = 0; attempt < 1000 && path_.empty(); ++attempt) {
        const std::wstring candidate = base + L"updater-test-" +
                                       std::to_wstring(GetCurrentProcessId()) + L"-" +
                                       std::to_wstring(InterlockedIncrement(&counter));
        if (CreateDirectoryW(candidate.c_str(), nullptr)) {
            path_ = candidate;
        }
    }
    if (path_.empty()) {
        throw std::runtime_error("cannot create a temporary folder");
    }
}

TempDir::~TempDir() {
    std::wstring from = path_ + L'\0'; // the shell wants a doubly terminated list
    SHFILEOPSTRUCTW remove{};
    remove.wFunc = FO_DELETE;
    remove.pFrom = from.c_str();
    remove.fFlags = FOF_NO_UI;
    if (SHFileOperationW(&remove) == 0 && !FileExists(path_)) {
        return;
    }
    // A link stops the shell's deletion (wine follows links when deleting), and a setup program
    // that a test started may still run from here for a moment: the Unix side removes the
    // folder whatever it holds, never following a link.
    RunUnixProgram(L"Z:\\bin\\rm", L"-rf " + UnixPath(path_));
    WaitUntil([&] { return !FileExists(path_); });
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream file(path.c_str(), std::ios::binary | std::ios::trunc);
    return static_cast<bool>(file.write(bytes.data(), static_cast<std::streamsize>(bytes.size())));
}

std::string ReadFileBytes(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool MakeLink(const std::wstring& target, const std::wstring& link) {
    const std::wstring from = UnixPath(target), to = UnixPath(link);
    return !from.empty() && !to.empty() &&
           RunUnixProgram(L"Z:\\bin\\ln", L"-s " + from + L" " + to) &&
           WaitUntil([&] { return FileExists(link); });
}

} // namespace testing_support

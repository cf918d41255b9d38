#include "support/child_process.h"

#include <stdexcept>
#include <vector>

namespace testing_support {
namespace {

constexpr UINT kKilledExitCode = 0xDEAD;

// The parent's environment with TMP and TEMP replaced, as a CreateProcessW block.
std::vector<wchar_t> EnvironmentWithTemp(const std::wstring& temporaryDirectory) {
    std::vector<wchar_t> block;
    wchar_t* strings = GetEnvironmentStringsW();
    for (const wchar_t* entry = strings; entry && *entry; entry += wcslen(entry) + 1) {
        const std::wstring text = entry;
        if (_wcsnicmp(entry, L"TMP=", 4) == 0 || _wcsnicmp(entry, L"TEMP=", 5) == 0) {
            continue;
        }
        block.insert(block.end(), text.begin(), text.end());
        block.push_back(L'\0');
    }
    FreeEnvironmentStringsW(strings);
    for (const wchar_t* name : {L"TMP=", L"TEMP="}) {
        const std::wstring text = name + temporaryDirectory;
        block.insert(block.end(), text.begin(), text.end());
        block.push_back(L'\0');
    }
    block.push_back(L'\0');
    return block;
}

} // namespace

ChildProcess::ChildProcess(const std::wstring& exePath, const std::wstring& arguments,
                           const std::wstring& workingDirectory,
                           const std::wstring& temporaryDirectory) {
    std::wstring commandLine = L"\"" + exePath + L"\"";
    if (!arguments.empty()) {
        commandLine += L" " + arguments;
    }
    std::vector<wchar_t> environment = EnvironmentWithTemp(temporaryDirectory);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    // A failed start is tried again after a pause, so that one passing failure of the
    // platform does not fail a case; the last error is reported.
    bool started = false;
    DWORD error = 0;
    for (int attempt = 0; attempt < 3 && !started; ++attempt) {
        if (attempt > 0) {
            Sleep(500);
        }
        started = CreateProcessW(exePath.c_str(), &commandLine[0], nullptr, nullptr, FALSE,
                                 CREATE_UNICODE_ENVIRONMENT, environment.data(),
                                 workingDirectory.c_str(), &startup, &info) != FALSE;
        error = GetLastError();
    }
    if (!started) {
        throw std::runtime_error("CreateProcessW failed: " + std::to_string(error));
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    id_ = info.dwProcessId;
}

ChildProcess::~ChildProcess() {
    if (IsRunning()) {
        TerminateProcess(process_, kKilledExitCode);
        WaitForSingleObject(process_, 10000);
    }
    CloseHandle(process_);
}

bool ChildProcess::WaitForExit(DWORD timeoutMs, DWORD& exitCode) {
    if (WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) {
        return false;
    }
    return GetExitCodeProcess(process_, &exitCode) != FALSE;
}

bool ChildProcess::IsRunning() const {
    return WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

} // namespace testing_support

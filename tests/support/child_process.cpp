#include "support/child_process.h"

#include <stdexcept>

namespace testing_support {

ChildProcess::ChildProcess(const std::wstring& exePath, const std::wstring& arguments,
                           const std::wstring& workingDirectory,
                           const std::wstring& temporaryDirectory, bool suspended) {
    std::wstring commandLine = L"\"" + exePath + L"\" " + arguments;
    // The child inherits this process's environment; the cases run one at a time.
    SetEnvironmentVariableW(L"TMP", temporaryDirectory.c_str());
    SetEnvironmentVariableW(L"TEMP", temporaryDirectory.c_str());
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    // wine now and then refuses a start while another process is ending: try again.
    bool started = false;
    for (int attempt = 0; attempt < 3 && !started; ++attempt, Sleep(500)) {
        started = CreateProcessW(exePath.c_str(), &commandLine[0], nullptr, nullptr, FALSE,
                                 suspended ? CREATE_SUSPENDED : 0, nullptr,
                                 workingDirectory.c_str(), &startup, &info);
    }
    if (!started) {
        throw std::runtime_error("CreateProcessW failed: " + std::to_string(GetLastError()));
    }
    thread_ = info.hThread;
    process_ = info.hProcess;
    id_ = info.dwProcessId;
}

ChildProcess::~ChildProcess() {
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 0xDEAD);
        WaitForSingleObject(process_, 10000);
    }
    CloseHandle(thread_);
    CloseHandle(process_);
}

bool ChildProcess::WaitForExit(DWORD timeoutMs, DWORD& exitCode) {
    return WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0 &&
           GetExitCodeProcess(process_, &exitCode);
}

} // namespace testing_support

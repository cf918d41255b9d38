#pragma once
// A process started for one test case, ended (if it still runs) when the owner goes away, so
// that a failing case leaves nothing behind.

#include <windows.h>

#include <string>

namespace testing_support {

class ChildProcess {
public:
    // Starts `exePath` with `arguments` in `workingDirectory`, its TMP and TEMP pointing at
    // `temporaryDirectory`; a suspended one runs from Resume() on. Throws std::runtime_error
    // when the process cannot start.
    ChildProcess(const std::wstring& exePath, const std::wstring& arguments,
                 const std::wstring& workingDirectory, const std::wstring& temporaryDirectory,
                 bool suspended = false);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    DWORD id() const { return id_; }
    HANDLE handle() const { return process_; }
    // True when the process has ended within `timeoutMs`; `exitCode` then holds its code.
    bool WaitForExit(DWORD timeoutMs, DWORD& exitCode);
    void Resume() { ResumeThread(thread_); }

private:
    HANDLE process_ = nullptr;
    HANDLE thread_ = nullptr;
    DWORD id_ = 0;
};

} // namespace testing_support

#include "app/command_line.h"

#include "common/unique_handle.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace updater {

RunMode ReadRunMode(const wchar_t* commandLine) {
    // The splitter takes its first word as the program's name, by other rules than the rest.
    const std::wstring line = std::wstring(L"updater ") + (commandLine ? commandLine : L"");
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(line.c_str(), &count);
    const UniqueLocalMemory held(arguments);
    RunMode mode = RunMode::Interactive;
    for (int i = 1; arguments != nullptr && i < count; ++i) {
        const wchar_t* name = arguments[i];
        if (name[0] != L'/' && name[0] != L'-') {
            continue;
        }
        if (_wcsicmp(name + 1, L"check") == 0) {
            return RunMode::CheckOnly;
        }
        if (_wcsicmp(name + 1, L"quiet") == 0) {
            mode = RunMode::Quiet;
        }
    }
    return mode;
}

} // namespace updater

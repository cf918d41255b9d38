#include "startup_stamps.h"

#include "common/unique_handle.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace bench {
namespace {

struct Entry {
    const char* what;
    double ms;
};

constexpr int kMaxStamps = 32;
Entry g_stamps[kMaxStamps];
int g_count = 0;

// The launcher's counter reading, or 0 when the program was not started by it.
LONGLONG LaunchCount() {
    static const LONGLONG launch = [] {
        wchar_t text[32] = {};
        const DWORD length = GetEnvironmentVariableW(L"BENCH_LAUNCH_QPC", text, 32);
        return length > 0 && length < 32 ? _wtoi64(text) : 0;
    }();
    return launch;
}

struct FirstStaticStamp {
    FirstStaticStamp();
};

} // namespace

void Stamp(const char* what) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    const LONGLONG launch = LaunchCount();
    if (launch == 0 || g_count == kMaxStamps) {
        return;
    }
    g_stamps[g_count++] = {what, static_cast<double>(now.QuadPart - launch) * 1000.0 /
                                     static_cast<double>(frequency.QuadPart)};
}

void WriteStamps() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"BENCH_STAMPS", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || g_count == 0) {
        return;
    }
    const updater::UniqueFileHandle file(CreateFileW(path, FILE_APPEND_DATA,
                                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return;
    }
    for (int i = 0; i < g_count; ++i) {
        char line[160];
        const int size = std::snprintf(line, sizeof(line), "stamp=%.2f %s\r\n", g_stamps[i].ms,
                                       g_stamps[i].what);
        DWORD written = 0;
        if (size > 0 && size < static_cast<int>(sizeof(line))) {
            WriteFile(file.get(), line, static_cast<DWORD>(size), &written, nullptr);
        }
    }
}

namespace {

// Built before all static objects of default priority: the loader has mapped the exe and
// initialised the DLLs it imports, and nothing of the program has run yet.
FirstStaticStamp::FirstStaticStamp() {
    Stamp("DLLs loaded, static objects start");
}
__attribute__((init_priority(101))) FirstStaticStamp g_firstStaticStamp;

} // namespace
} // namespace bench

#include "log/run_log.h"

#include "common/unique_handle.h"
#include "common/utf8.h"

#include <windows.h>
#include <shlobj.h>

#include <cwchar>
#include <mutex>

namespace updater {
namespace {

constexpr wchar_t kLogFolder[] = L"\\Updater\\logs";
// What a trim keeps of a full log: room for many runs before the next trim.
constexpr DWORD kKeptAfterTrim = kMaxLogBytes / 2;
// One event never takes more than this, whatever text a server sent.
constexpr size_t kMaxLineChars = 2000;

// Serialises this process's writers; other processes writing the same log take the named
// mutex of the file as well.
std::mutex g_writing;
std::wstring g_path;
UniqueKernelHandle g_fileLock;

// A short stable digest of the folder's path in any case, FNV-1a over its UTF-16 units.
unsigned long FolderDigest(std::wstring folder) {
    CharLowerBuffW(&folder[0], static_cast<DWORD>(folder.size()));
    unsigned long digest = 2166136261UL;
    for (const wchar_t c : folder) {
        for (const unsigned byte :
             {static_cast<unsigned>(c & 0xFF), static_cast<unsigned>(c >> 8)}) {
            digest = ((digest ^ byte) * 16777619UL) & 0xFFFFFFFFUL;
        }
    }
    return digest;
}

// Keeps the newest lines of a log that has grown past its bound: the file's end from the
// first whole line on.
void Trim(HANDLE file, LONGLONG size) {
    std::string kept(kKeptAfterTrim, '\0');
    LARGE_INTEGER from{};
    from.QuadPart = size - kKeptAfterTrim;
    DWORD read = 0;
    if (!SetFilePointerEx(file, from, nullptr, FILE_BEGIN) ||
        !ReadFile(file, &kept[0], kKeptAfterTrim, &read, nullptr)) {
        return;
    }
    kept.resize(read);
    kept.erase(0, kept.find('\n') == std::string::npos ? kept.size() : kept.find('\n') + 1);
    const LARGE_INTEGER start{};
    DWORD written = 0;
    if (SetFilePointerEx(file, start, nullptr, FILE_BEGIN) &&
        WriteFile(file, kept.data(), static_cast<DWORD>(kept.size()), &written, nullptr)) {
        SetEndOfFile(file);
    }
}

void Append(const std::string& line) {
    const std::lock_guard<std::mutex> guard(g_writing);
    if (g_path.empty()) {
        return;
    }
    if (g_fileLock) {
        WaitForSingleObject(g_fileLock.get(), 5000);
    }
    const UniqueFileHandle file(CreateFileW(g_path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (file && GetFileSizeEx(file.get(), &size)) {
        if (size.QuadPart + static_cast<LONGLONG>(line.size()) > kMaxLogBytes) {
            Trim(file.get(), size.QuadPart);
        }
        const LARGE_INTEGER end{};
        DWORD written = 0;
        if (SetFilePointerEx(file.get(), end, nullptr, FILE_END)) {
            WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        }
    }
    if (g_fileLock) {
        ReleaseMutex(g_fileLock.get());
    }
}

} // namespace

std::wstring RunLogPath(const std::wstring& applicationFolder) {
    wchar_t base[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, base))) {
        return std::wstring();
    }
    std::wstring folder = applicationFolder;
    while (!folder.empty() && folder.back() == L'\\') {
        folder.pop_back();
    }
    const std::wstring name = folder.substr(folder.find_last_of(L"\\/:") + 1);
    wchar_t digest[16] = {};
    swprintf(digest, 16, L"-%08lx.log", FolderDigest(folder));
    return std::wstring(base) + kLogFolder + L"\\" + (name.empty() ? L"updater" : name) + digest;
}

void StartRunLog(const std::wstring& path) {
    const std::lock_guard<std::mutex> guard(g_writing);
    g_path = path;
    g_fileLock.reset();
    if (path.empty()) {
        return;
    }
    // The folders on the way; a failure shows when the file cannot be opened.
    const size_t logs = path.rfind(L'\\');
    CreateDirectoryW(path.substr(0, path.rfind(L'\\', logs - 1)).c_str(), nullptr);
    CreateDirectoryW(path.substr(0, logs).c_str(), nullptr);
    const std::wstring lockName =
        L"Local\\UpdaterLog-" + path.substr(logs + 1, path.size() - logs - 5);
    g_fileLock.reset(CreateMutexW(nullptr, FALSE, lockName.c_str()));
}

void LogLine(const std::wstring& text) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    wchar_t stamp[64] = {};
    swprintf(stamp, 64, L"%04u-%02u-%02u %02u:%02u:%02u.%03u [%lu] ", now.wYear, now.wMonth,
             now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds,
             GetCurrentProcessId());
    std::wstring line = stamp + text.substr(0, kMaxLineChars);
    for (wchar_t& c : line) {
        c = c < 0x20 ? L' ' : c;
    }
    std::string bytes;
    AppendUtf8(bytes, line.data(), line.size());
    Append(bytes + "\r\n");
}

std::wstring LoggableUrl(const std::wstring& url) {
    const size_t cut = url.find_first_of(L"?#");
    std::wstring shown = url.substr(0, cut);
    const size_t authority = shown.find(L"://");
    const size_t start = authority == std::wstring::npos ? 0 : authority + 3;
    const size_t at = shown.find(L'@', start);
    if (at != std::wstring::npos && at < shown.find(L'/', start)) {
        shown.erase(start, at + 1 - start);
    }
    return cut == std::wstring::npos ? shown : shown + url[cut] + L"\u2026";
}

} // namespace updater

#include "support/temp_dir.h"

#include <windows.h>
#include <shellapi.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace testing_support {

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
    // A setup program that a test started may still be running from here for a moment.
    for (int attempt = 0; attempt < 100 && FileExists(path_); ++attempt) {
        if (SHFileOperationW(&remove) != 0) {
            Sleep(100);
        }
    }
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

} // namespace testing_support

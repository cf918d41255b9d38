#include "config/local_config.h"

#include <shlwapi.h>

#include <cwchar>

namespace updater {
namespace {

constexpr DWORD kBufferChars = 1024;
// Holds any address up to the platform's URL limit of 2,083 characters, and a key.
constexpr DWORD kValueChars = 4096;
constexpr wchar_t kFileName[] = L"\\config.ini";

// Shared by every read: the value stays valid only until the next read. Reads happen on the
// main thread during the update check, before any other thread exists.
wchar_t g_pathBuffer[kBufferChars];
wchar_t g_valueBuffer[kValueChars];

// Appends "\config.ini"; false when the result would not fit the path buffer.
bool AppendFileName() {
    const size_t used = wcslen(g_pathBuffer);
    if (used + wcslen(kFileName) >= kBufferChars) {
        return false;
    }
    wcscat(g_pathBuffer, kFileName);
    return true;
}

bool BuildConfigPath(const std::wstring& directory) {
    g_pathBuffer[0] = L'\0';
    if (directory.empty()) {
        const DWORD length = GetModuleFileNameW(nullptr, g_pathBuffer, kBufferChars);
        // A full buffer means the name was cut: no usable path.
        if (length == 0 || length >= kBufferChars) {
            return false;
        }
        PathRemoveFileSpecW(g_pathBuffer);
    } else {
        if (directory.size() >= kBufferChars) {
            return false;
        }
        wcscpy(g_pathBuffer, directory.c_str());
    }
    return AppendFileName();
}

std::wstring ValueOrEmpty(const wchar_t* value) {
    return value ? std::wstring(value) : std::wstring();
}

} // namespace

const wchar_t* ReadConfigValue(const std::wstring& directory, const wchar_t* section,
                               const wchar_t* key) {
    if (!BuildConfigPath(directory)) {
        return nullptr;
    }
    const DWORD copied =
        GetPrivateProfileStringW(section, key, L"", g_valueBuffer, kValueChars, g_pathBuffer);
    return copied == 0 ? nullptr : g_valueBuffer;
}

const wchar_t* ReadConfigValue(const wchar_t* section, const wchar_t* key) {
    return ReadConfigValue(std::wstring(), section, key);
}

LocalConfig::LocalConfig() {
    Load();
}

LocalConfig::LocalConfig(std::wstring directory) : directory_(std::move(directory)) {
    Load();
}

HRESULT LocalConfig::Load() {
    version = ValueOrEmpty(ReadConfigValue(directory_, L"main", L"version"));
    descriptorUrl = ValueOrEmpty(ReadConfigValue(directory_, L"main", L"update"));
    publicKey = ValueOrEmpty(ReadConfigValue(directory_, L"main", L"publickey"));
    const std::wstring signing =
        ValueOrEmpty(ReadConfigValue(directory_, L"main", L"signeddescriptor"));
    descriptorSigning = signing.empty() || signing == L"0" ? DescriptorSigning::NotRequired
                        : signing == L"1"                  ? DescriptorSigning::Required
                                                           : DescriptorSigning::Unrecognised;
    product = ValueOrEmpty(ReadConfigValue(directory_, L"main", L"product"));
    publisher = ValueOrEmpty(ReadConfigValue(directory_, L"main", L"publisher"));
    return !version.empty() && !descriptorUrl.empty() ? S_OK : E_FAIL;
}

} // namespace updater

#include "tools/publish/files.h"

#include "common/current_user.h"
#include "common/unique_handle.h"

#include <sddl.h>

namespace updater {
namespace {

std::wstring Failure(const wchar_t* what, const std::wstring& path, DWORD error) {
    return std::wstring(what) + L" " + path + L" (error " + std::to_wstring(error) + L")";
}

} // namespace

std::wstring ReadWholeFile(const std::wstring& path, size_t maxBytes, std::string& bytes) {
    const UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size)) {
        return Failure(L"cannot read", path, GetLastError());
    }
    if (static_cast<ULONGLONG>(size.QuadPart) > maxBytes) {
        return path + L" is larger than " + std::to_wstring(maxBytes) + L" bytes";
    }
    std::string content(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    for (size_t start = 0; start < content.size(); start += read) {
        if (!ReadFile(file.get(), &content[start], static_cast<DWORD>(content.size() - start),
                      &read, nullptr) ||
            read == 0) {
            return Failure(L"cannot read", path, GetLastError());
        }
    }
    bytes.swap(content);
    return std::wstring();
}

std::wstring WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    const UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || !WriteAll(file.get(), bytes)) {
        return Failure(L"cannot write", path, GetLastError());
    }
    return std::wstring();
}

DWORD CreatePrivateFile(const std::wstring& path, const std::string& bytes) {
    // Full access for the user, nothing inherited, nobody else.
    const std::wstring user = CurrentUserSid();
    const std::wstring accessList = L"D:P(A;;FA;;;" + user + L")";
    PSECURITY_DESCRIPTOR converted = nullptr;
    if (user.empty() || !ConvertStringSecurityDescriptorToSecurityDescriptorW(
                            accessList.c_str(), SDDL_REVISION_1, &converted, nullptr)) {
        return GetLastError();
    }
    const UniqueLocalMemory descriptor(converted);
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), converted, FALSE};
    UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, &attributes, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return GetLastError();
    }
    if (!WriteAll(file.get(), bytes) || !FlushFileBuffers(file.get())) {
        const DWORD error = GetLastError();
        file.reset();
        DeleteFileW(path.c_str());
        return error;
    }
    return ERROR_SUCCESS;
}

// Writes all of `bytes` to a file or pipe; false when it takes no more.
bool WriteAll(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    for (size_t start = 0; start < bytes.size(); start += written) {
        if (!WriteFile(file, bytes.data() + start, static_cast<DWORD>(bytes.size() - start),
                       &written, nullptr) ||
            written == 0) {
            return false;
        }
    }
    return true;
}

} // namespace updater

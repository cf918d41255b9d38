#include "plain_transfers.h"

#include "common/unique_handle.h"

#include <memory>

namespace bench {

using updater::UniqueFileHandle;
using updater::UniqueInternetHandle;

long long PlainWinInetDownload(const wchar_t* url, const wchar_t* localPath, DWORD requestFlags,
                               DWORD readSize) {
    wchar_t host[INTERNET_MAX_HOST_NAME_LENGTH] = {};
    wchar_t path[INTERNET_MAX_PATH_LENGTH] = {};
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = host;
    parts.dwHostNameLength = INTERNET_MAX_HOST_NAME_LENGTH;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = INTERNET_MAX_PATH_LENGTH;
    if (!InternetCrackUrlW(url, 0, 0, &parts)) {
        return -1;
    }

    const UniqueInternetHandle session(
        InternetOpenW(L"bench", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session) {
        return -1;
    }
    const UniqueInternetHandle connection(InternetConnectW(
        session.get(), host, parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) {
        return -1;
    }
    const UniqueInternetHandle request(HttpOpenRequestW(connection.get(), L"GET", path, nullptr,
                                                        nullptr, nullptr, requestFlags, 0));
    if (!request || !HttpSendRequestW(request.get(), nullptr, 0, nullptr, 0)) {
        return -1;
    }
    const UniqueFileHandle file(CreateFileW(localPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return -1;
    }
    // One buffer for the whole transfer, as the program allocates it.
    const std::unique_ptr<char[]> buffer(new char[readSize]);
    long long total = 0;
    for (;;) {
        DWORD read = 0;
        if (!InternetReadFile(request.get(), buffer.get(), readSize, &read)) {
            return -1;
        }
        if (read == 0) {
            return total;
        }
        DWORD written = 0;
        if (!WriteFile(file.get(), buffer.get(), read, &written, nullptr) || written != read) {
            return -1;
        }
        total += read;
    }
}

} // namespace bench

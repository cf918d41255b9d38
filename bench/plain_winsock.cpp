#include "plain_transfers.h"

#include "common/unique_handle.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstring>
#include <memory>
#include <string>

namespace bench {
namespace {

SOCKET NoSocket() {
    return INVALID_SOCKET;
}
using UniqueSocket = updater::UniqueHandle<SOCKET, closesocket, NoSocket>;

struct HttpTarget {
    std::string host;
    std::string port = "80";
    std::string path = "/";
};

// "http://host[:port][/path]" only; the benchmark never passes anything else.
bool SplitUrl(const wchar_t* url, HttpTarget& target) {
    std::string text;
    for (const wchar_t* c = url; *c != L'\0'; ++c) {
        if (*c > 0x7f) {
            return false;
        }
        text += static_cast<char>(*c);
    }
    const std::string scheme = "http://";
    if (text.compare(0, scheme.size(), scheme) != 0) {
        return false;
    }
    const std::string rest = text.substr(scheme.size());
    const size_t slash = rest.find('/');
    const std::string authority = rest.substr(0, slash);
    if (slash != std::string::npos) {
        target.path = rest.substr(slash);
    }
    const size_t colon = authority.find(':');
    target.host = authority.substr(0, colon);
    if (colon != std::string::npos) {
        target.port = authority.substr(colon + 1);
    }
    return !target.host.empty();
}

class WinsockSession {
public:
    WinsockSession() : ok_(WSAStartup(MAKEWORD(2, 2), &data_) == 0) {}
    ~WinsockSession() {
        if (ok_) {
            WSACleanup();
        }
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    bool ok() const { return ok_; }

private:
    WSADATA data_{};
    bool ok_;
};

bool SendAll(SOCKET socket, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const int n = send(socket, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n <= 0) {
            return false;
        }
        sent += static_cast<size_t>(n);
    }
    return true;
}

bool WriteAll(HANDLE file, const char* data, DWORD size) {
    DWORD written = 0;
    return size == 0 || (WriteFile(file, data, size, &written, nullptr) && written == size);
}

} // namespace

long long PlainWinsockDownload(const wchar_t* url, const wchar_t* localPath, DWORD readSize) {
    HttpTarget target;
    if (!SplitUrl(url, target)) {
        return -1;
    }
    const WinsockSession winsock;
    if (!winsock.ok()) {
        return -1;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* address = nullptr;
    if (getaddrinfo(target.host.c_str(), target.port.c_str(), &hints, &address) != 0) {
        return -1;
    }
    const UniqueSocket socket(::socket(address->ai_family, address->ai_socktype, 0));
    const bool connected = socket && connect(socket.get(), address->ai_addr,
                                             static_cast<int>(address->ai_addrlen)) == 0;
    freeaddrinfo(address);
    if (!connected || !SendAll(socket.get(), "GET " + target.path + " HTTP/1.1\r\nHost: " +
                                                 target.host + "\r\nConnection: close\r\n\r\n")) {
        return -1;
    }
    const updater::UniqueFileHandle file(CreateFileW(
        localPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return -1;
    }

    // The header is held back until its blank line; everything after it is body.
    std::string header;
    bool inBody = false;
    const std::unique_ptr<char[]> buffer(new char[readSize]);
    long long total = 0;
    for (;;) {
        const int n = recv(socket.get(), buffer.get(), static_cast<int>(readSize), 0);
        if (n < 0) {
            return -1;
        }
        if (n == 0) {
            return inBody ? total : -1;
        }
        if (inBody) {
            if (!WriteAll(file.get(), buffer.get(), static_cast<DWORD>(n))) {
                return -1;
            }
            total += n;
            continue;
        }
        header.append(buffer.get(), static_cast<size_t>(n));
        const size_t end = header.find("\r\n\r\n");
        if (end != std::string::npos) {
            inBody = true;
            const size_t bodyStart = end + 4;
            const DWORD bodyBytes = static_cast<DWORD>(header.size() - bodyStart);
            if (!WriteAll(file.get(), header.data() + bodyStart, bodyBytes)) {
                return -1;
            }
            total += bodyBytes;
        }
    }
}

} // namespace bench

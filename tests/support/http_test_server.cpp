#include "support/http_test_server.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <stdexcept>

namespace testing_support {
namespace {

// Every blocking wait polls so that shutdown is noticed within this time.
constexpr long kPollMicroseconds = 20000;
constexpr size_t kSendChunk = 64 * 1024;

bool EqualNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return std::string();
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

const char* ReasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

// Keeps Winsock initialised for as long as one user exists.
struct WinsockUser {
    WinsockUser() {
        WSADATA data;
        if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
            throw std::runtime_error("WSAStartup failed");
        }
    }
    ~WinsockUser() { WSACleanup(); }
};

SOCKET BindLoopback(sockaddr_in& address) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) {
        throw std::runtime_error("socket failed");
    }
    address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int length = sizeof(address);
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closesocket(s);
        throw std::runtime_error("bind to 127.0.0.1 failed");
    }
    return s;
}

} // namespace

struct HttpTestServer::Connection {
    SOCKET socket = INVALID_SOCKET;
    size_t index = 0;
    std::string pending; // bytes received but not yet parsed
    std::thread thread;
    std::atomic<bool> finished{false};
};

HttpRoute HttpRoute::Text(std::string body, int status) {
    HttpRoute route;
    route.status = status;
    route.body = std::move(body);
    return route;
}

HttpRoute HttpRoute::Generated(size_t size, int status) {
    HttpRoute route;
    route.status = status;
    route.generatedSize = size;
    return route;
}

size_t HttpRoute::BodySize() const {
    return generatedSize != kNoLimit ? generatedSize : body.size();
}

std::string RecordedRequest::Header(const std::string& name) const {
    for (const auto& header : headers) {
        if (EqualNoCase(header.first, name)) {
            return header.second;
        }
    }
    return std::string();
}

bool RecordedRequest::HasHeader(const std::string& name) const {
    return std::any_of(headers.begin(), headers.end(),
                       [&](const auto& header) { return EqualNoCase(header.first, name); });
}

std::string GeneratedBytes(size_t offset, size_t count) {
    std::string bytes(count, '\0');
    for (size_t i = 0; i < count; ++i) {
        const size_t n = offset + i;
        // Varies with both the low and the high bits, so shifted or repeated blocks differ.
        bytes[i] = static_cast<char>((n * 31 + (n >> 8) * 7 + (n >> 16)) & 0xFF);
    }
    return bytes;
}

unsigned short ClosedLoopbackPort() {
    WinsockUser winsock;
    sockaddr_in address;
    SOCKET s = BindLoopback(address);
    closesocket(s); // bound but never listening: the port is free and refuses connections
    return ntohs(address.sin_port);
}

HttpTestServer::HttpTestServer() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        throw std::runtime_error("WSAStartup failed");
    }
    sockaddr_in address;
    try {
        listener_ = BindLoopback(address);
    } catch (...) {
        WSACleanup();
        throw;
    }
    u_long nonBlocking = 1;
    if (listen(listener_, SOMAXCONN) != 0 || ioctlsocket(listener_, FIONBIO, &nonBlocking) != 0) {
        closesocket(listener_);
        WSACleanup();
        throw std::runtime_error("listen on 127.0.0.1 failed");
    }
    port_ = ntohs(address.sin_port);
    acceptThread_ = std::thread([this] { AcceptLoop(); });
}

HttpTestServer::~HttpTestServer() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    acceptThread_.join();
    // The accept thread has ended, so the list no longer grows.
    for (auto& connection : connections_) {
        connection->thread.join();
    }
    closesocket(listener_);
    WSACleanup();
}

std::wstring HttpTestServer::Url(const std::string& pathAndQuery) const {
    return L"http://127.0.0.1:" + std::to_wstring(port_) +
           std::wstring(pathAndQuery.begin(), pathAndQuery.end());
}

void HttpTestServer::SetRoute(const std::string& path, HttpRoute route) {
    std::lock_guard<std::mutex> lock(mutex_);
    routes_[path] = std::move(route);
}

std::vector<RecordedRequest> HttpTestServer::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

size_t HttpTestServer::RequestCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_.size();
}

size_t HttpTestServer::ConnectionCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return connectionCount_;
}

bool HttpTestServer::WaitForStall(unsigned long timeoutMs) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [this] { return stalled_ > 0; });
}

void HttpTestServer::ReleaseStalls() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        released_ = true;
    }
    changed_.notify_all();
}

void HttpTestServer::Stall() {
    std::unique_lock<std::mutex> lock(mutex_);
    ++stalled_;
    changed_.notify_all();
    changed_.wait(lock, [this] { return released_ || stopping_; });
    --stalled_;
}

HttpRoute HttpTestServer::RouteFor(const std::string& target) const {
    const std::string path = target.substr(0, target.find('?'));
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = routes_.find(path);
    return found != routes_.end() ? found->second : HttpRoute::Text("not found", 404);
}

void HttpTestServer::AcceptLoop() {
    while (!stopping_) {
        if (!WaitReady(listener_, false)) {
            continue;
        }
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET) {
            continue;
        }
        u_long nonBlocking = 1;
        ioctlsocket(client, FIONBIO, &nonBlocking);
        std::lock_guard<std::mutex> lock(mutex_);
        // Reap connections that have ended so that long runs do not pile up threads.
        for (auto it = connections_.begin(); it != connections_.end();) {
            if ((*it)->finished) {
                (*it)->thread.join();
                it = connections_.erase(it);
            } else {
                ++it;
            }
        }
        auto connection = std::make_unique<Connection>();
        connection->socket = client;
        connection->index = ++connectionCount_;
        Connection& started = *connection;
        connections_.push_back(std::move(connection));
        started.thread = std::thread([this, &started] {
            Serve(started);
            closesocket(started.socket);
            started.finished = true;
        });
    }
}

void HttpTestServer::Serve(Connection& connection) {
    RecordedRequest request;
    while (!stopping_ && ReadRequest(connection, request)) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(request);
        }
        if (!Respond(connection, request)) {
            return;
        }
    }
}

// Waits until the socket can be read (or accepted from) or written; false on time-out or
// error, so that callers look at stopping_ again.
bool HttpTestServer::WaitReady(SOCKET socket, bool forWriting) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(socket, &set);
    timeval timeout = {0, kPollMicroseconds};
    const int ready = forWriting ? select(0, nullptr, &set, nullptr, &timeout)
                                 : select(0, &set, nullptr, nullptr, &timeout);
    return ready > 0;
}

bool HttpTestServer::ReadRequest(Connection& connection, RecordedRequest& request) {
    auto receiveMore = [&]() {
        for (;;) {
            if (stopping_) {
                return false;
            }
            if (!WaitReady(connection.socket, false)) {
                continue;
            }
            char buffer[8192];
            const int n = recv(connection.socket, buffer, sizeof(buffer), 0);
            if (n > 0) {
                connection.pending.append(buffer, static_cast<size_t>(n));
                return true;
            }
            if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) {
                continue;
            }
            return false; // closed by the client, or reset
        }
    };

    size_t end;
    while ((end = connection.pending.find("\r\n\r\n")) == std::string::npos) {
        if (!receiveMore()) {
            return false;
        }
    }
    const std::string head = connection.pending.substr(0, end);
    connection.pending.erase(0, end + 4);

    request = RecordedRequest();
    request.connection = connection.index;
    size_t lineEnd = head.find("\r\n");
    request.requestLine = head.substr(0, lineEnd);
    const size_t firstSpace = request.requestLine.find(' ');
    const size_t lastSpace = request.requestLine.rfind(' ');
    if (firstSpace != std::string::npos && lastSpace > firstSpace) {
        request.method = request.requestLine.substr(0, firstSpace);
        request.target = request.requestLine.substr(firstSpace + 1, lastSpace - firstSpace - 1);
        request.version = request.requestLine.substr(lastSpace + 1);
    }
    while (lineEnd != std::string::npos) {
        const size_t start = lineEnd + 2;
        lineEnd = head.find("\r\n", start);
        const std::string line =
            head.substr(start, lineEnd == std::string::npos ? std::string::npos : lineEnd - start);
        const size_t colon = line.find(':');
        if (colon != std::string::npos) {
            request.headers.emplace_back(line.substr(0, colon), Trim(line.substr(colon + 1)));
        }
    }

    const size_t bodySize =
        static_cast<size_t>(std::strtoull(request.Header("Content-Length").c_str(), nullptr, 10));
    while (connection.pending.size() < bodySize) {
        if (!receiveMore()) {
            return false;
        }
    }
    request.body = connection.pending.substr(0, bodySize);
    connection.pending.erase(0, bodySize);
    return true;
}

bool HttpTestServer::SendAll(SOCKET socket, const char* data, size_t size) {
    while (size > 0) {
        if (stopping_) {
            return false;
        }
        const int n = send(socket, data, static_cast<int>(std::min(size, kSendChunk)), 0);
        if (n == SOCKET_ERROR) {
            if (WSAGetLastError() != WSAEWOULDBLOCK) {
                return false;
            }
            WaitReady(socket, true);
            continue;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Sends the answer; true when the connection can carry another request.
bool HttpTestServer::Respond(Connection& connection, const RecordedRequest& request) {
    const HttpRoute route = RouteFor(request.target);
    const size_t bodySize = request.method == "HEAD" ? 0 : route.BodySize();

    std::string head =
        "HTTP/1.1 " + std::to_string(route.status) + " " + ReasonPhrase(route.status) + "\r\n";
    if (route.sendContentLength) {
        head += "Content-Length: " + std::to_string(route.BodySize()) + "\r\n";
    } else {
        head += "Connection: close\r\n";
    }
    for (const auto& header : route.headers) {
        head += header.first + ": " + header.second + "\r\n";
    }
    head += "\r\n";
    if (!SendAll(connection.socket, head.data(), head.size())) {
        return false;
    }

    const size_t sendLimit = std::min(bodySize, route.closeAfterBodyBytes);
    size_t sent = 0;
    bool stalled = false;
    while (sent < sendLimit) {
        if (!stalled && sent >= route.stallAfterBodyBytes) {
            stalled = true;
            Stall();
            continue;
        }
        size_t count = std::min(kSendChunk, sendLimit - sent);
        if (!stalled && route.stallAfterBodyBytes != kNoLimit) {
            count = std::min(count, route.stallAfterBodyBytes - sent);
        }
        const std::string piece = route.generatedSize != kNoLimit ? GeneratedBytes(sent, count)
                                                                  : route.body.substr(sent, count);
        if (!SendAll(connection.socket, piece.data(), piece.size())) {
            return false;
        }
        sent += count;
    }
    if (stopping_ || sent < bodySize || !route.sendContentLength) {
        shutdown(connection.socket, SD_SEND);
        return false;
    }
    return !EqualNoCase(request.Header("Connection"), "close");
}

} // namespace testing_support

#pragma once
// A small HTTP/1.1 server on 127.0.0.1 for tests and benchmarks. It runs on its own threads
// (one accepting, one per connection), records every request and answers each path as its
// route says: a fixed or generated body, with or without Content-Length, cut after some bytes,
// or held back until released. Connections are kept alive between requests where HTTP allows.
//
//     HttpTestServer server;
//     server.SetRoute("/file.bin", HttpRoute::Generated(1 << 20));
//     ... fetch server.Url("/file.bin") ...
//     EXPECT_EQ("GET /file.bin HTTP/1.1", server.Requests().at(0).requestLine);

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace testing_support {

constexpr size_t kNoLimit = static_cast<size_t>(-1);

// How the server answers requests for one path.
struct HttpRoute {
    int status = 200;
    // Sent after the status line and Content-Length, in this order.
    std::vector<std::pair<std::string, std::string>> headers;
    // The body, unless generatedSize is set: then GeneratedBytes(0, generatedSize).
    std::string body;
    size_t generatedSize = kNoLimit;
    // Without Content-Length the body ends when the server closes the connection.
    bool sendContentLength = true;
    // Close the connection once this many body bytes have been sent.
    size_t closeAfterBodyBytes = kNoLimit;
    // Hold the rest of the body back, after this many body bytes, until ReleaseStalls().
    size_t stallAfterBodyBytes = kNoLimit;

    static HttpRoute Text(std::string body, int status = 200);
    static HttpRoute Generated(size_t size, int status = 200);

    size_t BodySize() const;
};

struct RecordedRequest {
    std::string requestLine; // "GET /a?b HTTP/1.1"
    std::string method;
    std::string target;                                       // as sent, query included
    std::string version;                                      // "HTTP/1.1"
    std::vector<std::pair<std::string, std::string>> headers; // in the order received
    std::string body;
    size_t connection = 0; // 1 for the first accepted connection, 2 for the next, ...

    // Value of the first header of that name (case-insensitive); empty when absent.
    std::string Header(const std::string& name) const;
    bool HasHeader(const std::string& name) const;
};

// Deterministic bytes that bodies are generated from; a body of size n is
// GeneratedBytes(0, n).
std::string GeneratedBytes(size_t offset, size_t count);

// A port on 127.0.0.1 where nothing listens, so that connecting is refused.
unsigned short ClosedLoopbackPort();

class HttpTestServer {
public:
    // Listens on a free port of 127.0.0.1; throws std::runtime_error when it cannot.
    HttpTestServer();
    // Releases stalled answers, closes every connection and joins all threads.
    ~HttpTestServer();
    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    unsigned short port() const { return port_; }
    // "http://127.0.0.1:<port>" followed by pathAndQuery.
    std::wstring Url(const std::string& pathAndQuery) const;

    // Routes match the request target up to its "?". Unknown paths get 404 "not found".
    void SetRoute(const std::string& path, HttpRoute route);

    std::vector<RecordedRequest> Requests() const;
    size_t RequestCount() const;
    size_t ConnectionCount() const;

    // True once some answer is held back by stallAfterBodyBytes (false after timeoutMs).
    bool WaitForStall(unsigned long timeoutMs) const;
    // Lets held-back answers go on; later answers no longer stall.
    void ReleaseStalls();

private:
    struct Connection;

    void AcceptLoop();
    void Serve(Connection& connection);
    bool ReadRequest(Connection& connection, RecordedRequest& request);
    bool Respond(Connection& connection, const RecordedRequest& request);
    bool SendAll(SOCKET socket, const char* data, size_t size);
    bool WaitReady(SOCKET socket, bool forWriting);
    void Stall();
    HttpRoute RouteFor(const std::string& target) const;

    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread acceptThread_;

    mutable std::mutex mutex_; // guards everything below
    mutable std::condition_variable changed_;
    std::map<std::string, HttpRoute> routes_;
    std::vector<RecordedRequest> requests_;
    std::vector<std::unique_ptr<Connection>> connections_; // started by the accept thread
    size_t connectionCount_ = 0;
    size_t stalled_ = 0;
    bool released_ = false;
};

} // namespace testing_support

#include "net/http_transfer.h"

#include "recording_sink.h"
#include "support/http_test_server.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace updater {
namespace {

using testing_support::ClosedLoopbackPort;
using testing_support::GeneratedBytes;
using testing_support::HttpRoute;
using testing_support::HttpTestServer;

using Calls = std::vector<std::wstring>;

// Holds a fetched block and frees it the way its receiver must.
struct Fetched {
    char* block = nullptr;
    DWORD length = 0;
    ~Fetched() { std::free(block); }
};

TEST(HttpGetToMemory, ReturnsTheBodyFollowedByAZeroByte) {
    struct Case {
        size_t size;
        size_t capacity; // the block grows in 8192-byte steps and keeps room for the zero
    };
    const Case cases[] = {{0, 8192},     {1, 8192},     {8191, 8192},
                          {8192, 16384}, {8193, 16384}, {100000, 106496}};
    HttpTestServer server;
    for (const auto& c : cases) {
        const std::string path = "/body-" + std::to_string(c.size);
        server.SetRoute(path, HttpRoute::Generated(c.size));
        RecordingSink sink;
        Fetched fetched;
        ASSERT_TRUE(
            HttpGetToMemory(server.Url(path).c_str(), &fetched.block, &fetched.length, &sink))
            << c.size;
        ASSERT_NE(nullptr, fetched.block);
        EXPECT_EQ(c.size, fetched.length);
        EXPECT_EQ(GeneratedBytes(0, c.size), std::string(fetched.block, fetched.length));
        EXPECT_EQ(0, fetched.block[fetched.length]) << c.size;
        EXPECT_EQ(c.capacity, _msize(fetched.block)) << c.size;
        EXPECT_EQ((Calls{L"state 0", L"state 1", L"state 2", L"state 3", L"state 4"}),
                  sink.States());
        if (c.size > 0) {
            EXPECT_EQ(c.size, sink.positions.back());
        } else {
            EXPECT_TRUE(sink.positions.empty());
        }
        // The server sends Content-Length: the total is the size, in every report.
        EXPECT_EQ(std::vector<DWORD>(sink.totals.size(), static_cast<DWORD>(c.size)), sink.totals);
    }
}

TEST(HttpGetToMemory, AbortAtTheFirstChunkStoresNothing) {
    HttpTestServer server;
    server.SetRoute("/descriptor.xml", HttpRoute::Generated(50000));
    RecordingSink sink(1);
    char sentinel = 'x';
    char* block = &sentinel;
    DWORD length = 77;
    EXPECT_FALSE(HttpGetToMemory(server.Url("/descriptor.xml").c_str(), &block, &length, &sink));
    EXPECT_EQ((Calls{L"state 0", L"state 1", L"state 2", L"state 3", L"aborted?", L"state -1",
                     L"state -2 用户终止操作"}),
              sink.calls);
    EXPECT_EQ(&sentinel, block);
    EXPECT_EQ(77u, length);
}

TEST(HttpGetToMemory, ReportsTheStepThatFails) {
    const std::wstring refused =
        L"http://127.0.0.1:" + std::to_wstring(ClosedLoopbackPort()) + L"/descriptor.xml";
    struct Case {
        std::wstring url;
        Calls calls;
    };
    const Case cases[] = {
        // WinInet connects only when the request is sent.
        {refused, {L"state 0", L"state 1", L"state 2", L"state -2 Failed to send http request"}},
        {L"https://127.0.0.1/descriptor.xml", {L"state 0", L"state -2"}},
        {L"no url at all", {L"state 0", L"state -2"}},
    };
    for (const auto& c : cases) {
        RecordingSink sink;
        Fetched fetched;
        EXPECT_FALSE(HttpGetToMemory(c.url.c_str(), &fetched.block, &fetched.length, &sink));
        EXPECT_EQ(c.calls, sink.calls) << testing::PrintToString(c.url);
        EXPECT_EQ(nullptr, fetched.block);
    }
}

TEST(HttpGetToMemory, RefusesMissingArgumentsSilently) {
    RecordingSink sink;
    char* block = nullptr;
    DWORD length = 0;
    EXPECT_FALSE(HttpGetToMemory(L"", &block, &length, &sink));
    EXPECT_FALSE(HttpGetToMemory(nullptr, &block, &length, &sink));
    EXPECT_FALSE(HttpGetToMemory(L"http://127.0.0.1/x", nullptr, &length, &sink));
    EXPECT_FALSE(HttpGetToMemory(L"http://127.0.0.1/x", &block, nullptr, &sink));
    EXPECT_TRUE(sink.calls.empty());
}

TEST(HttpGetToMemory, ReturnsAnErrorPageLikeAnyBody) {
    HttpTestServer server;
    server.SetRoute("/missing.xml", HttpRoute::Text("<html>Not Found</html>", 404));
    Fetched fetched;
    ASSERT_TRUE(HttpGetToMemory(server.Url("/missing.xml").c_str(), &fetched.block, &fetched.length,
                                nullptr));
    EXPECT_EQ(std::string("<html>Not Found</html>"), fetched.block);
}

TEST(HttpGetToMemory, ReportsOneTotalWithoutContentLength) {
    HttpTestServer server;
    HttpRoute route = HttpRoute::Generated(300000);
    route.sendContentLength = false;
    server.SetRoute("/stream", route);
    RecordingSink sink;
    Fetched fetched;
    ASSERT_TRUE(
        HttpGetToMemory(server.Url("/stream").c_str(), &fetched.block, &fetched.length, &sink));
    EXPECT_EQ(GeneratedBytes(0, 300000), std::string(fetched.block, fetched.length));
    ASSERT_FALSE(sink.totals.empty());
    // The bytes readable after sending: never more than the body, the same every time.
    EXPECT_LE(sink.totals.front(), 300000u);
    EXPECT_EQ(std::vector<DWORD>(sink.totals.size(), sink.totals.front()), sink.totals);
}

TEST(HttpRequestToMemory, SendsTheGivenVerbAndObjectName) {
    HttpTestServer server;
    server.SetRoute("/info", HttpRoute::Text("ok"));
    Fetched fetched;
    ASSERT_TRUE(HttpRequestToMemory(L"127.0.0.1", L"/info?a=1", &fetched.block, &fetched.length,
                                    server.port(), L"HEAD", nullptr));
    EXPECT_EQ(0u, fetched.length);
    ASSERT_EQ(1u, server.RequestCount());
    EXPECT_EQ("HEAD /info?a=1 HTTP/1.1", server.Requests()[0].requestLine);
}

} // namespace
} // namespace updater

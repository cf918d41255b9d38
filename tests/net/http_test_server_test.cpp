// The loopback server is shared by several test programs; these check the behaviours they
// rely on, through the real WinInet.
#include "support/http_test_server.h"

#include "net/http_transfer.h"
#include "net/internet_handle.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <future>
#include <string>

namespace updater {
namespace {

using testing_support::GeneratedBytes;
using testing_support::HttpRoute;
using testing_support::HttpTestServer;

std::string ReadAll(CHttpFile& request) {
    std::string body;
    char chunk[8192];
    for (DWORD n; (n = request.Read(chunk, sizeof(chunk))) > 0;) {
        body.append(chunk, n);
    }
    return body;
}

TEST(HttpTestServer, ServesSeveralRequestsOnOneKeptAliveConnection) {
    HttpTestServer server;
    server.SetRoute("/a", HttpRoute::Text("first"));
    HttpRoute second = HttpRoute::Generated(70000, 201);
    second.headers = {{"X-Test", "yes"}};
    server.SetRoute("/b", second);

    CInternetSession session(L"probe", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    CHttpConnection connection(session.handle(), L"127.0.0.1", server.port(), nullptr, nullptr, 0);
    const std::pair<const wchar_t*, std::string> steps[] = {
        {L"/a", "first"}, {L"/b?x", GeneratedBytes(0, 70000)}, {L"/nowhere", "not found"}};
    const DWORD statuses[] = {200, 201, 404};
    for (size_t i = 0; i < 3; ++i) {
        CHttpFile request(connection.handle(), L"GET", steps[i].first, L"", nullptr, nullptr,
                          INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_RELOAD);
        request.SendRequest();
        EXPECT_EQ(statuses[i], request.QueryStatusCode());
        EXPECT_TRUE(ReadAll(request) == steps[i].second) << i;
    }
    EXPECT_EQ(1u, server.ConnectionCount());
    const auto requests = server.Requests();
    ASSERT_EQ(3u, requests.size());
    EXPECT_EQ("/b?x", requests[1].target);
    for (const auto& request : requests) {
        EXPECT_EQ(1u, request.connection);
    }
}

TEST(HttpTestServer, ShutsDownWhileAClientWaitsForAStalledBody) {
    testing_support::TempDir temp;
    std::future<bool> download;
    {
        HttpTestServer server;
        HttpRoute stalled = HttpRoute::Generated(100000);
        stalled.stallAfterBodyBytes = 30000;
        server.SetRoute("/slow", stalled);
        const std::wstring url = server.Url("/slow");
        const std::wstring target = temp.File(L"slow.bin");
        download = std::async(std::launch::async, [url, target] {
            return HttpGetToFile(url.c_str(), target.c_str(), nullptr);
        });
        ASSERT_TRUE(server.WaitForStall(30000));
    }
    ASSERT_EQ(std::future_status::ready, download.wait_for(std::chrono::seconds(60)));
    EXPECT_FALSE(download.get()); // the body was cut short by the shutdown
}

TEST(HttpTestServer, ReleasedStallSendsTheRest) {
    HttpTestServer server;
    HttpRoute stalled = HttpRoute::Generated(100000);
    stalled.stallAfterBodyBytes = 30000;
    server.SetRoute("/slow", stalled);
    const std::wstring url = server.Url("/slow");
    auto download = std::async(std::launch::async, [url] {
        char* block = nullptr;
        DWORD length = 0;
        std::string body;
        if (HttpGetToMemory(url.c_str(), &block, &length, nullptr)) {
            body.assign(block, length);
        }
        std::free(block);
        return body;
    });
    ASSERT_TRUE(server.WaitForStall(30000));
    server.ReleaseStalls();
    ASSERT_EQ(std::future_status::ready, download.wait_for(std::chrono::seconds(60)));
    EXPECT_TRUE(download.get() == GeneratedBytes(0, 100000));
}

} // namespace
} // namespace updater

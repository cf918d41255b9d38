#include "net/http_transfer.h"

#include "support/http_test_server.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

namespace updater {
namespace {

using testing_support::HttpRoute;
using testing_support::HttpTestServer;
using testing_support::RecordedRequest;
using testing_support::TempDir;

// Both transfers send the same request: GET of the object name with its query, our agent,
// "*/*" only, a connection kept alive, no body.
TEST(TransferRequest, LooksTheSameToTheServerForBothTransfers) {
    HttpTestServer server;
    server.SetRoute("/update/descriptor.xml", HttpRoute::Text("<ver>1</ver>"));
    TempDir temp;
    const std::wstring url = server.Url("/update/descriptor.xml?channel=beta&v=2");
    struct Case {
        const char* name;
        std::function<bool()> transfer;
    };
    const Case cases[] = {
        {"memory",
         [&] {
             char* block = nullptr;
             DWORD length = 0;
             const bool ok = HttpGetToMemory(url.c_str(), &block, &length, nullptr);
             std::free(block);
             return ok;
         }},
        {"file", [&] { return HttpGetToFile(url.c_str(), temp.File(L"d.xml").c_str(), nullptr); }},
    };
    for (const auto& c : cases) {
        const size_t before = server.RequestCount();
        ASSERT_TRUE(c.transfer()) << c.name;
        ASSERT_EQ(before + 1, server.RequestCount()) << c.name;
        const RecordedRequest request = server.Requests().back();
        EXPECT_EQ("GET /update/descriptor.xml?channel=beta&v=2 HTTP/1.1", request.requestLine)
            << c.name;
        EXPECT_EQ("INetHttpClient", request.Header("User-Agent")) << c.name;
        EXPECT_EQ("*/*", request.Header("Accept")) << c.name;
        EXPECT_EQ("127.0.0.1:" + std::to_string(server.port()), request.Header("Host")) << c.name;
        EXPECT_TRUE(_stricmp("Keep-Alive", request.Header("Connection").c_str()) == 0)
            << c.name << ": " << request.Header("Connection");
        EXPECT_FALSE(request.HasHeader("Content-Length")) << c.name;
        EXPECT_TRUE(request.body.empty()) << c.name;
    }
}

} // namespace
} // namespace updater

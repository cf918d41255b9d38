#include "net/http_transfer.h"

#include "recording_sink.h"
#include "support/http_test_server.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace updater {
namespace {

using testing_support::ClosedLoopbackPort;
using testing_support::FileExists;
using testing_support::GeneratedBytes;
using testing_support::HttpRoute;
using testing_support::HttpTestServer;
using testing_support::ReadFileBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

using Calls = std::vector<std::wstring>;

class HttpGetToFileTest : public testing::Test {
protected:
    HttpTestServer server;
    TempDir temp;
};

TEST_F(HttpGetToFileTest, SavesExactlyWhatWasServed) {
    const size_t size = 5 * 1024 * 1024 + 123;
    server.SetRoute("/setup.exe", HttpRoute::Generated(size));
    const std::wstring target = temp.File(L"setup.exe");
    RecordingSink sink;
    ASSERT_TRUE(HttpGetToFile(server.Url("/setup.exe").c_str(), target.c_str(), &sink));
    EXPECT_TRUE(ReadFileBytes(target) == GeneratedBytes(0, size));
    EXPECT_EQ((Calls{L"state 0", L"state 1", L"state 2", L"state 3", L"state 4"}), sink.States());
    ASSERT_FALSE(sink.positions.empty());
    EXPECT_EQ(size, sink.positions.back());
    for (size_t i = 1; i < sink.positions.size(); ++i) {
        ASSERT_LT(sink.positions[i - 1], sink.positions[i]);
        ASSERT_LE(sink.positions[i] - sink.positions[i - 1], 8192u);
    }
    // The total is the Content-Length, the same in every report.
    EXPECT_EQ(std::vector<DWORD>(sink.totals.size(), static_cast<DWORD>(size)), sink.totals);
}

TEST_F(HttpGetToFileTest, ReplacesAnExistingFileFromItsFirstByte) {
    server.SetRoute("/setup.exe", HttpRoute::Text("new content"));
    const std::wstring target = temp.File(L"setup.exe");
    ASSERT_TRUE(WriteFileBytes(target, std::string(100000, 'o')));
    ASSERT_TRUE(HttpGetToFile(server.Url("/setup.exe").c_str(), target.c_str(), nullptr));
    EXPECT_EQ("new content", ReadFileBytes(target));
}

TEST_F(HttpGetToFileTest, CreatesMissingDirectories) {
    server.SetRoute("/setup.exe", HttpRoute::Generated(20000));
    const std::wstring target = temp.File(L"new\\a\\b\\setup.exe");
    ASSERT_TRUE(HttpGetToFile(server.Url("/setup.exe").c_str(), target.c_str(), nullptr));
    EXPECT_EQ(GeneratedBytes(0, 20000), ReadFileBytes(target));
}

TEST_F(HttpGetToFileTest, SavesABodyWithoutContentLength) {
    HttpRoute route = HttpRoute::Generated(200000);
    route.sendContentLength = false;
    server.SetRoute("/setup.exe", route);
    const std::wstring target = temp.File(L"setup.exe");
    RecordingSink sink;
    ASSERT_TRUE(HttpGetToFile(server.Url("/setup.exe").c_str(), target.c_str(), &sink));
    EXPECT_TRUE(ReadFileBytes(target) == GeneratedBytes(0, 200000));
    ASSERT_FALSE(sink.totals.empty());
    EXPECT_EQ(std::vector<DWORD>(sink.totals.size(), sink.totals.front()), sink.totals);
}

TEST_F(HttpGetToFileTest, EmptyBodySucceedsWithoutAFile) {
    server.SetRoute("/empty", HttpRoute::Text(""));
    const std::wstring target = temp.File(L"empty.bin");
    RecordingSink sink;
    EXPECT_TRUE(HttpGetToFile(server.Url("/empty").c_str(), target.c_str(), &sink));
    EXPECT_FALSE(FileExists(target));
    EXPECT_EQ((Calls{L"state 0", L"state 1", L"state 2", L"state 3", L"state -2"}), sink.calls);
}

TEST_F(HttpGetToFileTest, AbortAtTheFirstChunkDeletesTheFile) {
    server.SetRoute("/setup.exe", HttpRoute::Generated(1000000));
    const std::wstring target = temp.File(L"setup.exe");
    RecordingSink sink(1);
    EXPECT_FALSE(HttpGetToFile(server.Url("/setup.exe").c_str(), target.c_str(), &sink));
    EXPECT_FALSE(FileExists(target));
    EXPECT_EQ((Calls{L"state 0", L"state 1", L"state 2", L"state 3", L"aborted?", L"state -1",
                     L"state -2 用户终止了下载操作！"}),
              sink.calls);
}

TEST_F(HttpGetToFileTest, AbortLaterKeepsWhatWasReportedAndDeletesTheFile) {
    server.SetRoute("/setup.exe", HttpRoute::Generated(1000000));
    const std::wstring target = temp.File(L"setup.exe");
    RecordingSink sink(3);
    EXPECT_FALSE(HttpGetToFile(server.Url("/setup.exe").c_str(), target.c_str(), &sink));
    EXPECT_FALSE(FileExists(target));
    EXPECT_EQ(2u, sink.positions.size());
    EXPECT_EQ((Calls{L"aborted?", L"state -1", L"state -2 用户终止了下载操作！"}),
              Calls(sink.calls.end() - 3, sink.calls.end()));
}

// Every failure leaves no file at the target, also none that stood there before.
TEST_F(HttpGetToFileTest, FailuresDeleteTheTarget) {
    HttpRoute cut = HttpRoute::Generated(1000000);
    cut.closeAfterBodyBytes = 100000;
    server.SetRoute("/cut", cut);
    server.SetRoute("/missing", HttpRoute::Text("<html>Not Found</html>", 404));
    server.SetRoute("/broken", HttpRoute::Text("<html>oops</html>", 500));
    server.SetRoute("/setup.exe", HttpRoute::Generated(1000));
    const std::wstring refused =
        L"http://127.0.0.1:" + std::to_wstring(ClosedLoopbackPort()) + L"/setup.exe";
    ASSERT_TRUE(WriteFileBytes(temp.File(L"blocker"), "a file, not a directory"));

    struct Case {
        std::wstring url;
        std::wstring target;
        Calls states;
    };
    const Case cases[] = {
        {server.Url("/missing"),
         temp.File(L"a.exe"),
         {L"state 0", L"state 1", L"state 2", L"state 3", L"state -2 HTTP status 404"}},
        {server.Url("/broken"),
         temp.File(L"b.exe"),
         {L"state 0", L"state 1", L"state 2", L"state 3", L"state -2 HTTP status 500"}},
        {refused,
         temp.File(L"c.exe"),
         {L"state 0", L"state 1", L"state 2", L"state -2 Failed to send http request"}},
        {server.Url("/setup.exe"),
         temp.File(L"blocker\\d.exe"),
         {L"state 0", L"state 1", L"state 2", L"state 3", L"state -2 无法在本地创建保存文件！"}},
        {server.Url("/cut"),
         temp.File(L"e.exe"),
         {L"state 0", L"state 1", L"state 2", L"state 3",
          L"state -2 Connection closed after 100000 of 1000000 bytes"}},
    };
    for (const auto& c : cases) {
        WriteFileBytes(c.target, "from an earlier run");
        RecordingSink sink;
        EXPECT_FALSE(HttpGetToFile(c.url.c_str(), c.target.c_str(), &sink))
            << testing::PrintToString(c.url);
        EXPECT_FALSE(FileExists(c.target)) << testing::PrintToString(c.url);
        EXPECT_EQ(c.states, sink.States()) << testing::PrintToString(c.url);
    }
    EXPECT_EQ("a file, not a directory", ReadFileBytes(temp.File(L"blocker")));
}

TEST_F(HttpGetToFileTest, UnusableUrlTouchesNoFile) {
    const std::wstring target = temp.File(L"setup.exe");
    ASSERT_TRUE(WriteFileBytes(target, "kept"));
    for (const wchar_t* url : {L"https://127.0.0.1/setup.exe", L"", L"setup.exe"}) {
        RecordingSink sink;
        EXPECT_FALSE(HttpGetToFile(url, target.c_str(), &sink)) << url;
        EXPECT_EQ((Calls{L"state 0", L"state -2"}), sink.calls) << url;
    }
    EXPECT_EQ("kept", ReadFileBytes(target));
}

} // namespace
} // namespace updater

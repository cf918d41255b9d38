// Both transfers against the loopback server: what arrives, what the progress sink hears, and
// what is left behind when a transfer fails.

#include "net/http_transfer.h"
#include "net/transfer_common.h"

#include "support/loopback_server.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace updater {
namespace {

using testing_support::FileExists;
using testing_support::GeneratedBytes;
using testing_support::ReadFileBytes;
using testing_support::ServerUrl;

// Writes down what a transfer reports; answers "abort" from the abortAt-th question on, or once
// abortFrom bytes have arrived.
class RecordingSink : public IPostionChanged {
public:
    explicit RecordingSink(int abortAt = 0, ULONGLONG abortFrom = 0)
        : abortAt_(abortAt), abortFrom_(abortFrom) {}
    void OnPositionChanged(ULONGLONG position, ULONGLONG total) override {
        positions.push_back(position);
        totals.push_back(total);
    }
    void OnStateChanged(int state, const wchar_t*) override { states.push_back(state); }
    bool IsAborted() override {
        ++questions;
        return (abortAt_ != 0 && questions >= abortAt_) ||
               (abortFrom_ != 0 && !positions.empty() && positions.back() >= abortFrom_);
    }

    std::vector<ULONGLONG> positions, totals;
    std::vector<int> states;
    int questions = 0;

private:
    int abortAt_;
    ULONGLONG abortFrom_;
};

// A key of its own for each use of the server's counted options (cutat=).
std::string Key() {
    static int counter = 0;
    return std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
}

enum class Target { Memory, File };

struct Outcome {
    bool ok = false;
    std::string body; // memory: the block; file: the file's content
    bool fileLeft = false;
    bool held = false; // a downloaded file could be neither opened for writing nor deleted
    std::vector<ResumeOffer> offers; // what the file download told of continuing it later
    bool lateFirstOffer = false;     // the first offer came after the body had begun
};

// A file transfer saves into a folder that does not exist yet; with `oldFile` a file from an
// earlier download stands at the target first, with `before` these bytes.
Outcome Transfer(Target target, const std::wstring& url, RecordingSink* sink, bool oldFile = false,
                 const std::string& before = "", FileDownloadOptions options = {}) {
    Outcome outcome;
    if (target == Target::Memory) {
        char* block = nullptr;
        DWORD length = 0;
        outcome.ok = HttpGetToMemory(url.c_str(), &block, &length, sink);
        if (outcome.ok) {
            EXPECT_EQ('\0', block[length]) << "the block ends with a zero byte";
            outcome.body.assign(block, length);
            std::free(block);
        }
        return outcome;
    }
    testing_support::TempDir temp;
    const bool exists = oldFile || !before.empty();
    const std::wstring path = exists ? temp.File(L"setup.exe") : temp.File(L"new\\setup.exe");
    if (exists) {
        testing_support::WriteFileBytes(path, oldFile ? std::string(100000, 'o') : before);
    }
    UniqueFileHandle held;
    options.held = &held;
    options.onOffer = [&](const ResumeOffer& offer) {
        outcome.lateFirstOffer |=
            outcome.offers.empty() && sink != nullptr && !sink->positions.empty();
        outcome.offers.push_back(offer);
    };
    outcome.ok = HttpGetToFile(url.c_str(), path.c_str(), sink, options);
    outcome.fileLeft = FileExists(path);
    outcome.body = ReadFileBytes(path);
    outcome.held = held && !DeleteFileW(path.c_str()) &&
                   !UniqueFileHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 7, nullptr,
                                                 OPEN_EXISTING, 0, nullptr));
    return outcome;
}

TEST(Transfers, DeliverEveryByteAndReportProgressInChunks) {
    struct Case {
        const char* name;
        std::string path;
        std::string body;
        ULONGLONG largestStep = kMaxReadSize;
    };
    const Case cases[] = {
        // Reads follow the link: the progress moves through a slow download.
        {"300 KB/s", "/bytes/400000?rate=300000", GeneratedBytes(400000), 100000},
        {"one byte", "/bytes/1", GeneratedBytes(1)},
        {"one chunk and one byte", "/bytes/8193", GeneratedBytes(8193)},
        {"3 MiB", "/bytes/3145739", GeneratedBytes(3145739)},
        {"a 2,000-character address", "/bytes/8193?pad=" + std::string(1950, 'p'),
         GeneratedBytes(8193)},
        {"no Content-Length", "/bytes/20000?nolength=1", GeneratedBytes(20000)},
        {"https", "https", GeneratedBytes(70000)},
    };
    for (Target target : {Target::Memory, Target::File}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (target == Target::File ? " to file" : ""));
            RecordingSink sink;
            const Outcome outcome = Transfer(
                target,
                c.path == "https" ? testing_support::SecureUrl("/bytes/70000") : ServerUrl(c.path),
                &sink);
            ASSERT_TRUE(outcome.ok);
            EXPECT_TRUE(outcome.body == c.body) << outcome.body.size() << " bytes arrived";
            EXPECT_EQ(target == Target::File, outcome.held);
            // The server's offer to continue is told before the first byte; there is none
            // without a Content-Length.
            EXPECT_EQ(target == Target::File ? 1u : 0u, outcome.offers.size());
            for (const ResumeOffer& offer : outcome.offers) {
                EXPECT_FALSE(outcome.lateFirstOffer);
                EXPECT_EQ(offer.Usable() ? c.body.size() : 0u, offer.total);
                EXPECT_EQ(c.path.find("nolength") == std::string::npos, offer.Usable());
            }
            EXPECT_EQ((std::vector<int>{kTransferStarting, kTransferOpening, kTransferConnected,
                                        kTransferSent, kTransferDone}),
                      sink.states);
            ASSERT_FALSE(sink.positions.empty());
            EXPECT_EQ(c.body.size(), sink.positions.back());
            for (size_t i = 1; i < sink.positions.size(); ++i) {
                ASSERT_GT(sink.positions[i], sink.positions[i - 1]);
                ASSERT_LE(sink.positions[i] - sink.positions[i - 1], c.largestStep);
                ASSERT_EQ(sink.totals[0], sink.totals[i]) << "one total per transfer";
            }
        }
    }
}

TEST(Transfers, FailuresEndInFailedStateAndLeaveNoFile) {
    struct Case {
        const char* name;
        Target target;
        std::wstring url;
        int abortAt;
        ULONGLONG total = 0;     // the announced size, when checked
        ULONGLONG abortFrom = 0; // asked to stop once this many bytes have arrived
        // Asked to keep a part that can be continued; handed in a kept part of /bytes/500000
        // of that many bytes; the bytes of that file left at the path (0: no file).
        bool keep = false;
        ULONGLONG kept = 0;
        size_t left = 0;
    };
    const Case cases[] = {
        {"refused, memory", Target::Memory, testing_support::RefusedUrl("/d.xml"), 0},
        {"refused, file", Target::File, testing_support::RefusedUrl("/s.exe"), 0},
        {"https, refused", Target::Memory, L"https://127.0.0.1:1/d.xml", 0},
        {"untrusted certificate", Target::File, testing_support::SecureUrl("/bytes/10", false), 0},
        {"https to http", Target::Memory,
         testing_support::SecureUrl("/redirect-to?url=" +
                                    testing_support::ToAnsi(ServerUrl("/bytes/10"))),
         0},
        {"not a URL", Target::Memory, L"setup.exe", 0},
        {"error status", Target::File, ServerUrl("/status/404"), 0},
        // A break is continued only where the server offers ranges and a validator, at most
        // three times, and a cancel stops the pause before a resumption.
        {"cut short without ranges", Target::File, ServerUrl("/bytes/100000?cut=30000&noranges=1"),
         0},
        {"cut short without validator", Target::File,
         ServerUrl("/bytes/100000?cut=30000&novalidator=1"), 0},
        // A Last-Modified counts only when a second older than the answer's Date.
        {"cut short, modified in the second of Date", Target::File,
         ServerUrl("/bytes/100000?cut=30000&noetag=1&modified=1700000000&date=1700000000"), 0},
        {"cut short, modified but no Date", Target::File,
         ServerUrl("/bytes/100000?cut=30000&noetag=1&nodate=1"), 0},
        {"5 GiB cut short", Target::File, ServerUrl("/bytes/5368709120?cut=3000000&noranges=1"), 0,
         5368709120},
        {"cut four times", Target::File,
         ServerUrl("/bytes/500000?cutat=100000,200000,300000,400000&key=" + Key()), 0},
        {"cancelled before resuming", Target::File,
         ServerUrl("/bytes/500000?cutat=100000&key=" + Key()), 0, 0, 100000},
        {"aborted, memory", Target::Memory, ServerUrl("/bytes/100000"), 2},
        {"aborted, file", Target::File, ServerUrl("/bytes/100000"), 2},
        // Only a part that can be continued is kept, and never one that was cancelled.
        {"cut four times, part kept", Target::File,
         ServerUrl("/bytes/500000?cutat=100000,200000,300000,400000&key=" + Key()), 0, 0, 0, true,
         0, 400000},
        {"cut short without ranges, nothing kept", Target::File,
         ServerUrl("/bytes/100000?cut=30000&noranges=1"), 0, 0, 0, true},
        {"cancelled before resuming, nothing kept", Target::File,
         ServerUrl("/bytes/500000?cutat=100000&key=" + Key()), 0, 0, 100000, true},
        {"a kept part, server away", Target::File, testing_support::RefusedUrl("/bytes/500000"), 0,
         0, 0, true, 200000, 200000},
        {"a kept part, cut again", Target::File,
         ServerUrl("/bytes/500000?cutat=300000,350000,400000,450000&key=" + Key()), 0, 0, 0, true,
         200000, 450000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingSink sink(c.abortAt, c.abortFrom);
        FileDownloadOptions options;
        options.keepPartOnFailure = c.keep;
        options.keptBytes = c.kept;
        options.kept = {500000, L"\"bytes-500000-plain\""};
        const Outcome outcome =
            Transfer(c.target, c.url, &sink, c.kept == 0, GeneratedBytes(c.kept), options);
        EXPECT_FALSE(outcome.ok);
        EXPECT_EQ(c.left != 0, outcome.fileLeft);
        EXPECT_TRUE(outcome.body == GeneratedBytes(c.left)) << outcome.body.size() << " bytes";
        ASSERT_FALSE(sink.states.empty());
        EXPECT_EQ(kTransferFailed, sink.states.back());
        if (c.total != 0) {
            ASSERT_FALSE(sink.totals.empty());
            EXPECT_EQ(c.total, sink.totals.back());
        }
        if (c.abortAt != 0 || c.abortFrom != 0) {
            EXPECT_EQ(kTransferAborted, sink.states.end()[-2]);
        }
        if (c.abortAt != 0) {
            EXPECT_EQ(c.abortAt, sink.questions) << "stops at the first yes";
        }
    }
}

// The rest of the same file is asked for with Range and If-Range and spliced on; a changed
// file, or an answer that is not provably the rest of the same file, starts over.
TEST(Transfers, ContinueADownloadWhereTheNetworkBrokeIt) {
    struct Case {
        const char* name;
        std::string options;
        std::vector<int> resumedAt;
        bool changed = false; // the whole of the changed file arrives
        // A part of 400000 bytes kept by an earlier download: of the plain file (or, when
        // `keptChanged`, of the changed one, named by its validator), with `keptExtra` bytes
        // more in the file than handed in.
        bool kept = false;
        bool keptChanged = false;
        size_t keptExtra = 0;
    };
    const Case cases[] = {
        {"cut at 40 %", "cutat=400000", {400000}},
        {"cut at each third", "cutat=333333,666666", {333333, 666666}},
        {"changed before resuming", "cutat=400000&changeto=1", {400000}, true},
        {"a part that starts elsewhere", "cutat=400000&badrange=1", {400000}},
        {"a part of another total", "cutat=400000&badtotal=1", {400000}},
        {"modified a second before Date",
         "cutat=400000&noetag=1&modified=1700000000&date=1700000001",
         {400000}},
        // Another file's bytes under a weak ETag or none; 1000 bytes more than the part.
        {"a part with a weak ETag", "cutat=400000&changeto=1&part=weak", {400000}, true},
        {"a part without validator", "cutat=400000&changeto=1&part=novalidator", {400000}, true},
        {"a part longer than its range", "cutat=400000&part=long", {400000}},
        {"a longer part without length", "cutat=400000&part=unannounced", {400000}},
        // Each break has a window of its own: the second one comes 60 s after the first.
        {"breaks 60 s apart", "rate=16000&cutat=20000,980000", {20000, 980000}},
        // The first answer trickles in for 38 s and breaks: the second is sent 4 s before the
        // window ends, and its part then waits 5 s before its first byte.
        {"a late part that waits", "cutat=400000&slowpart=38000&partpause=5000", {400000, 400000}},
        // A part kept by an earlier run: continued where it ends, and broken off again; a
        // changed file, a part that starts elsewhere or a kept file of another size start from
        // zero.
        {"a kept part", "", {400000}, false, true},
        {"a kept part, cut again", "cutat=700000", {400000, 700000}, false, true},
        {"a kept part of a changed file", "", {400000}, false, true, true},
        {"a kept part, the rest elsewhere", "badrange=1", {400000}, false, true},
        {"a kept file of another size", "", {}, false, true, false, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = "/bytes/1000000?" + c.options + "&key=" + Key();
        RecordingSink sink;
        std::string kept = GeneratedBytes(c.kept ? 400000 + c.keptExtra : 0);
        FileDownloadOptions options;
        options.keptBytes = c.kept ? 400000 : 0;
        options.kept = {1000000,
                        c.keptChanged ? L"\"bytes-1000000-inverted\"" : L"\"bytes-1000000-plain\""};
        for (char& byte : kept) {
            byte = c.keptChanged ? static_cast<char>(~byte) : byte;
        }
        const Outcome outcome =
            Transfer(Target::File, ServerUrl(path), &sink, false, kept, options);
        ASSERT_TRUE(outcome.ok);
        std::string expected = GeneratedBytes(1000000);
        for (char& byte : expected) {
            byte = c.changed ? static_cast<char>(~byte) : byte;
        }
        EXPECT_TRUE(outcome.body == expected) << "a body spliced from two files";
        EXPECT_EQ(kTransferDone, sink.states.back());
        EXPECT_EQ(expected.size(), sink.positions.back());
        // A continued part is told from where it stands, and asks for no new offer.
        const bool continued = c.kept && !c.keptChanged && c.keptExtra == 0 &&
                               c.options.find("badrange") == std::string::npos;
        EXPECT_EQ(continued, sink.positions.front() == 400000) << sink.positions.front();
        EXPECT_TRUE(!c.kept || outcome.offers.size() == (continued ? 0u : 1u));
        const std::string log = testing_support::Fetch("/log");
        const std::string first = "GET " + path + " HTTP/1.1\r\n";
        std::string resumptions = log.substr(log.find(first));
        EXPECT_EQ(c.resumedAt.empty(), resumptions.find("Range:") == std::string::npos) << log;
        for (const int at : c.resumedAt) {
            const size_t range = resumptions.find("Range: bytes=" + std::to_string(at) + "-\r\n");
            ASSERT_NE(std::string::npos, range) << log;
            const size_t start = resumptions.rfind("GET ", range);
            const std::string request =
                resumptions.substr(start, resumptions.find("\r\n\r\n", range) - start);
            EXPECT_NE(std::string::npos, request.find("\r\nIf-Range: ")) << request;
            resumptions.erase(0, range + 1);
        }
    }
}

// 4 GiB and 8193 bytes: every count and offset of the download needs more than 32 bits.
TEST(Transfers, DownloadAFileBeyondFourGiBWhole) {
    constexpr ULONGLONG kSize = 4294975489;
    testing_support::TempDir temp;
    const std::wstring path = temp.File(L"big.exe");
    RecordingSink sink;
    const bool ok =
        HttpGetToFile(ServerUrl("/bytes/" + std::to_string(kSize)).c_str(), path.c_str(), &sink);
    const UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ | DELETE,
                                            FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    ASSERT_TRUE(ok);
    ASSERT_TRUE(file);
    LARGE_INTEGER size{};
    ASSERT_TRUE(GetFileSizeEx(file.get(), &size));
    EXPECT_EQ(kSize, static_cast<ULONGLONG>(size.QuadPart));
    // The last sample spans the 4 GiB mark and ends with the file.
    for (const ULONGLONG at : {0ULL, 2147483648ULL - 35000, kSize - 70000}) {
        std::string chunk(70000, '\0');
        DWORD read = 0;
        LARGE_INTEGER offset{};
        offset.QuadPart = static_cast<LONGLONG>(at);
        ASSERT_TRUE(SetFilePointerEx(file.get(), offset, nullptr, FILE_BEGIN));
        ASSERT_TRUE(ReadFile(file.get(), &chunk[0], 70000, &read, nullptr) && read == 70000);
        for (size_t i = 0; i < chunk.size(); ++i) {
            ASSERT_EQ(static_cast<char>(((at + i) * 7 + (at + i) / 251) % 256), chunk[i]) << at + i;
        }
    }
    ASSERT_FALSE(sink.positions.empty());
    EXPECT_EQ(kSize, sink.positions.back());
    EXPECT_EQ(sink.positions.end(), std::adjacent_find(sink.positions.begin(), sink.positions.end(),
                                                       std::greater_equal<ULONGLONG>()))
        << "positions rise";
}

TEST(Transfers, FollowAtMostTenRedirectsToHttpOnly) {
    struct Case {
        std::string path;
        bool ok;
    };
    const Case cases[] = {
        {"/redirect/1", true},
        {"/redirect/10", true},
        {"/redirect/11", false},
        {"/redirect-loop", false},
        {"/redirect-to?url=" + testing_support::ToAnsi(ServerUrl("/redirect/0?pad=")) +
             std::string(1950, 'p'),
         true},
        {"/redirect-grow", false},
        {"/redirect-to?url=file:///c:/windows/win.ini", false},
        {"/redirect-to?url=ftp://127.0.0.1/x", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const Outcome outcome = Transfer(Target::Memory, ServerUrl(c.path), nullptr);
        EXPECT_EQ(c.ok, outcome.ok);
        EXPECT_EQ(c.ok ? "redirected" : "", outcome.body);
    }
    EXPECT_FALSE(Transfer(Target::File, ServerUrl("/redirect/11"), nullptr).ok);
}

TEST(Transfers, FetchStopsReadingOneByteBeyondItsLimit) {
    char* block = nullptr;
    DWORD length = 0;
    ASSERT_TRUE(
        HttpGetToMemory(ServerUrl("/bytes/3000000").c_str(), &block, &length, nullptr, 100000));
    EXPECT_EQ(100001u, length);
    std::free(block);
}

// Both transfers send the same request: GET of the object name with its query exactly as
// written and without its fragment, our agent, "*/*" only, a connection kept alive; the fetch
// asks caches on the way not to answer. Neither leaves a copy in WinInet's cache.
TEST(Transfers, SendAPlainGetWithTheProgramsAgent) {
    for (Target target : {Target::Memory, Target::File}) {
        const std::string path =
            "/files/%E5%8D%87%E7%BA%A7.exe?c=AKIA%2F2026&sig=ab%2Bcd%3D%3D&p=%2525&t=" +
            std::to_string(static_cast<int>(target));
        Transfer(target, ServerUrl(path + "#frag"), nullptr);
        const std::string log = testing_support::Fetch("/log");
        const size_t start = log.rfind("GET " + path + " HTTP/1.1\r\n");
        ASSERT_NE(std::string::npos, start) << log;
        std::string request = log.substr(start, log.find("\r\n\r\n", start) - start);
        CharLowerBuffA(&request[0], static_cast<DWORD>(request.size()));
        for (const char* header :
             {"user-agent: inethttpclient", "accept: */*", "connection: keep-alive",
              "cache-control: no-cache", "pragma: no-cache"}) {
            const bool fromServer = target == Target::Memory || strstr(header, "cache") == nullptr;
            EXPECT_EQ(fromServer, request.find(header) != std::string::npos) << header << " in\n"
                                                                             << request;
        }
        DWORD size = 0;
        EXPECT_FALSE(GetUrlCacheEntryInfoW(ServerUrl(path).c_str(), nullptr, &size) ||
                     GetLastError() == ERROR_INSUFFICIENT_BUFFER)
            << "a copy in the cache";
    }
}

} // namespace
} // namespace updater

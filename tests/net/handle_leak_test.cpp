// Failing transfers must give back every handle they took: sockets, the local file and the
// WinInet handles. Kernel handles are counted in the system's handle list (wine answers
// GetProcessHandleCount with 0); WinInet handles, which are not kernel objects, by the handle
// value a new session gets, since WinInet hands out the lowest free slot first.
#include "net/http_transfer.h"
#include "net/internet_handle.h"

#include "recording_sink.h"
#include "support/http_test_server.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace updater {
namespace {

using testing_support::ClosedLoopbackPort;
using testing_support::HttpRoute;
using testing_support::HttpTestServer;
using testing_support::TempDir;

// The layout of SystemHandleInformation (16) entries.
struct SystemHandleEntry {
    ULONG ownerProcessId;
    BYTE objectType;
    BYTE flags;
    USHORT handleValue;
    PVOID object;
    ULONG access;
};

DWORD KernelHandleCount() {
    using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<QuerySystemInformation>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (query == nullptr) {
        return 0;
    }
    std::vector<BYTE> buffer(1 << 16);
    ULONG needed = 0;
    LONG status;
    while ((status = query(16, buffer.data(), static_cast<ULONG>(buffer.size()), &needed)) ==
           static_cast<LONG>(0xC0000004)) { // STATUS_INFO_LENGTH_MISMATCH
        buffer.resize(buffer.size() * 2);
    }
    if (status < 0) {
        return 0;
    }
    const ULONG_PTR count = *reinterpret_cast<const ULONG_PTR*>(buffer.data());
    const auto* entries =
        reinterpret_cast<const SystemHandleEntry*>(buffer.data() + sizeof(ULONG_PTR));
    DWORD own = 0;
    for (ULONG_PTR i = 0; i < count; ++i) {
        own += entries[i].ownerProcessId == GetCurrentProcessId() ? 1 : 0;
    }
    return own;
}

HINTERNET NextInternetHandle() {
    CInternetSession session(L"probe", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    return session.handle();
}

TEST(FailingTransfers, GiveBackEveryHandle) {
    HttpTestServer server;
    HttpRoute cut = HttpRoute::Generated(500000);
    cut.closeAfterBodyBytes = 50000;
    server.SetRoute("/cut", cut);
    server.SetRoute("/missing", HttpRoute::Text("gone", 404));
    server.SetRoute("/big", HttpRoute::Generated(500000));
    TempDir temp;
    const std::wstring target = temp.File(L"setup.exe");
    const std::wstring refused =
        L"http://127.0.0.1:" + std::to_wstring(ClosedLoopbackPort()) + L"/x";
    const std::wstring blocked = temp.File(L"blocker\\x.exe");
    ASSERT_TRUE(testing_support::WriteFileBytes(temp.File(L"blocker"), "file"));

    const std::function<void()> failures[] = {
        [&] { HttpGetToFile(refused.c_str(), target.c_str(), nullptr); },
        [&] { HttpGetToFile(server.Url("/cut").c_str(), target.c_str(), nullptr); },
        [&] { HttpGetToFile(server.Url("/missing").c_str(), target.c_str(), nullptr); },
        [&] { HttpGetToFile(server.Url("/big").c_str(), blocked.c_str(), nullptr); },
        [&] {
            RecordingSink abortAtOnce(1);
            HttpGetToFile(server.Url("/big").c_str(), target.c_str(), &abortAtOnce);
        },
        [&] {
            RecordingSink abortAtOnce(1);
            char* block = nullptr;
            DWORD length = 0;
            HttpGetToMemory(server.Url("/big").c_str(), &block, &length, &abortAtOnce);
        },
        [&] {
            char* block = nullptr;
            DWORD length = 0;
            HttpGetToMemory(refused.c_str(), &block, &length, nullptr);
        },
    };
    auto runAll = [&] {
        for (const auto& failure : failures) {
            failure();
        }
    };
    runAll(); // lets WinInet set up what it keeps for the whole process
    const DWORD kernelBefore = KernelHandleCount();
    ASSERT_GT(kernelBefore, 0u) << "the handle list shows no handle of ours";
    const HINTERNET internetBefore = NextInternetHandle();
    for (int round = 0; round < 10; ++round) {
        runAll();
    }
    EXPECT_EQ(kernelBefore, KernelHandleCount());
    EXPECT_EQ(internetBefore, NextInternetHandle());
    EXPECT_FALSE(testing_support::FileExists(target));
}

} // namespace
} // namespace updater

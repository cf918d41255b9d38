#include "net/internet_handle.h"

#include <gtest/gtest.h>

#include <string>

namespace updater {
namespace {

TEST(CInternetException, FormatsWideTextsAndUnsignedNumbers) {
    struct Case {
        CInternetException thrown;
        const wchar_t* message;
    };
    SetLastError(ERROR_INTERNET_CANNOT_CONNECT);
    const Case cases[] = {
        {CInternetException(nullptr, L"Failed to connect to server (%s:%u)", L"例子.test", 65535u),
         L"Failed to connect to server (例子.test:65535)"},
        {CInternetException(nullptr, L"Failed to open http request (%s %s)", L"GET", L"/a?b=1"),
         L"Failed to open http request (GET /a?b=1)"},
        {CInternetException(nullptr, L"Failed to read from network (%u bytes)", 8192u),
         L"Failed to read from network (8192 bytes)"},
        {CInternetException(nullptr, L"用户终止了下载操作！"), L"用户终止了下载操作！"},
        {CInternetException(nullptr, L"100%% of %s", L"x"), L"100% of x"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(std::wstring(c.message), c.thrown.m_strMessage);
    }
}

TEST(CInternetException, KeepsTheLastErrorAndSaysUnknownWithoutResponse) {
    SetLastError(ERROR_INTERNET_NAME_NOT_RESOLVED);
    const CInternetException failure(nullptr, L"x");
    EXPECT_EQ(static_cast<DWORD>(ERROR_INTERNET_NAME_NOT_RESOLVED), failure.m_dwError);
    EXPECT_EQ(std::wstring(L"Unknown error"), failure.m_strResponse);
    EXPECT_EQ(nullptr, failure.m_hInternet);
}

// A constructor that fails throws with a null handle and the step's own message.
TEST(CInternetHandle, FailingConstructorsThrowTheirMessage) {
    CInternetSession session(L"INetHttpClient", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    ASSERT_NE(nullptr, session.handle());
    try {
        CHttpConnection connection(nullptr, L"127.0.0.1", 8080, nullptr, nullptr, 0);
        FAIL() << "connecting without a session succeeded";
    } catch (const CInternetException& failure) {
        EXPECT_EQ(std::wstring(L"Failed to connect to server (127.0.0.1:8080)"),
                  failure.m_strMessage);
        EXPECT_EQ(nullptr, failure.m_hInternet);
    }
    try {
        CHttpFile request(session.handle(), L"GET", L"/x.xml", L"", nullptr, nullptr, 0);
        FAIL() << "opening a request on a session handle succeeded";
    } catch (const CInternetException& failure) {
        EXPECT_EQ(std::wstring(L"Failed to open http request (GET /x.xml)"), failure.m_strMessage);
        EXPECT_EQ(nullptr, failure.m_hInternet);
    }
}

} // namespace
} // namespace updater

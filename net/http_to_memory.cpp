#include "common/unique_handle.h"
#include "net/http_transfer.h"
#include "net/progress_reporter.h"
#include "net/transfer_common.h"
#include "net/url.h"

#include <cstdlib>
#include <cstring>

namespace updater {

bool HttpGetToMemory(const wchar_t* url, char** block, DWORD* length, IPostionChanged* sink) {
    if (block == nullptr || length == nullptr || url == nullptr || *url == L'\0') {
        return false;
    }
    const ProgressReporter report(sink);
    report.State(kTransferStarting);
    wchar_t host[kUrlPartCapacity] = {};
    wchar_t objectName[kUrlPartCapacity] = {};
    INTERNET_PORT port = INTERNET_DEFAULT_HTTP_PORT;
    if (!CrackHttpUrl(url, host, objectName, &port)) {
        report.State(kTransferFailed);
        return false;
    }
    return HttpRequestToMemory(host, objectName, block, length, port, L"GET", sink);
}

bool HttpRequestToMemory(const wchar_t* host, const wchar_t* objectName, char** block,
                         DWORD* length, DWORD port, const wchar_t* verb, IPostionChanged* sink) {
    const ProgressReporter report(sink);
    UniqueHeapBlock data;
    try {
        DWORD capacity = kTransferChunkSize;
        DWORD received = 0;
        report.State(kTransferOpening);
        CInternetSession session(kTransferUserAgent, kTransferAccessType, nullptr, nullptr, 0);
        CHttpConnection connection(session.handle(), host, static_cast<INTERNET_PORT>(port),
                                   nullptr, nullptr, 0);
        CHttpFile request(connection.handle(), verb, objectName, L"", nullptr, nullptr,
                          kTransferRequestFlags);
        report.State(kTransferConnected);
        request.SendRequest();
        const DWORD total = QueryProgressTotal(request);
        report.State(kTransferSent);

        data.reset(static_cast<char*>(std::calloc(capacity, 1)));
        if (!data) {
            throw CInternetException(request.handle(), L"内存分配失败");
        }
        char chunk[kTransferChunkSize];
        while (const DWORD n = ReadChunk(request, chunk, report, L"用户终止操作")) {
            // Always keep one zero byte after the data.
            if (received + n >= capacity) {
                const DWORD grown = capacity + kTransferChunkSize;
                char* bigger = static_cast<char*>(std::realloc(data.get(), grown));
                if (bigger == nullptr) {
                    throw CInternetException(request.handle(), L"内存分配失败");
                }
                data.release(); // realloc has already freed the old block
                data.reset(bigger);
                std::memset(bigger + capacity, 0, kTransferChunkSize);
                capacity = grown;
            }
            std::memcpy(data.get() + received, chunk, n);
            received += n;
            report.Position(received, total);
        }
        *block = data.release();
        *length = received;
        report.State(kTransferDone);
        return true;
    } catch (const CInternetException& failure) {
        data.reset();
        report.State(kTransferFailed, failure.m_strMessage.c_str());
        return false;
    }
}

} // namespace updater

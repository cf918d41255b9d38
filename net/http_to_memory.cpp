#include "common/unique_handle.h"
#include "net/http_get.h"
#include "net/http_transfer.h"
#include "net/transfer_common.h"

#include <cstdlib>
#include <cstring>

namespace updater {

bool HttpGetToMemory(const wchar_t* url, char** block, DWORD* length, IPostionChanged* sink,
                     DWORD maxLength, FetchOrigin* origin) {
    if (block == nullptr || length == nullptr || url == nullptr || *url == L'\0') {
        return false;
    }
    const ProgressReporter report(sink);
    report.State(kTransferStarting);
    UniqueHeapBlock data;
    try {
        RequestOptions options;
        options.fromServer = true;
        options.deadline = TransferDeadline::In(kFetchToMemoryDeadlineMs);
        CHttpGet get(url, report, options);
        CHttpFile& request = get.Request();
        const DWORD status = request.QueryStatusCode();
        const ULONGLONG total = QueryProgressTotal(request);
        DWORD capacity = kMinReadSize;
        DWORD received = 0;
        data.reset(static_cast<char*>(std::calloc(capacity, 1)));
        if (!data) {
            throw CInternetException(request.handle(), L"内存分配失败");
        }
        CChunkReader reader(request, report, L"用户终止操作", options.deadline);
        // One byte beyond maxLength is enough to tell the caller that the body is too long.
        while (received <= maxLength) {
            const DWORD n = reader.Next();
            if (n == 0) {
                break;
            }
            // Always keep one zero byte after the data; grow by half, so that a long body
            // costs few copies.
            if (received + n >= capacity) {
                const DWORD grown = capacity + (capacity / 2 > n ? capacity / 2 : n + 1);
                char* bigger = static_cast<char*>(std::realloc(data.get(), grown));
                if (bigger == nullptr) {
                    throw CInternetException(request.handle(), L"内存分配失败");
                }
                data.release();
                data.reset(bigger);
                std::memset(bigger + capacity, 0, grown - capacity);
                capacity = grown;
            }
            std::memcpy(data.get() + received, reader.Data(), n);
            received += n;
            report.Position(received, total);
        }
        if (received > maxLength) {
            received = maxLength + 1;
            data.get()[received] = '\0';
        }
        if (origin != nullptr) {
            origin->url = get.Address();
            origin->status = status;
        }
        *block = data.release();
        *length = received;
        report.State(kTransferDone);
        return true;
    } catch (const CInternetException& failure) {
        LogTransferFailure(L"fetch", failure);
        report.State(kTransferFailed, failure.m_strMessage.c_str());
        return false;
    }
}

} // namespace updater

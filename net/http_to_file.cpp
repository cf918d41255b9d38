#include "common/unique_handle.h"
#include "net/directory.h"
#include "net/http_get.h"
#include "net/http_transfer.h"
#include "net/progress_reporter.h"
#include "net/transfer_common.h"
#include "net/url.h"

#include <shlwapi.h>

namespace updater {
namespace {

// Answers of 400 and above carry an error page, never the file asked for.
constexpr DWORD kFirstErrorStatus = 400;

} // namespace

bool HttpGetToFile(const wchar_t* url, const wchar_t* localPath, IPostionChanged* sink) {
    const ProgressReporter report(sink);
    wchar_t host[kUrlPartCapacity] = {};
    wchar_t objectName[kUrlPartCapacity] = {};
    INTERNET_PORT port = INTERNET_DEFAULT_HTTP_PORT;
    report.State(kTransferStarting);
    if (!CrackHttpUrl(url, host, objectName, &port)) {
        report.State(kTransferFailed);
        return false;
    }

    UniqueFileHandle file;
    try {
        CHttpGet get(url, report);
        CHttpFile& request = get.Request();
        const DWORD status = request.QueryStatusCode();
        if (status >= kFirstErrorStatus) {
            throw CInternetException(request.handle(), L"HTTP status %u",
                                     static_cast<unsigned int>(status));
        }
        const DWORD total = QueryProgressTotal(request);
        DWORD announced = 0;
        const bool lengthAnnounced = request.QueryContentLength(announced);

        EnsureParentDirectory(localPath); // CreateFileW below reports what is missing
        // Shared for deletion: a cancelled download whose read blocks is abandoned, and its file
        // deleted while this handle is still open (it goes when the handle closes).
        file.reset(CreateFileW(localPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            throw CInternetException(nullptr, L"无法在本地创建保存文件！");
        }
        request.QueryDataAvailable();

        char chunk[kTransferChunkSize];
        DWORD received = 0;
        while (const DWORD n = ReadChunk(request, chunk, report, L"用户终止了下载操作！")) {
            DWORD written = 0;
            if (!WriteFile(file.get(), chunk, n, &written, nullptr) || written != n) {
                throw CInternetException(nullptr, L"Failed to write to local file (%u bytes)",
                                         static_cast<unsigned int>(n));
            }
            received += n;
            report.Position(received, total);
        }
        // WinInet ends the body quietly when the server drops the connection early; a file
        // shorter than announced is a broken download, not a finished one.
        if (lengthAnnounced && received < announced) {
            throw CInternetException(request.handle(), L"Connection closed after %u of %u bytes",
                                     static_cast<unsigned int>(received),
                                     static_cast<unsigned int>(announced));
        }
        file.reset();
        if (received == 0) {
            DeleteFileW(localPath);
            report.State(kTransferFailed);
        } else {
            report.State(kTransferDone);
        }
        return true;
    } catch (const CInternetException& failure) {
        file.reset();
        // Whatever stands at localPath goes, also a file from before this download.
        if (PathFileExistsW(localPath)) {
            DeleteFileW(localPath);
        }
        report.State(kTransferFailed, failure.m_strMessage.c_str());
        return false;
    }
}

} // namespace updater

#include "common/unique_handle.h"
#include "net/directory.h"
#include "net/http_get.h"
#include "net/http_transfer.h"
#include "net/progress_reporter.h"
#include "net/transfer_common.h"
#include "net/url.h"

#include <shlwapi.h>

#include <string>

namespace updater {

bool HttpGetToFile(const wchar_t* url, const wchar_t* localPath, IPostionChanged* sink) {
    const ProgressReporter report(sink);
    UrlParts parts;
    report.State(kTransferStarting);
    if (!CrackHttpUrl(url, parts)) {
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
        const ULONGLONG total = QueryProgressTotal(request);
        ULONGLONG announced = 0;
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
        ULONGLONG received = 0;
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
            throw CInternetException(request.handle(), L"Connection closed after %s of %s bytes",
                                     std::to_wstring(received).c_str(),
                                     std::to_wstring(announced).c_str());
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

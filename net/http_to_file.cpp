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
namespace {

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow &&
           a.nFileSizeHigh == b.nFileSizeHigh && a.nFileSizeLow == b.nFileSizeLow;
}

// Trades the writing handle for one that only reads and shares only reading: a program can
// still be started from the file, but nobody can change, replace or delete it. A handle that
// writes would keep the file from being started, so the two cannot overlap; nobody else could
// open the file while it was written, and the file reopened must be the one written, with the
// size written.
UniqueFileHandle HoldWrittenFile(UniqueFileHandle& written, const wchar_t* localPath) {
    BY_HANDLE_FILE_INFORMATION before{}, after{};
    if (!GetFileInformationByHandle(written.get(), &before)) {
        return UniqueFileHandle();
    }
    written.reset();
    UniqueFileHandle held(CreateFileW(localPath, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!held || !GetFileInformationByHandle(held.get(), &after) || !SameFile(before, after)) {
        return UniqueFileHandle();
    }
    return held;
}

} // namespace

bool HttpGetToFile(const wchar_t* url, const wchar_t* localPath, IPostionChanged* sink,
                   UniqueFileHandle* held) {
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

        CChunkReader reader(request, report, L"用户终止了下载操作！");
        ULONGLONG received = 0;
        while (const DWORD n = reader.Next()) {
            DWORD written = 0;
            if (!WriteFile(file.get(), reader.Data(), n, &written, nullptr) || written != n) {
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
        if (received == 0) {
            file.reset();
            DeleteFileW(localPath);
            report.State(kTransferFailed);
            return true;
        }
        if (held != nullptr) {
            *held = HoldWrittenFile(file, localPath);
            if (!*held) {
                throw CInternetException(nullptr, L"无法在本地创建保存文件！");
            }
        }
        file.reset();
        report.State(kTransferDone);
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

#include "common/unique_handle.h"
#include "net/directory.h"
#include "net/http_get.h"
#include "net/http_transfer.h"
#include "net/progress_reporter.h"
#include "net/transfer_common.h"
#include "net/resume.h"
#include "net/url.h"

#include <shlwapi.h>

#include <memory>
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

constexpr wchar_t kAbortMessage[] = L"用户终止了下载操作！";
// Reconnections after a break start, connect and send within this time, their pauses included,
// so that a server that stays away ends in the failure box within about a minute. A break
// after the download went on again has a window of its own.
constexpr DWORD kResumeWindowMs = 45000;
constexpr DWORD kPauseSliceMs = 50;

// One download's body into an open file, continued after the network broke it off where the
// server allows (see net/resume.h); a changed file starts over once.
class BodyDownload {
public:
    // Sends the request and checks its answer. Throws CInternetException.
    BodyDownload(const wchar_t* url, const ProgressReporter& report) : url_(url), report_(report) {
        get_ = std::make_unique<CHttpGet>(url_, report_);
        TakeWholeAnswer();
    }

    // Reads the body into `file`, which is empty; the number of bytes written. Throws
    // CInternetException when the download fails for good or is aborted.
    ULONGLONG ReadInto(HANDLE file) {
        file_ = file;
        get_->Request().QueryDataAvailable();
        int resumptions = 0;
        bool startedOver = false;
        TransferDeadline window;
        for (;;) {
            bool progressed = false;
            if (ReadBody(progressed)) {
                return received_;
            }
            if (progressed || !window.IsSet()) {
                window = TransferDeadline::In(kResumeWindowMs);
            }
            if (!offer_.Usable() || received_ == 0 || resumptions == kMaxResumptions ||
                window.Passed()) {
                throw CInternetException(nullptr, L"Connection broken after %s of %s bytes",
                                         std::to_wstring(received_).c_str(),
                                         std::to_wstring(announced_).c_str());
            }
            Pause(kFirstResumePauseMs << resumptions++);
            Resume(window, startedOver);
        }
    }

private:
    // A 200 answer: the whole body comes, and with it what it offers for resuming.
    void TakeWholeAnswer() {
        CHttpFile& request = get_->Request();
        const DWORD status = request.QueryStatusCode();
        if (status >= kFirstErrorStatus) {
            throw CInternetException(request.handle(), L"HTTP status %u",
                                     static_cast<unsigned int>(status));
        }
        total_ = QueryProgressTotal(request);
        lengthAnnounced_ = request.QueryContentLength(announced_);
        offer_ = lengthAnnounced_ ? ReadResumeOffer(request, announced_) : ResumeOffer();
    }

    // False when the connection broke off before the end of the body, or no answer came;
    // `progressed` tells whether any byte arrived. More bytes than announced fail the download:
    // the file would not be the one offered.
    bool ReadBody(bool& progressed) {
        if (!get_) {
            return false;
        }
        CChunkReader reader(get_->Request(), report_, kAbortMessage);
        for (;;) {
            DWORD n = 0;
            try {
                n = reader.Next();
            } catch (const CInternetException&) {
                if (reader.Aborted()) {
                    throw;
                }
                return false; // reset, or silent for a whole wait
            }
            if (n == 0) {
                // WinInet ends a body quietly when the server closes the connection early.
                return !lengthAnnounced_ || received_ >= announced_;
            }
            if (lengthAnnounced_ && n > announced_ - received_) {
                throw CInternetException(nullptr, L"More than the announced %s bytes",
                                         std::to_wstring(announced_).c_str());
            }
            DWORD written = 0;
            if (!WriteFile(file_, reader.Data(), n, &written, nullptr) || written != n) {
                throw CInternetException(nullptr, L"Failed to write to local file (%u bytes)",
                                         static_cast<unsigned int>(n));
            }
            received_ += n;
            progressed = true;
            report_.Position(received_, total_);
        }
    }

    // Waits before reconnecting, and stops at once on a cancel.
    void Pause(DWORD milliseconds) {
        for (DWORD waited = 0; waited < milliseconds; waited += kPauseSliceMs) {
            if (report_.Aborted()) {
                report_.State(kTransferAborted);
                throw CInternetException(nullptr, kAbortMessage);
            }
            Sleep(kPauseSliceMs);
        }
    }

    // Asks for the rest of the body. Only the rest of the same file is spliced on; a changed
    // file, or an answer that does not continue where the file stands, starts over from its
    // first byte, once. A failed reconnection leaves the download broken. The requests connect
    // and send within the window; their answers are read as any download's, so that a body
    // asked for late in the window is not held to what is left of it.
    void Resume(const TransferDeadline& window, bool& startedOver) {
        RequestOptions options;
        options.deadline = window;
        options.deadlineForSendingOnly = true;
        options.headers = ResumeHeaders(offer_, received_);
        get_.reset();
        try {
            get_ = std::make_unique<CHttpGet>(url_, report_, options);
        } catch (const CInternetException&) {
            return; // the server is still away: the next read finds the download broken
        }
        const DWORD status = get_->Request().QueryStatusCode();
        if (status == HTTP_STATUS_PARTIAL_CONTENT &&
            ContinuesAt(get_->Request(), offer_, received_)) {
            return;
        }
        if (startedOver) {
            throw CInternetException(get_->Request().handle(), L"The file changed again");
        }
        startedOver = true;
        if (status != HTTP_STATUS_OK) {
            RequestOptions whole;
            whole.deadline = window;
            whole.deadlineForSendingOnly = true;
            get_.reset();
            get_ = std::make_unique<CHttpGet>(url_, report_, whole);
        }
        TakeWholeAnswer();
        const LARGE_INTEGER start{};
        if (!SetFilePointerEx(file_, start, nullptr, FILE_BEGIN) || !SetEndOfFile(file_)) {
            throw CInternetException(nullptr, L"无法在本地创建保存文件！");
        }
        received_ = 0;
        report_.Position(0, total_);
    }

    const wchar_t* url_;
    const ProgressReporter& report_;
    std::unique_ptr<CHttpGet> get_;
    HANDLE file_ = INVALID_HANDLE_VALUE;
    ResumeOffer offer_;
    ULONGLONG total_ = 0;     // reported with every position
    ULONGLONG announced_ = 0; // the Content-Length of the whole body
    bool lengthAnnounced_ = false;
    ULONGLONG received_ = 0;
};

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
        BodyDownload download(url, report);
        EnsureParentDirectory(localPath); // CreateFileW below reports what is missing
        // Shared for deletion: a cancelled download whose read blocks is abandoned, and its file
        // deleted while this handle is still open (it goes when the handle closes).
        file.reset(CreateFileW(localPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            throw CInternetException(nullptr, L"无法在本地创建保存文件！");
        }
        const ULONGLONG received = download.ReadInto(file.get());
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

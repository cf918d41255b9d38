#include "common/unique_handle.h"
#include "log/run_log.h"
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

// Whether a validator may go into a request header as it stands: printable ASCII only, so
// that a kept one read back from disk can never add a header line of its own.
bool IsHeaderValue(const std::wstring& value) {
    for (const wchar_t c : value) {
        if (c < 0x20 || c > 0x7E) {
            return false;
        }
    }
    return !value.empty();
}

// The file at localPath opened for appending to the kept part that `options` name, when it
// holds exactly the part's bytes; otherwise nothing is opened and the download starts from zero.
UniqueFileHandle OpenKeptPart(const wchar_t* localPath, const FileDownloadOptions& options) {
    if (options.keptBytes == 0 || options.keptBytes >= options.kept.total ||
        !IsHeaderValue(options.kept.validator)) {
        return UniqueFileHandle();
    }
    UniqueFileHandle file(CreateFileW(localPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size) ||
        static_cast<ULONGLONG>(size.QuadPart) != options.keptBytes) {
        return UniqueFileHandle();
    }
    return file;
}

// One download's body into an open file: the whole body, or the rest of a part kept by an
// earlier download; continued after the network broke it off where the server allows (see
// net/resume.h); a changed file starts over once.
class BodyDownload {
public:
    BodyDownload(const wchar_t* url, const ProgressReporter& report,
                 const std::function<void(const ResumeOffer&)>& onOffer)
        : url_(url), report_(report), onOffer_(onOffer) {}

    // Sends the request and checks its answer: for the whole body, or for the rest of the kept
    // part of `keptBytes` bytes in `keptFile`. What does not continue the kept part exactly
    // empties the file and starts from zero. Throws CInternetException.
    void Send(HANDLE keptFile, ULONGLONG keptBytes, const ResumeOffer& kept) {
        if (keptFile == INVALID_HANDLE_VALUE) {
            get_ = std::make_unique<CHttpGet>(url_, report_);
            TakeWholeAnswer();
            return;
        }
        // The part stays what it is until an answer says otherwise: a server that cannot be
        // reached leaves it to be continued another time.
        file_ = keptFile;
        offer_ = kept;
        received_ = keptBytes;
        RequestOptions options;
        options.headers = ResumeHeaders(offer_, received_);
        get_ = std::make_unique<CHttpGet>(url_, report_, options);
        const DWORD status = get_->Request().QueryStatusCode();
        if (status == HTTP_STATUS_PARTIAL_CONTENT &&
            ContinuesAt(get_->Request(), offer_, received_)) {
            total_ = announced_ = offer_.total;
            lengthAnnounced_ = true;
            report_.Position(received_, total_);
            return;
        }
        // Emptied before the new answer's offer is told, so that the bytes of the file that
        // offer names are never mistaken for those of the old one.
        received_ = 0;
        PlaceFileAt(0);
        if (status != HTTP_STATUS_OK) {
            get_.reset();
            get_ = std::make_unique<CHttpGet>(url_, report_);
        }
        TakeWholeAnswer();
    }

    // Reads the body into `file`, appending to what the answer continues and emptying it
    // otherwise; the number of bytes it holds at the end. Throws CInternetException when the
    // download fails for good or is aborted.
    ULONGLONG ReadInto(HANDLE file) {
        file_ = file;
        PlaceFileAt(received_);
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
            LogLine(L"connection broken after " + std::to_wstring(received_) + L" of " +
                    std::to_wstring(announced_) + L" bytes: resuming (" +
                    std::to_wstring(resumptions + 1) + L" of " + std::to_wstring(kMaxResumptions) +
                    L")");
            Pause(kFirstResumePauseMs << resumptions++);
            Resume(window, startedOver);
        }
    }

    // Whether what the file holds could be continued by a later download: some bytes, but not
    // all, of a file whose server offered it, and no cancel.
    bool PartContinuable() const {
        return received_ > 0 && received_ < offer_.total && offer_.Usable() && !aborted_;
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
        if (onOffer_) {
            onOffer_(offer_);
        }
    }

    // Cuts the file to `size` bytes and goes to its end.
    void PlaceFileAt(ULONGLONG size) {
        LARGE_INTEGER at{};
        at.QuadPart = static_cast<LONGLONG>(size);
        if (!SetFilePointerEx(file_, at, nullptr, FILE_BEGIN) || !SetEndOfFile(file_)) {
            throw CInternetException(nullptr, L"无法在本地创建保存文件！");
        }
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
                    aborted_ = true;
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
                aborted_ = true;
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
        LogLine(L"the answer does not continue the same file: starting over from its first byte");
        startedOver = true;
        received_ = 0;
        PlaceFileAt(0);
        if (status != HTTP_STATUS_OK) {
            RequestOptions whole;
            whole.deadline = window;
            whole.deadlineForSendingOnly = true;
            get_.reset();
            get_ = std::make_unique<CHttpGet>(url_, report_, whole);
        }
        TakeWholeAnswer();
        report_.Position(0, total_);
    }

    const wchar_t* url_;
    const ProgressReporter& report_;
    const std::function<void(const ResumeOffer&)>& onOffer_;
    std::unique_ptr<CHttpGet> get_;
    HANDLE file_ = INVALID_HANDLE_VALUE;
    ResumeOffer offer_;
    ULONGLONG total_ = 0;     // reported with every position
    ULONGLONG announced_ = 0; // the Content-Length of the whole body
    bool lengthAnnounced_ = false;
    ULONGLONG received_ = 0; // the bytes in the file
    bool aborted_ = false;   // the sink asked to stop
};

} // namespace

bool HttpGetToFile(const wchar_t* url, const wchar_t* localPath, IPostionChanged* sink,
                   const FileDownloadOptions& options) {
    const ProgressReporter report(sink);
    UrlParts parts;
    report.State(kTransferStarting);
    if (!CrackHttpUrl(url, parts)) {
        report.State(kTransferFailed);
        return false;
    }

    UniqueFileHandle file = OpenKeptPart(localPath, options);
    BodyDownload download(url, report, options.onOffer);
    try {
        download.Send(file.get(), options.keptBytes, options.kept);
        if (!file) {
            EnsureParentDirectory(localPath); // CreateFileW below reports what is missing
            // Shared for deletion: a cancelled download whose read blocks is abandoned, and its
            // file deleted while this handle is still open (it goes when the handle closes).
            file.reset(CreateFileW(localPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE,
                                   nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        }
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
        if (options.held != nullptr) {
            *options.held = HoldWrittenFile(file, localPath);
            if (!*options.held) {
                throw CInternetException(nullptr, L"无法在本地创建保存文件！");
            }
        }
        file.reset();
        report.State(kTransferDone);
        return true;
    } catch (const CInternetException& failure) {
        file.reset();
        // Whatever stands at localPath goes, also a file from before this download, unless it
        // is a part to be continued another time.
        const bool keep = options.keepPartOnFailure && download.PartContinuable();
        if (!keep && PathFileExistsW(localPath)) {
            DeleteFileW(localPath);
        }
        LogTransferFailure(keep ? L"download (its part kept for a later run)" : L"download",
                           failure);
        report.State(kTransferFailed, failure.m_strMessage.c_str());
        return false;
    }
}

bool HttpGetToFile(const wchar_t* url, const wchar_t* localPath, IPostionChanged* sink,
                   UniqueFileHandle* held) {
    FileDownloadOptions options;
    options.held = held;
    return HttpGetToFile(url, localPath, sink, options);
}

} // namespace updater

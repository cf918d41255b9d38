#include "download/setup_download.h"

#include "download/earlier_downloads.h"
#include "download/save_path.h"
#include "log/run_log.h"
#include "net/http_transfer.h"
#include "update/utc_time.h"

#include <shlwapi.h>

namespace updater {
namespace {

std::wstring FileName(const std::wstring& path) {
    return path.substr(path.find_last_of(L'\\') + 1);
}

// The size of the plain file at `path`; 0 when there is none.
ULONGLONG PlainFileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        return 0;
    }
    return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

} // namespace

bool SetupDownload::Prepare(const std::wstring& url, const SetupRequirements& requirements) {
    DownloadPlace place;
    return GetDownloadPlace(place) && Prepare(place, url, requirements);
}

bool SetupDownload::Prepare(const DownloadPlace& place, const std::wstring& url,
                            const SetupRequirements& requirements) {
    // A setup program saved under the state file's own name could not be kept beside it.
    keepable_ = requirements.sha256.has_value() && !place.application.empty() &&
                _wcsicmp(SetupFileName(url).c_str(), kKeptStateName) != 0;
    state_ = KeptState();
    state_.application = place.application;
    state_.url = url;
    state_.sha256 = requirements.sha256 ? Sha256Hex(*requirements.sha256) : std::wstring();
    const ULONGLONG now = CurrentUtcTicks();
    bool takenOver = false;
    for (const KeptDownload& kept : FindKeptDownloads(place)) {
        if (!takenOver && keepable_ && kept.state.url == url &&
            kept.state.sha256 == state_.sha256 && IsKeptStateFresh(kept.state.began, now) &&
            TakeOver(kept, url)) {
            takenOver = true;
            continue;
        }
        RemoveDownloadFolder(kept.folder);
    }
    if (!takenOver) {
        if (!folder_.Create(place.temporaryDirectory)) {
            return false;
        }
        savePath_ = BuildSavePath(folder_.Path(), url);
    }
    LogLine(L"downloading to " + savePath_ +
            (takenOver ? L", continuing the " + std::to_wstring(keptBytes_) +
                             L" bytes kept by an earlier run"
                       : L""));
    return true;
}

bool SetupDownload::TakeOver(const KeptDownload& kept, const std::wstring& url) {
    if (!folder_.Adopt(kept.folder)) {
        return false;
    }
    savePath_ = BuildSavePath(folder_.Path(), url);
    // Nothing but the state and the part: a file that the updater did not put there would be
    // started beside the setup program.
    std::vector<std::wstring> names;
    bool onlyOurs = folder_.ListFiles(names);
    for (const std::wstring& name : names) {
        onlyOurs = onlyOurs && (_wcsicmp(name.c_str(), kKeptStateName) == 0 ||
                                _wcsicmp(name.c_str(), FileName(savePath_).c_str()) == 0);
    }
    const ULONGLONG size = PlainFileSize(savePath_);
    if (!onlyOurs || size == 0 || size >= kept.state.total) {
        folder_ = DownloadFolder(); // lets go of it, to be removed
        savePath_.clear();
        return false;
    }
    state_ = kept.state;
    keptBytes_ = size;
    stateWritten_ = true;
    return true;
}

bool SetupDownload::Fetch(const std::wstring& url, const SetupRequirements& requirements,
                          IPostionChanged& sink) {
    FileDownloadOptions options;
    // Held from before its checks until it has been started: what is checked is what starts.
    options.held = &held_;
    options.keptBytes = keptBytes_;
    options.kept.total = state_.total;
    options.kept.validator = state_.validator;
    options.keepPartOnFailure = keepable_;
    if (keepable_) {
        options.onOffer = [this](const ResumeOffer& offer) { KeepOffer(offer); };
    }
    if (!HttpGetToFile(url.c_str(), savePath_.c_str(), &sink, options)) {
        partKept_ = stateWritten_ && PathFileExistsW(savePath_.c_str());
        if (!partKept_) {
            DeleteState();
        }
        return false;
    }
    DeleteState(); // the whole file is there: nothing is left to continue
    // What fails its checksum or the vendor's signature is never started, nor left behind.
    const std::wstring refused =
        held_ ? CheckOpenSetupFile(requirements, held_.get(), [&sink] { return sink.IsAborted(); })
              : std::wstring();
    if (!refused.empty()) {
        LogLine(L"setup program refused: " + refused);
        Drop();
        return false;
    }
    LogLine(held_ ? L"setup program downloaded and checked" : L"the answer brought no data");
    return true;
}

void SetupDownload::KeepOffer(const ResumeOffer& offer) {
    DeleteState();
    if (abandoned_.load() || !offer.Usable()) {
        return;
    }
    state_.validator = offer.validator;
    state_.total = offer.total;
    state_.began = CurrentUtcTicks();
    stateWritten_ = WriteKeptState(folder_.Path(), state_);
}

void SetupDownload::DeleteState() {
    stateWritten_ = false;
    partKept_ = false;
    DeleteStateFile();
}

void SetupDownload::DeleteStateFile() const {
    if (!folder_.Path().empty()) {
        DeleteFileW((folder_.Path() + L"\\" + kKeptStateName).c_str());
    }
}

void SetupDownload::Drop() {
    held_.reset();
    DeleteFileW(savePath_.c_str());
    DeleteState();
}

void SetupDownload::Release() {
    held_.reset();
    folder_.Release();
}

void SetupDownload::Discard() {
    if (partKept_) {
        Release();
        return;
    }
    held_.reset();
    DeleteState();
    folder_.Discard(savePath_);
}

bool SetupDownload::DiscardAbandoned() {
    abandoned_ = true;
    if (!DeleteFileW(savePath_.c_str()) && PathFileExistsW(savePath_.c_str())) {
        return false;
    }
    DeleteStateFile(); // the flags belong to the fetching thread
    folder_.Discard(L"");
    return true;
}

} // namespace updater

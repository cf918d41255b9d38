#include "download/setup_download.h"

#include "download/save_path.h"
#include "log/run_log.h"
#include "net/http_transfer.h"

#include <shlwapi.h>

namespace updater {

bool SetupDownload::Prepare(const std::wstring& url) {
    std::wstring temporaryDirectory;
    if (!GetTemporaryDirectory(temporaryDirectory) || !folder_.Create(temporaryDirectory)) {
        return false;
    }
    savePath_ = BuildSavePath(folder_.Path(), url);
    LogLine(L"downloading to " + savePath_);
    return true;
}

bool SetupDownload::Fetch(const std::wstring& url, const SetupRequirements& requirements,
                          IPostionChanged& sink) {
    // Held from before its checks until it has been started: what is checked is what starts.
    if (!HttpGetToFile(url.c_str(), savePath_.c_str(), &sink, &held_)) {
        return false;
    }
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

void SetupDownload::Drop() {
    held_.reset();
    DeleteFileW(savePath_.c_str());
}

void SetupDownload::Release() {
    held_.reset();
    folder_.Release();
}

void SetupDownload::Discard() {
    held_.reset();
    folder_.Discard(savePath_);
}

bool SetupDownload::DiscardAbandoned() {
    if (!DeleteFileW(savePath_.c_str()) && PathFileExistsW(savePath_.c_str())) {
        return false;
    }
    folder_.Discard(L"");
    return true;
}

} // namespace updater

#include "download_modes.h"
#include "file_size.h"

#include "net/http_transfer.h"

namespace bench {
namespace {

class CountingSink : public updater::IPostionChanged {
public:
    void OnPositionChanged(ULONGLONG, ULONGLONG) override { ++reports; }
    long long reports = 0;
};

} // namespace

long long CountingDownload(const wchar_t* url, const wchar_t* localPath, long long* reports) {
    CountingSink sink;
    const bool ok = updater::HttpGetToFile(url, localPath, &sink);
    *reports = sink.reports;
    return ok ? FileSize(localPath) : -1;
}

long long ProgramDownload(const wchar_t* url, const wchar_t* localPath) {
    return updater::HttpGetToFile(url, localPath, nullptr) ? FileSize(localPath) : -1;
}

} // namespace bench

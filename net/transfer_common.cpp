#include "net/transfer_common.h"

namespace updater {

DWORD QueryProgressTotal(CHttpFile& request) {
    DWORD available = 0;
    try {
        available = request.QueryDataAvailable();
    } catch (const CInternetException&) {
        // Only a hint for the progress display; the reads that follow report real failures.
    }
    DWORD contentLength = 0;
    return request.QueryContentLength(contentLength) ? contentLength : available;
}

} // namespace updater

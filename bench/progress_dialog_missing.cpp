// Stands in for progress_dialog_download.cpp while the progress dialog is not in the tree.
#include "download_modes.h"

namespace bench {

bool ProgressDialogAvailable() {
    return false;
}

long long ProgressDialogDownload(const wchar_t*, const wchar_t*, DialogVariant, double* seconds) {
    *seconds = 0;
    return -1;
}

} // namespace bench

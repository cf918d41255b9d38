// bench_download <mode> <url> <file>
// Downloads url into the file once and prints one line: the mode, the body bytes, the seconds
// the transfer took, the process's peak memory, the sink's progress reports (-1 without one)
// and, with the dialog, the longest time between two of its position updates and the seconds
// spent inside its OnPositionChanged (-1 otherwise).
// Exit code 0 on success, 1 otherwise.
//
// Modes: dialog (HttpGetToFile with the program's progress dialog as sink), program
// (HttpGetToFile without sink), counting (with a sink that counts its progress reports), wininet
// (plain WinInet loop with the program's request flags and its largest read), wininet-8k (the
// earlier reference: 8 KiB reads, the URL cache written), winsock (plain socket loop).

#include "download_modes.h"
#include "plain_transfers.h"
#include "process_memory.h"
#include "stopwatch.h"

#include "net/transfer_common.h"

#include <wininet.h>

#include <cstdio>
#include <cwchar>

namespace {

// The request flags of the program before it stopped writing WinInet's URL cache.
constexpr DWORD kCachingRequestFlags = INTERNET_FLAG_KEEP_CONNECTION;

struct Outcome {
    long long bytes = -1;
    double seconds = 0;
    long long reports = -1; // position reports the counting sink or the dialog heard
    double longestGap = -1; // the dialog's longest time between two position updates
    double inDialog = -1;   // seconds inside the dialog's OnPositionChanged
};

// False for an unknown mode.
bool RunMode(const wchar_t* mode, const wchar_t* url, const wchar_t* path, Outcome& outcome) {
    if (wcscmp(mode, L"dialog") == 0) {
        bench::ProgressUpdates updates;
        // Times the transfer alone, not the dialog's creation.
        outcome.bytes = bench::ProgressDialogDownload(url, path, &outcome.seconds, &updates);
        outcome.reports = updates.count;
        outcome.longestGap = updates.longestGap;
        outcome.inDialog = updates.inDialog;
        return true;
    }
    const bench::Stopwatch watch;
    if (wcscmp(mode, L"program") == 0) {
        outcome.bytes = bench::ProgramDownload(url, path);
    } else if (wcscmp(mode, L"counting") == 0) {
        outcome.bytes = bench::CountingDownload(url, path, &outcome.reports);
    } else if (wcscmp(mode, L"wininet") == 0) {
        outcome.bytes = bench::PlainWinInetDownload(url, path, updater::kTransferRequestFlags,
                                                    bench::kReadSize);
    } else if (wcscmp(mode, L"wininet-8k") == 0) {
        outcome.bytes =
            bench::PlainWinInetDownload(url, path, kCachingRequestFlags, bench::kSmallReadSize);
    } else if (wcscmp(mode, L"winsock") == 0) {
        outcome.bytes = bench::PlainWinsockDownload(url, path, bench::kReadSize);
    } else {
        return false;
    }
    outcome.seconds = watch.Seconds();
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_download <mode> <url> <local path>\n");
        return 2;
    }
    Outcome outcome;
    if (!RunMode(argv[1], argv[2], argv[3], outcome)) {
        std::fprintf(stderr, "bench_download: unknown mode %ls\n", argv[1]);
        return 2;
    }
    const bench::PeakMemory peak = bench::QueryPeakMemory();
    std::printf("mode=%ls bytes=%lld seconds=%.6f peak_working_set=%zu peak_private=%zu "
                "reports=%lld longest_gap=%.6f in_dialog=%.6f\n",
                argv[1], outcome.bytes, outcome.seconds, peak.workingSet, peak.privateBytes,
                outcome.reports, outcome.longestGap, outcome.inDialog);
    return outcome.bytes >= 0 ? 0 : 1;
}

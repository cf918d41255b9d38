// bench_download <mode> <url> <local path>
// Downloads url into the file once and prints one line: the mode, the body bytes, the seconds
// the transfer took and the process's peak memory. Exit code 0 on success, 1 otherwise.
//
// Modes: dialog (HttpGetToFile with the program's progress dialog as sink), program
// (HttpGetToFile without sink), counting (with a sink that counts its progress reports), wininet
// (plain WinInet loop with the program's request flags), wininet-nocache (the same without writing
// the URL cache), winsock (plain socket loop).

#include "download_modes.h"
#include "plain_transfers.h"
#include "process_memory.h"
#include "stopwatch.h"

#include <wininet.h>

#include <cstdio>
#include <cwchar>

namespace {

// The program's own request flags (net/transfer_common.h).
constexpr DWORD kProgramRequestFlags = INTERNET_FLAG_KEEP_CONNECTION;

long long RunMode(const wchar_t* mode, const wchar_t* url, const wchar_t* path, double* seconds,
                  long long* reports, bool* known) {
    *known = true;
    if (wcscmp(mode, L"dialog") == 0) {
        return bench::ProgressDialogDownload(url, path, seconds); // times the transfer alone
    }
    const bench::Stopwatch watch;
    long long bytes = -1;
    if (wcscmp(mode, L"program") == 0) {
        bytes = bench::ProgramDownload(url, path);
    } else if (wcscmp(mode, L"counting") == 0) {
        bytes = bench::CountingDownload(url, path, reports);
    } else if (wcscmp(mode, L"wininet") == 0) {
        bytes = bench::PlainWinInetDownload(url, path, kProgramRequestFlags);
    } else if (wcscmp(mode, L"wininet-nocache") == 0) {
        bytes = bench::PlainWinInetDownload(url, path,
                                            kProgramRequestFlags | INTERNET_FLAG_NO_CACHE_WRITE);
    } else if (wcscmp(mode, L"winsock") == 0) {
        bytes = bench::PlainWinsockDownload(url, path);
    } else {
        *known = false;
    }
    *seconds = watch.Seconds();
    return bytes;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_download <mode> <url> <local path>\n");
        return 2;
    }
    double seconds = 0;
    long long reports = -1;
    bool known = false;
    const long long bytes = RunMode(argv[1], argv[2], argv[3], &seconds, &reports, &known);
    if (!known) {
        std::fprintf(stderr, "bench_download: unknown mode %ls\n", argv[1]);
        return 2;
    }
    const bench::PeakMemory peak = bench::QueryPeakMemory();
    std::printf("mode=%ls bytes=%lld seconds=%.6f peak_working_set=%zu peak_private=%zu "
                "reports=%lld\n",
                argv[1], bytes, seconds, peak.workingSet, peak.privateBytes, reports);
    return bytes >= 0 ? 0 : 1;
}

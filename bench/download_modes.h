#pragma once
// The downloads that bench_download can time. Each returns the body bytes written, or -1.

#include <windows.h>

namespace bench {

// The program's HttpGetToFile without a sink.
long long ProgramDownload(const wchar_t* url, const wchar_t* localPath);

// HttpGetToFile with a sink that only counts its progress reports into *reports.
long long CountingDownload(const wchar_t* url, const wchar_t* localPath, long long* reports);

// How often the progress dialog heard of the download's position.
struct ProgressUpdates {
    long long count = 0;    // OnPositionChanged calls
    double longestGap = -1; // longest time between two consecutive calls, seconds; -1 below two
    double inDialog = 0;    // seconds spent inside the dialog's OnPositionChanged, all calls
};

// The program's HttpGetToFile on a worker thread with the program's progress dialog as its
// sink, while this (main) thread shows the dialog and pumps its messages, as during an upgrade.
// Sets *seconds to the time HttpGetToFile took and *updates to the dialog's position updates.
long long ProgressDialogDownload(const wchar_t* url, const wchar_t* localPath, double* seconds,
                                 ProgressUpdates* updates);

} // namespace bench

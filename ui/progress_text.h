#pragma once
// The line under the download's progress bar: how much has arrived, of how much, how fast and
// how long is left, in the dialog's Chinese.

#include <cstdint>
#include <string>

namespace updater {

// A size in binary units, as Windows Explorer counts them (1 KB = 1024 B, 1 MB = 1024 KB,
// 1 GB = 1024 MB): whole bytes below 1 KB ("512 B"), else one decimal rounded half up
// ("12.3 MB"), in the largest unit that leaves at least 1.0; GB is the largest.
std::wstring FormatByteSize(std::uint64_t bytes);

// "已下载 12.3 MB / 45.0 MB，2.1 MB/s，剩余约 16 秒". A total of 0 (unknown) leaves out
// " / total" and the time left; a speed of 0 (not yet known) leaves out speed and time left;
// so does a download that has everything. The time left is rounded up, so it never reads less
// than remains: "N 秒" below a minute, "N 分 M 秒" below ten minutes, "N 分钟" below an hour,
// then "H 小时 M 分钟" in whole minutes (a zero part left out).
std::wstring DownloadProgressText(std::uint64_t received, std::uint64_t total,
                                  std::uint64_t bytesPerSecond);

} // namespace updater

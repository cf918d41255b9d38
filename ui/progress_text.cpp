#include "ui/progress_text.h"

#include <iterator>

namespace updater {
namespace {

constexpr std::uint64_t kUnitFactor = 1024;
constexpr const wchar_t* kUnits[] = {L"KB", L"MB", L"GB"};
constexpr std::uint64_t kSecondsPerMinute = 60;
constexpr std::uint64_t kMinutesPerHour = 60;
// Below this the seconds still matter; above it whole minutes read calmer.
constexpr std::uint64_t kSecondsShownBelow = 10 * kSecondsPerMinute;

// bytes / unit in tenths, rounded half up; no intermediate overflows for any 64-bit size.
std::uint64_t Tenths(std::uint64_t bytes, std::uint64_t unit) {
    return bytes / unit * 10 + ((bytes % unit) * 10 + unit / 2) / unit;
}

std::uint64_t DivideRoundingUp(std::uint64_t dividend, std::uint64_t divisor) {
    return dividend / divisor + (dividend % divisor != 0 ? 1 : 0);
}

std::wstring FormatTimeLeft(std::uint64_t seconds) {
    if (seconds < kSecondsPerMinute) {
        return std::to_wstring(seconds) + L" 秒";
    }
    if (seconds < kSecondsShownBelow && seconds % kSecondsPerMinute != 0) {
        return std::to_wstring(seconds / kSecondsPerMinute) + L" 分 " +
               std::to_wstring(seconds % kSecondsPerMinute) + L" 秒";
    }
    const std::uint64_t minutes = DivideRoundingUp(seconds, kSecondsPerMinute);
    if (minutes < kMinutesPerHour) {
        return std::to_wstring(minutes) + L" 分钟";
    }
    std::wstring text = std::to_wstring(minutes / kMinutesPerHour) + L" 小时";
    if (minutes % kMinutesPerHour != 0) {
        text += L" " + std::to_wstring(minutes % kMinutesPerHour) + L" 分钟";
    }
    return text;
}

} // namespace

std::wstring FormatByteSize(std::uint64_t bytes) {
    if (bytes < kUnitFactor) {
        return std::to_wstring(bytes) + L" B";
    }
    std::size_t index = 0;
    std::uint64_t unit = kUnitFactor;
    while (index + 1 < std::size(kUnits) && bytes / unit >= kUnitFactor) {
        ++index;
        unit *= kUnitFactor;
    }
    std::uint64_t tenths = Tenths(bytes, unit);
    // 1023.96 KB rounds to 1024.0 KB, which reads better as 1.0 MB.
    if (tenths >= kUnitFactor * 10 && index + 1 < std::size(kUnits)) {
        ++index;
        unit *= kUnitFactor;
        tenths = Tenths(bytes, unit);
    }
    return std::to_wstring(tenths / 10) + L"." + std::to_wstring(tenths % 10) + L" " +
           kUnits[index];
}

std::wstring DownloadProgressText(std::uint64_t received, std::uint64_t total,
                                  std::uint64_t bytesPerSecond) {
    std::wstring text = L"已下载 " + FormatByteSize(received);
    if (total != 0) {
        text += L" / " + FormatByteSize(total);
    }
    if (bytesPerSecond == 0) {
        return text;
    }
    text += L"，" + FormatByteSize(bytesPerSecond) + L"/s";
    if (total > received) {
        text += L"，剩余约 " + FormatTimeLeft(DivideRoundingUp(total - received, bytesPerSecond));
    }
    return text;
}

} // namespace updater

#include "ui/transfer_rate.h"

#include <algorithm>

namespace updater {
namespace {

constexpr std::uint64_t kWindowMs = 5000;
constexpr std::uint64_t kSampleSpacingMs = 250;
constexpr std::uint64_t kMinimumSpanMs = 1000; // a shorter look reads the first bursts as speed
constexpr std::uint64_t kMsPerSecond = 1000;

} // namespace

void TransferRate::Add(std::uint64_t tickMs, std::uint64_t position) {
    if (count_ > 0 && (position < latest_.position || tickMs < latest_.tickMs)) {
        count_ = 0;
    }
    latest_ = {tickMs, position};
    if (count_ == 0 || tickMs - samples_[count_ - 1].tickMs >= kSampleSpacingMs) {
        if (count_ == samples_.size()) {
            DropOldest();
        }
        samples_[count_++] = latest_;
    }
    // The oldest sample kept is the last one at least a window old.
    while (count_ > 1 && tickMs - samples_[1].tickMs >= kWindowMs) {
        DropOldest();
    }
}

std::uint64_t TransferRate::BytesPerSecond() const {
    if (count_ == 0 || latest_.tickMs - samples_[0].tickMs < kMinimumSpanMs) {
        return 0;
    }
    return (latest_.position - samples_[0].position) * kMsPerSecond /
           (latest_.tickMs - samples_[0].tickMs);
}

void TransferRate::DropOldest() {
    std::copy(samples_.begin() + 1, samples_.begin() + count_, samples_.begin());
    --count_;
}

} // namespace updater

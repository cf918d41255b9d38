#pragma once
// A download's speed, steady enough to read: the bytes received over the last few seconds,
// not over the last read, which under wine and on real networks come in uneven bursts.

#include <array>
#include <cstddef>
#include <cstdint>

namespace updater {

class TransferRate {
public:
    // The position (bytes received) reached at `tickMs`, a millisecond clock such as
    // GetTickCount64. A position or tick below the last one means that the download started
    // over: what came before no longer counts.
    void Add(std::uint64_t tickMs, std::uint64_t position);

    // Bytes per second over about the last five seconds; 0 until a second has been seen.
    std::uint64_t BytesPerSecond() const;

private:
    struct Sample {
        std::uint64_t tickMs;
        std::uint64_t position;
    };
    void DropOldest();

    // Oldest first, kept a quarter of a second apart at least: a window holds about twenty.
    std::array<Sample, 24> samples_{};
    std::size_t count_ = 0;
    Sample latest_{0, 0};
};

} // namespace updater

#pragma once
// The calling process's peak memory use, as the platform's process counters report it.

#include <cstddef>

namespace bench {

struct PeakMemory {
    size_t workingSet = 0;   // peak working set
    size_t privateBytes = 0; // peak private bytes (peak commit charge)
};

PeakMemory QueryPeakMemory();

} // namespace bench

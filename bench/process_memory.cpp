#include "process_memory.h"

#include <windows.h>
#include <psapi.h>

namespace bench {

PeakMemory QueryPeakMemory() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    PeakMemory peak;
    if (GetProcessMemoryInfo(GetCurrentProcess(),
                             reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                             sizeof(counters))) {
        peak.workingSet = counters.PeakWorkingSetSize;
        // The commit charge is what Task Manager calls private bytes; its peak is kept as
        // the peak page-file usage.
        peak.privateBytes = counters.PeakPagefileUsage;
    }
    return peak;
}

} // namespace bench

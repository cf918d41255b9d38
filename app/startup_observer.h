#pragma once
// Who hears about the steps of the updater's start-up: nobody in updater.exe, a timer in the
// benchmark that reports what each step costs.

namespace updater {

// Told the name of each start-up step (a string literal) as the step ends; null for nobody.
using StartupObserver = void (*)(const char* step);

inline void ReportStep(StartupObserver observer, const char* step) {
    if (observer != nullptr) {
        observer(step);
    }
}

} // namespace updater

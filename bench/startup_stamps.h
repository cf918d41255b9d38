#pragma once
// Timestamps of a program's start-up, counted from the moment bench_time_to_window called
// CreateProcessW (it puts its performance-counter reading into BENCH_LAUNCH_QPC; the counter is
// the same in every process). Stamps are kept in memory, so that taking one costs next to
// nothing, and written as "stamp=<ms> <what>" lines to the file named by BENCH_STAMPS when
// the program ends. Without both variables nothing is recorded.

namespace bench {

// Records `what` (a string literal) with the time since the launch.
void Stamp(const char* what);

// Appends the stamps to the BENCH_STAMPS file.
void WriteStamps();

} // namespace bench

#pragma once
// Moments in UTC as descriptors write them, "YYYY-MM-DDTHH:MM:SSZ", and as the platform counts
// them: FILETIME ticks of 100 ns since 1601-01-01.

#include <windows.h>

#include <string>

namespace updater {

constexpr ULONGLONG kTicksPerSecond = 10000000;

// Exactly that form: four-digit year from 1601, a real date, hours 00-23, minutes and seconds
// 00-59, "T" and "Z" in capitals, nothing around it. False otherwise, leaving `ticks` as it was.
bool ParseUtcTime(const std::wstring& text, ULONGLONG& ticks);
// The same form for a moment from 1601 to 9999; empty for one outside.
std::wstring FormatUtcTime(ULONGLONG ticks);
ULONGLONG CurrentUtcTicks();

} // namespace updater

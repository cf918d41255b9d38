#pragma once
// For tests that create windows on their own thread: serving that thread's messages while
// waiting. Programs that link gui_environment.cpp are
// set up as start-up sets up the updater (COM, common controls, rich-edit, module object).

#include <windows.h>

#include <functional>

namespace testing_support {

// Dispatches this thread's messages until `condition` holds; false when it still does not
// after `boundMs` (a generous bound: a condition that takes that long has failed).
bool PumpUntil(const std::function<bool()>& condition, DWORD boundMs = 30000);

} // namespace testing_support

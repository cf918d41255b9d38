#pragma once
// The run's story for support: what the updater did, what it met and why it ended as it did,
// one line per event, appended to a log file of the installed application's own in the user's
// local application data folder ("Updater\logs\<folder name>-<8 hex digits>.log", the digits
// told by the application's folder, so two applications on one machine never mix). The file
// never grows beyond kMaxLogBytes: the oldest lines go first. Writing never changes an outcome:
// a log that cannot be written is skipped without a word. Safe on any thread.

#include <string>

namespace updater {

constexpr unsigned long kMaxLogBytes = 1024 * 1024;

// The log file of the application installed in `applicationFolder` (the updater's own folder),
// empty when the local application data folder is unknown.
std::wstring RunLogPath(const std::wstring& applicationFolder);

// From now on lines go to the log at `path` (empty: nothing is logged).
void StartRunLog(const std::wstring& path);

// Appends one line (line breaks inside become spaces), with the time and the process id.
void LogLine(const std::wstring& text);

// An address as the log may show it: scheme, host, port and path, without user name and
// password, and with "?…" or "#…" for a query or fragment, which may hold a signed address's
// secrets.
std::wstring LoggableUrl(const std::wstring& url);

} // namespace updater

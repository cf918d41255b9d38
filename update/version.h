#pragma once
// Dotted version texts ("1.0.2.15") compared part by part as numbers.

#include <string>

namespace updater {

// Returns the next "."-separated token of `text` starting at `position` and advances
// `position` past it and its separator; `position` becomes -1 once the text is used up.
// Runs of separators count as one. Throws std::invalid_argument for a negative position.
std::wstring NextToken(const std::wstring& text, int& position);

// 1 when `remote` is newer than `local`, -1 when older, 0 when equal in the first four parts.
// Each part is an optional sign and the decimal digits up to the first other character, read
// as a number of any size (a build number may pass 2^31); missing parts are 0 and parts after
// the fourth are ignored.
int CompareVersions(const std::wstring& local, const std::wstring& remote);

} // namespace updater

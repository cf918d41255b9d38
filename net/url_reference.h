#pragma once
// Resolving a URI reference against the address it appears in, as RFC 3986 (section 5.2)
// has it and browsers do, on the text itself: no escape is decoded or added, nothing else is
// normalised (no case changes, no default ports dropped).

#include <string>

namespace updater {

// The target of `reference` against `base`: false when the reference is relative and the base
// has no scheme. The base's fragment never carries over.
bool ResolveReference(const std::wstring& base, const std::wstring& reference,
                      std::wstring& target);

} // namespace updater

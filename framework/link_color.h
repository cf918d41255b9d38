#pragma once
// The link colour: the user's "Anchor Color" setting, "red,green,blue" in decimal.

#include <windows.h>

#include <optional>

namespace updater {

constexpr COLORREF kInvalidColor = 0xFFFFFFFF;

// "r,g,b" to 0x00BBGGRR, each number read like _wtoi (leading blanks and a sign accepted,
// reading stops at the first other character) and cut to its low byte. kInvalidColor when a
// comma is missing, nothing follows the second comma, or the first or second number is -1.
COLORREF ParseColorText(const wchar_t* text);

// The colour stored under HKCU "Software\Microsoft\Internet Explorer\Settings", value
// "Anchor Color" (a string of at most 11 characters); nothing when it is missing, not a
// string, too long or not a colour.
std::optional<COLORREF> ReadAnchorColor();

} // namespace updater

#pragma once
// What updater-publish says: lines on standard output and standard error, and the bytes it
// writes to standard output as they are.

#include <windows.h>

#include <string>

// One line (or block of lines): wide text to a console, UTF-8 to anything else (a pipe, a file).
// Carriage returns are left out, so the updater's CRLF texts come out as plain lines.
void Print(const std::wstring& line);
// The same on standard error: errors, and what goes beside output meant for a file.
void PrintError(const std::wstring& line);

// Bytes to standard output unchanged (no console conversion, no line end translation); false
// when they could not all be written.
bool WriteOutputBytes(const std::string& bytes);

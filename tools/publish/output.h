#pragma once
// What updater-check says: its lines on standard output, and the words for what failed.

#include <windows.h>

#include <string>
#include <vector>

// One line (or block of lines): wide text to a console, UTF-8 to anything else (a pipe, a file).
// Carriage returns are left out, so the updater's CRLF texts come out as plain lines.
void Print(const std::wstring& line);

// WinInet's name for an error code, in words; the certificate errors named as such.
std::wstring InternetErrorName(DWORD error);

// Why UpdateInfo::Parse refused the descriptor: the parser's own position and reason for text
// that is not XML, or the first required element that is missing.
std::wstring DescribeParseFailure(HRESULT parsed, const std::vector<char>& bytes);

#pragma once
// The words updater-publish check uses for what failed.

#include <windows.h>

#include <string>
#include <vector>

// WinInet's name for an error code, in words; the certificate errors named as such.
std::wstring InternetErrorName(DWORD error);

// Why UpdateInfo::Parse refused the descriptor: the parser's own position and reason for text
// that is not XML, or the first required element that is missing.
std::wstring DescribeParseFailure(HRESULT parsed, const std::vector<char>& bytes);

// What WinVerifyTrust's answer for a setup program means.
std::wstring TrustErrorName(LONG status);

// "0x" and eight hexadecimal digits.
std::wstring HexCode(LONG code);

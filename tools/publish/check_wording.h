#pragma once
// The words updater-publish check uses for what failed.

#include <windows.h>

#include <string>
#include <vector>

// Why UpdateInfo::Parse refused the descriptor: the parser's own position and reason for text
// that is not XML, or the first required element that is missing.
std::wstring DescribeParseFailure(HRESULT parsed, const std::vector<char>& bytes);

// What WinVerifyTrust's answer for a setup program means.
std::wstring TrustErrorName(LONG status);

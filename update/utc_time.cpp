#include "update/utc_time.h"

#include <cwchar>

namespace updater {
namespace {

constexpr wchar_t kForm[] = L"dddd-dd-ddTdd:dd:ddZ"; // d: one decimal digit
constexpr size_t kLength = sizeof(kForm) / sizeof(kForm[0]) - 1;

bool IsLeapYear(unsigned year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

unsigned DaysInMonth(unsigned year, unsigned month) {
    constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// The number written at `at` in `count` digits; the form was checked before.
WORD Number(const std::wstring& text, size_t at, size_t count) {
    WORD value = 0;
    for (size_t index = at; index < at + count; ++index) {
        value = static_cast<WORD>(value * 10 + (text[index] - L'0'));
    }
    return value;
}

} // namespace

bool ParseUtcTime(const std::wstring& text, ULONGLONG& ticks) {
    if (text.size() != kLength) {
        return false;
    }
    for (size_t index = 0; index < kLength; ++index) {
        const bool digit = text[index] >= L'0' && text[index] <= L'9';
        if (kForm[index] == L'd' ? !digit : text[index] != kForm[index]) {
            return false;
        }
    }
    SYSTEMTIME moment{};
    moment.wYear = Number(text, 0, 4);
    moment.wMonth = Number(text, 5, 2);
    moment.wDay = Number(text, 8, 2);
    moment.wHour = Number(text, 11, 2);
    moment.wMinute = Number(text, 14, 2);
    moment.wSecond = Number(text, 17, 2);
    if (moment.wYear < 1601 || moment.wMonth < 1 || moment.wMonth > 12 || moment.wDay < 1 ||
        moment.wDay > DaysInMonth(moment.wYear, moment.wMonth) || moment.wHour > 23 ||
        moment.wMinute > 59 || moment.wSecond > 59) {
        return false;
    }
    FILETIME converted{};
    if (!SystemTimeToFileTime(&moment, &converted)) {
        return false;
    }
    ticks = ULARGE_INTEGER{{converted.dwLowDateTime, converted.dwHighDateTime}}.QuadPart;
    return true;
}

std::wstring FormatUtcTime(ULONGLONG ticks) {
    ULARGE_INTEGER value{};
    value.QuadPart = ticks;
    const FILETIME time{value.LowPart, value.HighPart};
    SYSTEMTIME moment{};
    if (!FileTimeToSystemTime(&time, &moment) || moment.wYear > 9999) {
        return std::wstring();
    }
    wchar_t text[kLength + 1] = L"";
    swprintf(text, kLength + 1, L"%04u-%02u-%02uT%02u:%02u:%02uZ", moment.wYear, moment.wMonth,
             moment.wDay, moment.wHour, moment.wMinute, moment.wSecond);
    return text;
}

ULONGLONG CurrentUtcTicks() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return ULARGE_INTEGER{{now.dwLowDateTime, now.dwHighDateTime}}.QuadPart;
}

} // namespace updater

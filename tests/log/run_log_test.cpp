// The run log: where it goes, what it never shows, and that it stays within its bound.

#include "log/run_log.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace updater {
namespace {

TEST(LoggableUrl, KeepsThePathAndHidesWhatMayBeSecret) {
    const struct {
        const wchar_t* url;
        const wchar_t* shown;
    } cases[] = {
        {L"http://h:8080/d/setup.exe", L"http://h:8080/d/setup.exe"},
        {L"https://h/s.exe?X-Amz-Signature=abc&t=1", L"https://h/s.exe?\u2026"},
        {L"http://user:secret@h/s.exe#token", L"http://h/s.exe#\u2026"},
        {L"http://h/a@b/s.exe", L"http://h/a@b/s.exe"},
        {L"", L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.shown, LoggableUrl(c.url)) << c.url;
    }
}

// Lines of many runs: the file never passes its bound, the newest line is always there, and a
// trimmed log starts with a whole line.
TEST(RunLog, StaysWithinItsBoundKeepingTheNewestLines) {
    testing_support::TempDir temp;
    const std::wstring path = temp.File(L"logs\\app.log");
    StartRunLog(path);
    for (int i = 0; i < 12000; ++i) {
        LogLine(L"line " + std::to_wstring(i) + L" " + std::wstring(100, L'x'));
    }
    const std::string log = testing_support::ReadFileBytes(path);
    StartRunLog(L"");
    EXPECT_LE(log.size(), kMaxLogBytes);
    EXPECT_GT(log.size(), kMaxLogBytes / 2);
    EXPECT_NE(std::string::npos, log.find("] line 11999 "));
    EXPECT_EQ("20", log.substr(0, 2)) << "a trimmed log starts with a whole line";
}

// Two applications on one machine never write into the same log.
TEST(RunLogPath, NamesOneFilePerApplicationFolder) {
    const std::wstring writer = RunLogPath(L"C:\\Program Files\\Writer");
    EXPECT_NE(std::wstring::npos, writer.find(L"\\Updater\\logs\\Writer-")) << writer;
    EXPECT_EQ(0, _wcsicmp(writer.c_str(), RunLogPath(L"c:\\program files\\WRITER\\").c_str()));
    EXPECT_NE(writer, RunLogPath(L"D:\\Writer"));
}

} // namespace
} // namespace updater

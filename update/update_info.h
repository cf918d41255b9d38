#pragma once
// The update descriptor: an XML document naming the latest version, its size text, the
// download address of its setup program and its description, read through MSXML.

#include <windows.h>
#include <oleauto.h>

#include <string>

namespace updater {

class UpdateInfo {
public:
    // Initialises COM for the constructing thread; the destructor uninitialises it.
    UpdateInfo();
    ~UpdateInfo();
    UpdateInfo(const UpdateInfo&) = delete;
    UpdateInfo& operator=(const UpdateInfo&) = delete;

    // Parses a zero-terminated descriptor in the thread's ANSI code page. S_OK when all four
    // fields were filled; E_POINTER when an element is missing; the failing call's HRESULT;
    // E_OUTOFMEMORY when the text cannot be converted; E_FAIL when reading threw.
    HRESULT Parse(const char* descriptor);

    // CompareVersions(localVersion, ver): 1 newer published, 0 equal, -1 older.
    int CompareWithLocal(std::wstring localVersion) const;

    std::wstring ver;
    std::wstring size;
    std::wstring url;
    std::wstring comments; // one line per child of <comments>, each ended by "\r\n"
};

// The process-wide record: filled by the update check, read later by the install worker.
extern UpdateInfo g_updateInfo;

// Converts bytes in the thread's ANSI code page to a BSTR; `count` -1 means up to the first
// zero byte (which is not part of the result). Null for null input, a zero count, or failure.
BSTR ToWideText(const char* bytes, int count);

} // namespace updater

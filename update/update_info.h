#pragma once
// The update descriptor: an XML document naming the latest version, its size text, the
// download address of its setup program and its description, and optionally the checks that go
// with them, read through MSXML.

#include "update/descriptor_text.h"

#include <windows.h>
#include <oleauto.h>

#include <cstddef>
#include <optional>
#include <string>

namespace updater {

class UpdateInfo {
public:
    // Initialises COM for the constructing thread; the destructor uninitialises it.
    UpdateInfo();
    ~UpdateInfo();
    UpdateInfo(const UpdateInfo&) = delete;
    UpdateInfo& operator=(const UpdateInfo&) = delete;

    // Parses `length` bytes of descriptor, decoded as DecodeDescriptor says. S_OK when the four
    // required fields were filled; E_POINTER when one of their elements is missing; the failing
    // call's HRESULT; HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION) when the bytes are not
    // valid in the encoding they name (or are too many); E_OUTOFMEMORY when the text cannot be
    // handed to the parser; E_FAIL when reading threw. The optional fields never change the
    // result.
    HRESULT Parse(const char* bytes, size_t length);
    // The same for a zero-terminated descriptor (null reads as empty).
    HRESULT Parse(const char* descriptor);

    // CompareVersions(localVersion, ver): 1 newer published, 0 equal, -1 older.
    int CompareWithLocal(std::wstring localVersion) const;

    std::wstring ver;
    std::wstring size;
    std::wstring url;
    std::wstring comments; // one line per child of <comments>, each ended by "\r\n"
    // Optional, empty when the element is absent or the required fields could not be read:
    std::wstring sha256;    // hexadecimal SHA-256 of the setup program
    std::wstring signature; // base64 of the vendor's DER ECDSA P-256 signature of it
    std::wstring product;   // the product the update is for
    std::wstring args;      // the setup program's command line (<args>), never shown in the offer
    // The moment after which the descriptor is no longer used; set even when empty, since an
    // empty <expires> is a malformed one.
    std::optional<std::wstring> expires;
};

// The process-wide record: filled by the update check, read later by the install worker.
extern UpdateInfo g_updateInfo;

} // namespace updater

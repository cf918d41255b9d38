#pragma once
// The user the process runs as, for access lists that name that user alone.

#include "common/unique_handle.h"

#include <windows.h>
#include <sddl.h>

#include <string>

namespace updater {

// The SID of the process's user in its text form ("S-1-5-21-..."); empty when the token cannot
// be read.
inline std::wstring CurrentUserSid() {
    HANDLE opened = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) {
        return std::wstring();
    }
    const UniqueKernelHandle token(opened);
    // A TOKEN_USER with its SID fits in this easily.
    alignas(TOKEN_USER) BYTE user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD length = 0;
    LPWSTR text = nullptr;
    if (!GetTokenInformation(token.get(), TokenUser, user, sizeof(user), &length) ||
        !ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &text)) {
        return std::wstring();
    }
    const UniqueLocalMemory held(text);
    return text;
}

} // namespace updater

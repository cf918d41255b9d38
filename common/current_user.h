#pragma once
// The user the process runs as, read from its token: for access lists that name that user
// alone, and for telling whether the user owns something.

#include "common/unique_handle.h"

#include <windows.h>
#include <sddl.h>

#include <string>
#include <vector>

namespace updater {

// One TOKEN_* record of the process's token (TOKEN_USER, TOKEN_OWNER, ...); empty when it
// cannot be read.
inline std::vector<BYTE> ProcessTokenRecord(TOKEN_INFORMATION_CLASS kind) {
    HANDLE opened = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) {
        return {};
    }
    const UniqueKernelHandle token(opened);
    DWORD size = 0;
    GetTokenInformation(token.get(), kind, nullptr, 0, &size);
    std::vector<BYTE> record(size);
    if (size == 0 || !GetTokenInformation(token.get(), kind, record.data(), size, &size)) {
        return {};
    }
    return record;
}

// The SID of the process's user in its text form ("S-1-5-21-..."); empty when the token cannot
// be read.
inline std::wstring CurrentUserSid() {
    std::vector<BYTE> user = ProcessTokenRecord(TokenUser);
    LPWSTR text = nullptr;
    if (user.empty() ||
        !ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &text)) {
        return std::wstring();
    }
    const UniqueLocalMemory held(text);
    return text;
}

} // namespace updater

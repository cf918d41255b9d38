#include "download/folder_security.h"

#include "common/current_user.h"

#include <aclapi.h>
#include <sddl.h>

#include <string>
#include <vector>

namespace updater {
namespace {

PSID TokenUserSid(std::vector<BYTE>& record) {
    return record.empty() ? nullptr : reinterpret_cast<TOKEN_USER*>(record.data())->User.Sid;
}

PSID TokenOwnerSid(std::vector<BYTE>& record) {
    return record.empty() ? nullptr : reinterpret_cast<TOKEN_OWNER*>(record.data())->Owner;
}

} // namespace

PrivateFolderSecurity::PrivateFolderSecurity() {
    const std::wstring user = CurrentUserSid();
    if (user.empty()) {
        return;
    }
    // Protected ("P"): nothing of the temporary folder's own access list is inherited.
    const std::wstring sddl = L"O:" + user + L"D:P(A;OICI;FA;;;" + user + L")(A;OICI;FA;;;SY)";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                              &descriptor, nullptr)) {
        return;
    }
    descriptor_.reset(descriptor);
    attributes_.nLength = sizeof(attributes_);
    attributes_.lpSecurityDescriptor = descriptor;
    attributes_.bInheritHandle = FALSE;
}

bool IsOwnedByCurrentUser(HANDLE object) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(object, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                        nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    const UniqueLocalMemory held(descriptor);
    std::vector<BYTE> user = ProcessTokenRecord(TokenUser);
    std::vector<BYTE> defaultOwner = ProcessTokenRecord(TokenOwner);
    for (PSID candidate : {TokenUserSid(user), TokenOwnerSid(defaultOwner)}) {
        if (owner != nullptr && candidate != nullptr && EqualSid(owner, candidate)) {
            return true;
        }
    }
    return false;
}

} // namespace updater

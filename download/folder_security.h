#pragma once
// Who may use a download folder: made with an access list for the current user and the system
// alone, so that on a shared temporary folder nobody else can list it or drop a DLL beside the
// setup program; and only folders of the current user's are ever cleaned up.

#include "common/unique_handle.h"

#include <windows.h>

namespace updater {

// A security descriptor that makes the current user the owner and grants full access to that
// user and to the system only, inherited by everything inside, nothing inherited from above.
class PrivateFolderSecurity {
public:
    PrivateFolderSecurity();
    // Null when the descriptor could not be built; a folder must then not be made.
    SECURITY_ATTRIBUTES* Attributes() {
        return attributes_.lpSecurityDescriptor ? &attributes_ : nullptr;
    }

private:
    UniqueLocalMemory descriptor_;
    SECURITY_ATTRIBUTES attributes_{};
};

// Whether the open file or folder is owned by the current user (the token's user, or the
// default owner it gives new objects, such as the administrators of an elevated run). The
// handle needs READ_CONTROL.
bool IsOwnedByCurrentUser(HANDLE object);

} // namespace updater

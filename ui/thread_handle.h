#pragma once
// Sole owner of a thread handle.

#include "net/unique_handle.h"

#include <windows.h>

namespace updater {

struct ThreadHandleTraits {
    using pointer = HANDLE;
    static pointer Invalid() { return nullptr; }
    static void Close(pointer handle) { CloseHandle(handle); }
};

using UniqueThreadHandle = UniqueHandle<ThreadHandleTraits>;

} // namespace updater

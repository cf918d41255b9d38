#pragma once
// One owner for a platform handle, closed when the owner goes away.

#include <windows.h>
#include <wininet.h>
#include <winsock2.h>

namespace bench {

template <class Handle, auto Close, auto Invalid> class Scoped {
public:
    Scoped() = default;
    explicit Scoped(Handle handle) : handle_(handle) {}
    ~Scoped() {
        if (valid()) {
            Close(handle_);
        }
    }
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;

    Handle get() const { return handle_; }
    bool valid() const { return handle_ != Invalid(); }

private:
    Handle handle_ = Invalid();
};

inline HINTERNET NullInternet() {
    return nullptr;
}
inline HANDLE NullHandle() {
    return nullptr;
}
inline HANDLE InvalidFile() {
    return INVALID_HANDLE_VALUE;
}
inline SOCKET InvalidSocketValue() {
    return INVALID_SOCKET;
}
inline BOOL CloseFile(HANDLE handle) {
    return CloseHandle(handle);
}

using ScopedInternet = Scoped<HINTERNET, InternetCloseHandle, NullInternet>;
using ScopedFile = Scoped<HANDLE, CloseFile, InvalidFile>;
// Threads, processes, events: handles whose failure value is null.
using ScopedHandle = Scoped<HANDLE, CloseFile, NullHandle>;
using ScopedSocket = Scoped<SOCKET, closesocket, InvalidSocketValue>;

} // namespace bench

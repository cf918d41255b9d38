#pragma once
// Single owners of platform handles: each closes what it holds exactly once, when the owner
// goes away or is reset, on every path. One template, one line per kind of handle.

#include <windows.h>
#include <bcrypt.h>
#include <oleauto.h>
#include <wininet.h>

#include <cstdlib>
#include <utility>

namespace updater {

// The value that most platform calls return when they fail to open something.
template <typename Handle> constexpr Handle NoHandle() {
    return nullptr;
}

// What CreateFileW returns when it fails.
inline HANDLE InvalidFileHandle() {
    return INVALID_HANDLE_VALUE;
}

// Owns a `Handle`: `Close(handle)` releases a held one; `Invalid()` means "nothing held" and is
// never closed. The owner can be moved, not copied.
template <typename Handle, auto Close, Handle (*Invalid)() = NoHandle<Handle>> class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Invalid(); }

    // Gives the handle up without closing it; the owner then holds nothing.
    Handle release() { return std::exchange(handle_, Invalid()); }
    // Closes the held handle, if any, and takes `handle` over.
    void reset(Handle handle = Invalid()) {
        const Handle old = std::exchange(handle_, handle);
        if (old != Invalid()) {
            Close(old); // nothing useful can be done when closing fails
        }
    }

private:
    Handle handle_ = Invalid();
};

// Threads, processes, events: kernel objects whose failed open gives null.
using UniqueKernelHandle = UniqueHandle<HANDLE, CloseHandle>;
using UniqueFileHandle = UniqueHandle<HANDLE, CloseHandle, InvalidFileHandle>;
using UniqueFindHandle = UniqueHandle<HANDLE, FindClose, InvalidFileHandle>;
// A mutex that the calling thread owns: given up, then closed (on the thread that took it, which
// alone can give it up).
inline void ReleaseAndCloseMutex(HANDLE mutex) {
    ReleaseMutex(mutex);
    CloseHandle(mutex);
}
using UniqueOwnedMutex = UniqueHandle<HANDLE, ReleaseAndCloseMutex>;
using UniqueInternetHandle = UniqueHandle<HINTERNET, InternetCloseHandle>;
using UniqueRegistryKey = UniqueHandle<HKEY, RegCloseKey>;
using UniqueFont = UniqueHandle<HFONT, DeleteObject>;
using UniqueModule = UniqueHandle<HMODULE, FreeLibrary>;
using UniqueBstr = UniqueHandle<BSTR, SysFreeString>;
// CNG: an algorithm provider closes with a flags argument that must be zero.
inline void CloseAlgorithmProvider(BCRYPT_ALG_HANDLE algorithm) {
    BCryptCloseAlgorithmProvider(algorithm, 0);
}
using UniqueAlgorithmProvider = UniqueHandle<BCRYPT_ALG_HANDLE, CloseAlgorithmProvider>;
using UniqueCngKey = UniqueHandle<BCRYPT_KEY_HANDLE, BCryptDestroyKey>;
using UniqueCngHash = UniqueHandle<BCRYPT_HASH_HANDLE, BCryptDestroyHash>;
// Memory from LocalAlloc, as security descriptor conversions hand it out.
using UniqueLocalMemory = UniqueHandle<HLOCAL, LocalFree>;
// A block from malloc, calloc or realloc.
using UniqueHeapBlock = UniqueHandle<char*, std::free>;

} // namespace updater

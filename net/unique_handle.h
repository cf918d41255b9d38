#pragma once
// Single owner of a platform handle: closes it when the owner goes away or is reset.

#include <windows.h>
#include <wininet.h>

#include <utility>

namespace updater {

// Traits: `pointer` is the handle type, Invalid() the value meaning "nothing open",
// Close(h) releases a valid handle.
template <typename Traits> class UniqueHandle {
public:
    using pointer = typename Traits::pointer;

    UniqueHandle() = default;
    explicit UniqueHandle(pointer handle) : handle_(handle) {}
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

    pointer get() const { return handle_; }
    bool valid() const { return handle_ != Traits::Invalid(); }
    explicit operator bool() const { return valid(); }

    pointer release() { return std::exchange(handle_, Traits::Invalid()); }
    void reset(pointer handle = Traits::Invalid()) {
        pointer old = std::exchange(handle_, handle);
        if (old != Traits::Invalid()) {
            Traits::Close(old);
        }
    }

private:
    pointer handle_ = Traits::Invalid();
};

struct InternetHandleTraits {
    using pointer = HINTERNET;
    static pointer Invalid() { return nullptr; }
    // The result is of no use while closing.
    static void Close(pointer handle) { InternetCloseHandle(handle); }
};

struct FileHandleTraits {
    using pointer = HANDLE;
    static pointer Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(pointer handle) { CloseHandle(handle); }
};

using UniqueInternetHandle = UniqueHandle<InternetHandleTraits>;
using UniqueFileHandle = UniqueHandle<FileHandleTraits>;

} // namespace updater

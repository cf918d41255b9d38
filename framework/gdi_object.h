#pragma once
// Sole owner of a GDI object (font, brush, bitmap, ...), deleted with its owner.

#include <windows.h>

#include <utility>

namespace updater {

template <class Handle> class UniqueGdiObject {
public:
    UniqueGdiObject() = default;
    explicit UniqueGdiObject(Handle object) : object_(object) {}
    ~UniqueGdiObject() { Reset(); }
    UniqueGdiObject(UniqueGdiObject&& other) noexcept : object_(other.Release()) {}
    UniqueGdiObject& operator=(UniqueGdiObject&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    UniqueGdiObject(const UniqueGdiObject&) = delete;
    UniqueGdiObject& operator=(const UniqueGdiObject&) = delete;

    Handle Get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    Handle Release() { return std::exchange(object_, nullptr); }
    void Reset(Handle object = nullptr) {
        if (object_ != nullptr) {
            DeleteObject(object_);
        }
        object_ = object;
    }

private:
    Handle object_ = nullptr;
};

using UniqueFont = UniqueGdiObject<HFONT>;

} // namespace updater

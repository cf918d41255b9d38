#include "framework/message_loop.h"

#include <algorithm>
#include <new>

namespace updater {
namespace {

// The system timer that blinks the caret.
constexpr UINT kCaretBlinkTimer = 0x0118;

template <class T> bool Append(std::vector<T*>& list, T* item) {
    try {
        list.push_back(item);
    } catch (const std::bad_alloc&) {
        return false; // the list is unchanged
    }
    return true;
}

template <class T> bool RemoveFirst(std::vector<T*>& list, T* item) {
    auto found = std::find(list.begin(), list.end(), item);
    if (found == list.end()) {
        return false;
    }
    list.erase(found);
    return true;
}

} // namespace

bool CMessageLoop::AttachFilter(CMessageFilter* filter) {
    return Append(filters_, filter);
}

bool CMessageLoop::AttachIdleHandler(CIdleHandler* handler) {
    return Append(idleHandlers_, handler);
}

bool CMessageLoop::DetachFilter(CMessageFilter* filter) {
    return RemoveFirst(filters_, filter);
}

bool CMessageLoop::DetachIdleHandler(CIdleHandler* handler) {
    return RemoveFirst(idleHandlers_, handler);
}

bool CMessageLoop::KeepsIdleState(UINT message) {
    return message == WM_MOUSEMOVE || message == WM_NCMOUSEMOVE || message == WM_PAINT ||
           message == kCaretBlinkTimer;
}

int CMessageLoop::PumpMessages() {
    bool idle = true;
    int idleCount = 0;
    for (;;) {
        while (idle && !PeekMessageW(&currentMessage_, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!RunIdleHandlers(idleCount++)) {
                idle = false;
            }
        }
        const BOOL got = GetMessageW(&currentMessage_, nullptr, 0, 0);
        if (got == -1) {
            continue; // nothing was retrieved; keep waiting
        }
        if (got == 0) {
            return static_cast<int>(currentMessage_.wParam);
        }
        if (!FilterMessage(&currentMessage_)) {
            TranslateMessage(&currentMessage_);
            DispatchMessageW(&currentMessage_);
        }
        if (!KeepsIdleState(currentMessage_.message)) {
            idle = true;
            idleCount = 0;
        }
    }
}

bool CMessageLoop::FilterMessage(MSG* message) {
    // Indexes, not iterators: a filter may detach itself (or others) while it runs.
    for (size_t i = filters_.size(); i-- > 0;) {
        if (i >= filters_.size()) {
            continue;
        }
        CMessageFilter* filter = filters_[i];
        if (filter != nullptr && filter->FilterMessage(message)) {
            return true;
        }
    }
    return false;
}

bool CMessageLoop::RunIdleHandlers(int /*idleCount*/) {
    for (size_t i = 0; i < idleHandlers_.size(); ++i) {
        if (CIdleHandler* handler = idleHandlers_[i]) {
            handler->HandleIdle();
        }
    }
    return false;
}

} // namespace updater

#include "framework/window_impl_root.h"

#include "framework/critical_section.h"

#include <mutex>

namespace updater {
namespace {

constexpr wchar_t kObjectProperty[] = L"updater.FrameworkObject";

// Windows being created, newest first; shared by all threads.
struct CreationList {
    CriticalSection lock; // guards head
    CreationRecord* head = nullptr;
};

CreationList& PendingCreations() {
    static CreationList list;
    return list;
}

} // namespace

CWindowImplRoot::~CWindowImplRoot() {
    // A window that outlives its object must not reach it any more.
    if (Handle() != nullptr) {
        Unbind(Handle());
    }
    WithdrawCreationRecord(&creationRecord_);
}

CWindowImplRoot* CWindowImplRoot::BoundObject(HWND window) {
    return static_cast<CWindowImplRoot*>(GetPropW(window, kObjectProperty));
}

bool CWindowImplRoot::Bind(HWND window) {
    return SetPropW(window, kObjectProperty, static_cast<HANDLE>(this)) != FALSE;
}

void CWindowImplRoot::Unbind(HWND window) {
    if (BoundObject(window) == this) {
        RemovePropW(window, kObjectProperty);
    }
}

void CWindowImplRoot::PushCreationRecord() {
    creationRecord_.object = this;
    creationRecord_.threadId = GetCurrentThreadId();
    CreationList& list = PendingCreations();
    std::lock_guard<CriticalSection> guard(list.lock);
    creationRecord_.next = list.head;
    list.head = &creationRecord_;
}

CWindowImplRoot* CWindowImplRoot::PopCreationRecord() {
    const DWORD threadId = GetCurrentThreadId();
    CreationList& list = PendingCreations();
    std::lock_guard<CriticalSection> guard(list.lock);
    for (CreationRecord** link = &list.head; *link != nullptr; link = &(*link)->next) {
        CreationRecord* record = *link;
        if (record->threadId == threadId) {
            *link = record->next;
            record->next = nullptr;
            return record->object;
        }
    }
    return nullptr;
}

void CWindowImplRoot::WithdrawCreationRecord(const CreationRecord* record) {
    CreationList& list = PendingCreations();
    std::lock_guard<CriticalSection> guard(list.lock);
    for (CreationRecord** link = &list.head; *link != nullptr; link = &(*link)->next) {
        if (*link == record) {
            *link = (*link)->next;
            return;
        }
    }
}

bool CWindowImplRoot::EnterMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    ++messageDepth_;
    return ProcessMessage(Handle(), message, wParam, lParam, result, 0);
}

void CWindowImplRoot::LeaveMessage() {
    if ((state_ & kDestroyedState) && messageDepth_ == 1) {
        FinishLastMessage(); // may delete the object
    } else {
        --messageDepth_;
    }
}

void CWindowImplRoot::FinishLastMessage() {
    const HWND oldWindow = Handle();
    Unbind(oldWindow);
    SetHandle(nullptr);
    messageDepth_ = 0;
    state_ &= ~kDestroyedState;
    OnLastMessage(oldWindow);
}

} // namespace updater

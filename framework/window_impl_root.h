#pragma once
// What every framework window object shares: its handle, its message map, the binding from
// its window back to the object, how deeply the window's messages are nested and the
// "destroyed, last call pending" state.
//
// Binding: the window carries a property that points at its object. The forwarding
// procedures of the dialog and window bases read it for every message, so the binding is in
// place before the first forwarded message and holds through nested messages; it is
// removed with the last message. One framework object per window.

#include "framework/message_map.h"
#include "framework/window.h"

#include <windows.h>

namespace updater {

class CWindowImplRoot;

// A window being created: matched to its first message by the creating thread's id.
struct CreationRecord {
    CWindowImplRoot* object = nullptr;
    DWORD threadId = 0;
    CreationRecord* next = nullptr;
};

class CWindowImplRoot : public CWindow, public CMessageMap {
public:
    CWindowImplRoot() = default;
    virtual ~CWindowImplRoot();
    CWindowImplRoot(const CWindowImplRoot&) = delete;
    CWindowImplRoot& operator=(const CWindowImplRoot&) = delete;

    // Called once after the last message of the window (WM_NCDESTROY, unhandled) has
    // returned from the outermost message procedure; the handle is already null. The
    // object may delete itself here.
    virtual void OnLastMessage(HWND /*oldWindow*/) {}

protected:
    static constexpr DWORD kDestroyedState = 0x1; // destroyed, OnLastMessage pending

    // The object bound to a window, or null.
    static CWindowImplRoot* BoundObject(HWND window);
    // Points the window at this object; false when the property cannot be set.
    bool Bind(HWND window);
    // Removes the window's pointer to this object, if it still has one.
    void Unbind(HWND window);

    // Queues this object for the first message of a window created on this thread.
    void PushCreationRecord();
    // Takes the calling thread's first pending record; null when there is none.
    static CWindowImplRoot* PopCreationRecord();
    // Withdraws a record that no first message has taken (the creation failed). Compares
    // addresses only, so it is safe when the creation ended by deleting the object.
    static void WithdrawCreationRecord(const CreationRecord* record);

    // Bracket one message of the bound window; nested messages bracket themselves.
    // EnterMessage runs the message through the map: true when the map handled it, `result`
    // then holding its result. Leaving the outermost message of a destroyed window ends the
    // binding (FinishLastMessage): the object must not be touched afterwards.
    bool EnterMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void LeaveMessage();

    CreationRecord creationRecord_;
    DWORD state_ = 0;

private:
    // Ends the binding after the last message: clears the handle and the state, then calls
    // OnLastMessage. The object must not be touched afterwards.
    void FinishLastMessage();

    int messageDepth_ = 0; // messages of the window in progress, nested ones included
};

} // namespace updater

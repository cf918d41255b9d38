#pragma once
// Message maps: how a framework window class says which of its member functions handle
// which messages.
//
// A class lists its handlers in one static table, `messageMap`, and the framework routes
// every message of its window through it:
//
//   class CAboutDlg : public CDialogImpl<CAboutDlg> {
//   public:
//       static constexpr UINT DialogTemplateId = 100;
//       static const MessageMap<CAboutDlg> messageMap;
//
//   private:
//       LRESULT OnInitDialog(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
//       LRESULT OnClose(WORD notifyCode, WORD id, HWND control, bool& handled);
//   };
//
//   const MessageMap<CAboutDlg> CAboutDlg::messageMap = {
//       HandleMessage(WM_INITDIALOG, &CAboutDlg::OnInitDialog),
//       HandleCommand(IDOK, &CAboutDlg::OnClose),
//       HandleCommand(IDCANCEL, &CAboutDlg::OnClose),
//   };
//
// Entries:
//   HandleMessage(M, f)             the message equals M;
//   HandleMessageRange(M1, M2, f)   M1 <= message <= M2;
//   HandleCommand(id, f)            WM_COMMAND whose low word of wParam is id (any
//                                   notification code).
// Entries are tried in the order written. `handled` is true when a handler is called; a
// handler that clears it passes the message on to the later entries, and a message no entry
// keeps gets the window's default handling. A handler's return value is the message result.
// Message handlers get (message, wParam, lParam, handled); command handlers get
// (notification code, id, control window, handled).

#include <windows.h>

#include <initializer_list>
#include <vector>

namespace updater {

// What the framework calls for every message of a bound window.
class CMessageMap {
public:
    // True when the message was handled; `result` then holds its result. Only map 0 exists.
    virtual bool ProcessMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                LRESULT& result, DWORD mapId) = 0;

protected:
    ~CMessageMap() = default;
};

template <class T>
using MessageHandler = LRESULT (T::*)(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
template <class T>
using CommandHandler = LRESULT (T::*)(WORD notifyCode, WORD id, HWND control, bool& handled);

template <class T> struct MessageMapEntry {
    enum class Kind { Message, MessageRange, Command };

    Kind kind;
    UINT first; // message, first message of the range, or command id
    UINT last;
    MessageHandler<T> onMessage; // for Message and MessageRange
    CommandHandler<T> onCommand; // for Command

    bool Matches(UINT message, WPARAM wParam) const {
        switch (kind) {
        case Kind::Message:
            return message == first;
        case Kind::MessageRange:
            return first <= message && message <= last;
        case Kind::Command:
            return message == WM_COMMAND && LOWORD(wParam) == first;
        }
        return false;
    }

    LRESULT Call(T& object, UINT message, WPARAM wParam, LPARAM lParam, bool& handled) const {
        if (kind == Kind::Command) {
            return (object.*onCommand)(HIWORD(wParam), LOWORD(wParam),
                                       reinterpret_cast<HWND>(lParam), handled);
        }
        return (object.*onMessage)(message, wParam, lParam, handled);
    }
};

template <class T> MessageMapEntry<T> HandleMessage(UINT message, MessageHandler<T> handler) {
    return {MessageMapEntry<T>::Kind::Message, message, message, handler, nullptr};
}

template <class T>
MessageMapEntry<T> HandleMessageRange(UINT first, UINT last, MessageHandler<T> handler) {
    return {MessageMapEntry<T>::Kind::MessageRange, first, last, handler, nullptr};
}

template <class T> MessageMapEntry<T> HandleCommand(WORD id, CommandHandler<T> handler) {
    return {MessageMapEntry<T>::Kind::Command, id, id, nullptr, handler};
}

template <class T> class MessageMap {
public:
    MessageMap(std::initializer_list<MessageMapEntry<T>> entries) : entries_(entries) {}

    // Tries the entries in order; true with `result` set when one kept the message.
    bool Route(T& object, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) const {
        for (const MessageMapEntry<T>& entry : entries_) {
            if (!entry.Matches(message, wParam)) {
                continue;
            }
            bool handled = true;
            const LRESULT handlerResult = entry.Call(object, message, wParam, lParam, handled);
            if (handled) {
                result = handlerResult;
                return true;
            }
        }
        return false;
    }

private:
    std::vector<MessageMapEntry<T>> entries_;
};

} // namespace updater

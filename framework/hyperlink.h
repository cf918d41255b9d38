#pragma once
// A static text control turned into a link: drawn in the link colour with an underlined copy
// of the dialog's font, a hand cursor and a tooltip over the text, and a WM_COMMAND (control
// id, notification 0) to the parent when clicked or activated with Enter or Space.
//
//   CHyperLink link;                      // a member of the dialog object
//   link.SubclassControl(GetDlgItem(dialog, IDC_LINK));
//   link.SetExtendedStyle(CHyperLink::LinkCommandButton);

#include "common/unique_handle.h"
#include "framework/window_impl.h"

#include <windows.h>

#include <optional>
#include <string>

namespace updater {

class CHyperLink : public CWindowImpl<CHyperLink> {
public:
    static constexpr DWORD LinkCommandButton = 0x04; // activation sends a command to the parent
    static const MessageMap<CHyperLink> messageMap;

    explicit CHyperLink(DWORD extendedStyle = 0) : extendedStyle_(extendedStyle) {}

    // Takes the control over and sets the link up from it (InitializeLink).
    bool SubclassControl(HWND control);

    // False when no copy can be made; the text is then absent.
    bool SetLabelText(const wchar_t* text);
    bool SetLinkTarget(const wchar_t* target);

    // Read on every message; changing it later rebuilds nothing made at initialisation.
    DWORD ExtendedStyle() const { return extendedStyle_; }
    void SetExtendedStyle(DWORD style) { extendedStyle_ = style; }

    // Sends WM_COMMAND (control id, 0) with this control's window to the parent.
    bool ActivateLink();

    // Measures the label (or target) into linkRect(); false without a window or a text.
    bool ComputeLinkRect();

    const std::optional<std::wstring>& LabelText() const { return labelText_; }
    const std::optional<std::wstring>& LinkTarget() const { return linkTarget_; }
    const RECT& LinkRect() const { return linkRect_; }
    COLORREF LinkColor() const { return linkColor_; }
    HWND Tooltip() const { return tooltip_; }

private:
    void InitializeLink();
    const wchar_t* DisplayedText() const;
    bool InLinkRect(LPARAM pointParam) const;
    void FillBackground(HDC dc);
    void PaintLink(HDC dc);
    void Invalidate(bool update);

    LRESULT OnDestroy(UINT, WPARAM, LPARAM, bool& handled);
    LRESULT OnMouseMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, bool& handled);
    LRESULT OnPaint(UINT, WPARAM wParam, LPARAM, bool& handled);
    LRESULT OnFocusChange(UINT, WPARAM, LPARAM, bool& handled);
    LRESULT OnMouseMove(UINT, WPARAM, LPARAM lParam, bool& handled);
    LRESULT OnMouseLeave(UINT, WPARAM, LPARAM, bool& handled);
    LRESULT OnLeftButtonDown(UINT, WPARAM, LPARAM lParam, bool& handled);
    LRESULT OnLeftButtonUp(UINT, WPARAM, LPARAM lParam, bool& handled);
    LRESULT OnChar(UINT, WPARAM wParam, LPARAM, bool& handled);
    LRESULT OnGetDialogCode(UINT, WPARAM, LPARAM, bool& handled);
    LRESULT OnSetCursor(UINT, WPARAM, LPARAM, bool& handled);
    LRESULT OnEnable(UINT, WPARAM, LPARAM, bool& handled);
    LRESULT OnGetFont(UINT, WPARAM, LPARAM, bool& handled);
    LRESULT OnSetFont(UINT, WPARAM wParam, LPARAM lParam, bool& handled);
    LRESULT OnUpdateUiState(UINT, WPARAM, LPARAM, bool& handled);
    LRESULT OnSize(UINT, WPARAM, LPARAM, bool& handled);

    std::optional<std::wstring> labelText_;
    std::optional<std::wstring> linkTarget_; // the tooltip text
    HCURSOR handCursor_ = nullptr;           // shared system cursor, never destroyed
    UniqueFont linkFont_;                    // underlined copy of normalFont_
    HFONT normalFont_ = nullptr;             // the dialog's font, not owned
    RECT linkRect_{};                        // client coordinates of the drawn text
    HWND tooltip_ = nullptr;                 // owned by the control; destroyed on WM_DESTROY
    COLORREF linkColor_ = RGB(0, 0, 255);
    DWORD extendedStyle_;
};

} // namespace updater

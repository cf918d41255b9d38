#include "framework/hyperlink.h"

#include "framework/app_module.h"
#include "framework/link_color.h"

#include <commctrl.h>
#include <windowsx.h>

#include <new>
#include <vector>

namespace updater {
namespace {

constexpr UINT_PTR kToolId = 1;
constexpr UINT kLastMouseMessage = WM_XBUTTONDBLCLK;

// Runs `draw` with `object` selected into the device context (a null object selects nothing),
// then selects the previous object back, so that the caller's context is left as it was.
template <typename Draw> void WithSelectedObject(HDC dc, HGDIOBJ object, Draw draw) {
    const HGDIOBJ previous = object != nullptr ? SelectObject(dc, object) : nullptr;
    draw();
    if (previous != nullptr) {
        SelectObject(dc, previous);
    }
}

bool CopyText(std::optional<std::wstring>& field, const wchar_t* text) {
    field.reset();
    if (text == nullptr) {
        return false;
    }
    try {
        field.emplace(text);
    } catch (const std::bad_alloc&) {
        return false; // the field stays absent
    }
    return true;
}

} // namespace

const MessageMap<CHyperLink> CHyperLink::messageMap = {
    HandleMessage(WM_DESTROY, &CHyperLink::OnDestroy),
    HandleMessageRange(WM_MOUSEFIRST, kLastMouseMessage, &CHyperLink::OnMouseMessage),
    HandleMessage(WM_ERASEBKGND, &CHyperLink::OnEraseBackground),
    HandleMessage(WM_PAINT, &CHyperLink::OnPaint),
    HandleMessage(WM_PRINTCLIENT, &CHyperLink::OnPaint),
    HandleMessage(WM_SETFOCUS, &CHyperLink::OnFocusChange),
    HandleMessage(WM_KILLFOCUS, &CHyperLink::OnFocusChange),
    HandleMessage(WM_MOUSEMOVE, &CHyperLink::OnMouseMove),
    HandleMessage(WM_MOUSELEAVE, &CHyperLink::OnMouseLeave),
    HandleMessage(WM_LBUTTONDOWN, &CHyperLink::OnLeftButtonDown),
    HandleMessage(WM_LBUTTONUP, &CHyperLink::OnLeftButtonUp),
    HandleMessage(WM_CHAR, &CHyperLink::OnChar),
    HandleMessage(WM_GETDLGCODE, &CHyperLink::OnGetDialogCode),
    HandleMessage(WM_SETCURSOR, &CHyperLink::OnSetCursor),
    HandleMessage(WM_ENABLE, &CHyperLink::OnEnable),
    HandleMessage(WM_GETFONT, &CHyperLink::OnGetFont),
    HandleMessage(WM_SETFONT, &CHyperLink::OnSetFont),
    HandleMessage(WM_UPDATEUISTATE, &CHyperLink::OnUpdateUiState),
    HandleMessage(WM_SIZE, &CHyperLink::OnSize),
};

bool CHyperLink::SubclassControl(HWND control) {
    if (!CWindowImplBaseT::SubclassControl(control)) {
        return false;
    }
    InitializeLink();
    return true;
}

void CHyperLink::InitializeLink() {
    const HWND window = Handle();

    // A static control reports mouse input to its own procedure only with SS_NOTIFY.
    wchar_t className[8] = {};
    if (GetClassNameW(window, className, 8) > 0 && lstrcmpiW(className, L"static") == 0) {
        const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
        if (!(style & SS_NOTIFY)) {
            SetWindowLongPtrW(window, GWL_STYLE, style | SS_NOTIFY);
        }
    }

    handCursor_ = LoadCursorW(nullptr, IDC_HAND);

    normalFont_ = reinterpret_cast<HFONT>(SendMessageW(GetParent(window), WM_GETFONT, 0, 0));
    if (normalFont_ == nullptr) {
        normalFont_ = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    }
    if (normalFont_ != nullptr && !linkFont_) {
        LOGFONTW font{};
        GetObjectW(normalFont_, sizeof(font), &font);
        font.lfUnderline = TRUE;
        linkFont_.reset(CreateFontIndirectW(&font));
    }

    tooltip_ =
        CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, window, nullptr, g_module.GetModuleInstance(), nullptr);

    if (!labelText_) {
        const int length = GetWindowTextLengthW(window);
        if (length > 0) {
            std::vector<wchar_t> text(static_cast<size_t>(length) + 1);
            if (GetWindowTextW(window, text.data(), length + 1) > 0) {
                SetLabelText(text.data());
            }
        }
    }

    ComputeLinkRect();

    if (!linkTarget_ && !(extendedStyle_ & LinkCommandButton) && labelText_) {
        SetLinkTarget(labelText_->c_str());
    }

    if (const std::optional<COLORREF> color = ReadAnchorColor()) {
        linkColor_ = *color;
    }
}

bool CHyperLink::SetLabelText(const wchar_t* text) {
    if (!CopyText(labelText_, text)) {
        return false;
    }
    ComputeLinkRect();
    if (Handle() != nullptr) {
        SetWindowTextW(Handle(), text);
    }
    return true;
}

bool CHyperLink::SetLinkTarget(const wchar_t* target) {
    if (!CopyText(linkTarget_, target)) {
        return false;
    }
    if (!labelText_) {
        ComputeLinkRect();
    }
    if (tooltip_ != nullptr) {
        SendMessageW(tooltip_, TTM_ACTIVATE, TRUE, 0);
        // The size that every version of the tooltip control accepts.
        TOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.hwnd = Handle();
        tool.uId = kToolId;
        tool.rect = linkRect_;
        tool.hinst = g_module.GetResourceInstance();
        tool.lpszText = const_cast<wchar_t*>(linkTarget_->c_str());
        SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    return true;
}

bool CHyperLink::ActivateLink() {
    const HWND window = Handle();
    const int id = GetDlgCtrlID(window);
    SendMessageW(GetParent(window), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(window));
    return true;
}

const wchar_t* CHyperLink::DisplayedText() const {
    if (labelText_) {
        return labelText_->c_str();
    }
    return linkTarget_ ? linkTarget_->c_str() : nullptr;
}

bool CHyperLink::ComputeLinkRect() {
    const HWND window = Handle();
    const wchar_t* text = DisplayedText();
    if (!::IsWindow(window) || text == nullptr) {
        return false;
    }
    HDC dc = GetDC(window);
    GetClientRect(window, &linkRect_);
    WithSelectedObject(dc, linkFont_.get(),
                       [&] { DrawTextW(dc, text, -1, &linkRect_, DT_CALCRECT | DT_WORDBREAK); });
    ReleaseDC(window, dc);
    return true;
}

bool CHyperLink::InLinkRect(LPARAM pointParam) const {
    const POINT point{GET_X_LPARAM(pointParam), GET_Y_LPARAM(pointParam)};
    return PtInRect(&linkRect_, point) != FALSE;
}

void CHyperLink::FillBackground(HDC dc) {
    const HWND window = Handle();
    const auto brush = reinterpret_cast<HBRUSH>(SendMessageW(GetParent(window), WM_CTLCOLORSTATIC,
                                                             reinterpret_cast<WPARAM>(dc),
                                                             reinterpret_cast<LPARAM>(window)));
    if (brush != nullptr) {
        RECT client{};
        GetClientRect(window, &client);
        FillRect(dc, &client, brush);
    }
}

void CHyperLink::PaintLink(HDC dc) {
    const HWND window = Handle();
    SetBkMode(dc, TRANSPARENT);
    const COLORREF color = IsWindowEnabled(window) ? linkColor_ : GetSysColor(COLOR_GRAYTEXT);
    const COLORREF previousColor = SetTextColor(dc, color);
    WithSelectedObject(dc, linkFont_ ? linkFont_.get() : normalFont_, [&] {
        if (const wchar_t* text = DisplayedText()) {
            RECT textRect = linkRect_;
            DrawTextW(dc, text, -1, &textRect, DT_WORDBREAK);
        }
        if (GetFocus() == window) {
            DrawFocusRect(dc, &linkRect_);
        }
    });
    SetTextColor(dc, previousColor);
}

void CHyperLink::Invalidate(bool update) {
    InvalidateRect(Handle(), nullptr, TRUE);
    if (update) {
        UpdateWindow(Handle());
    }
}

LRESULT CHyperLink::OnDestroy(UINT, WPARAM, LPARAM, bool& handled) {
    if (tooltip_ != nullptr) {
        DestroyWindow(tooltip_);
        tooltip_ = nullptr;
    }
    handled = false;
    return 0;
}

LRESULT CHyperLink::OnMouseMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    if (tooltip_ != nullptr) {
        MSG relayed{Handle(), message, wParam, lParam, 0, {0, 0}};
        SendMessageW(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    }
    handled = false; // the handlers below still see the message
    return 0;
}

LRESULT CHyperLink::OnEraseBackground(UINT, WPARAM, LPARAM, bool&) {
    return 1;
}

LRESULT CHyperLink::OnPaint(UINT, WPARAM wParam, LPARAM, bool&) {
    if (wParam != 0) {
        const auto dc = reinterpret_cast<HDC>(wParam);
        FillBackground(dc);
        PaintLink(dc);
        return 0;
    }
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(Handle(), &paint);
    FillBackground(dc);
    PaintLink(dc);
    EndPaint(Handle(), &paint);
    return 0;
}

LRESULT CHyperLink::OnFocusChange(UINT, WPARAM, LPARAM, bool&) {
    Invalidate(false);
    return 0;
}

LRESULT CHyperLink::OnMouseMove(UINT, WPARAM, LPARAM lParam, bool& handled) {
    if (InLinkRect(lParam)) {
        SetCursor(handCursor_);
    } else {
        handled = false;
    }
    return 0;
}

LRESULT CHyperLink::OnMouseLeave(UINT, WPARAM, LPARAM, bool&) {
    return 0;
}

LRESULT CHyperLink::OnLeftButtonDown(UINT, WPARAM, LPARAM lParam, bool&) {
    if (InLinkRect(lParam)) {
        SetFocus(Handle());
        SetCapture(Handle());
    }
    return 0;
}

LRESULT CHyperLink::OnLeftButtonUp(UINT, WPARAM, LPARAM lParam, bool&) {
    if (GetCapture() == Handle()) {
        ReleaseCapture();
        if (InLinkRect(lParam)) {
            ActivateLink();
        }
    }
    return 0;
}

LRESULT CHyperLink::OnChar(UINT, WPARAM wParam, LPARAM, bool&) {
    if (wParam == VK_RETURN || wParam == VK_SPACE) {
        ActivateLink();
    }
    return 0; // every other character is swallowed
}

LRESULT CHyperLink::OnGetDialogCode(UINT, WPARAM, LPARAM, bool&) {
    return DLGC_WANTCHARS;
}

LRESULT CHyperLink::OnSetCursor(UINT, WPARAM, LPARAM, bool& handled) {
    POINT point{};
    GetCursorPos(&point);
    ScreenToClient(Handle(), &point);
    if (PtInRect(&linkRect_, point)) {
        return 1; // keep the hand cursor set on the last mouse move
    }
    handled = false;
    return 0;
}

LRESULT CHyperLink::OnEnable(UINT, WPARAM, LPARAM, bool&) {
    Invalidate(true);
    return 0;
}

LRESULT CHyperLink::OnGetFont(UINT, WPARAM, LPARAM, bool&) {
    return reinterpret_cast<LRESULT>(normalFont_);
}

LRESULT CHyperLink::OnSetFont(UINT, WPARAM wParam, LPARAM lParam, bool&) {
    normalFont_ = reinterpret_cast<HFONT>(wParam);
    if (lParam != 0) {
        Invalidate(true);
    }
    return 0;
}

LRESULT CHyperLink::OnUpdateUiState(UINT, WPARAM, LPARAM, bool&) {
    return 0;
}

LRESULT CHyperLink::OnSize(UINT, WPARAM, LPARAM, bool&) {
    ComputeLinkRect();
    Invalidate(false);
    return 0;
}

} // namespace updater

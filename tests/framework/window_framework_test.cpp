// The link as users meet it: a click on its text, Enter or Space sends one command; a click
// beside the text, or one that ends beside it, sends none. Its text is drawn in the user's link
// colour, else in blue.

#include "framework/dialog_impl.h"
#include "framework/hyperlink.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <vector>

namespace updater {
namespace {

// The offer dialog's template with its "not now" static made a link, as the offer dialog does.
class LinkDlg : public CDialogImpl<LinkDlg> {
public:
    static constexpr UINT DialogTemplateId = IDD_OFFER;
    static const MessageMap<LinkDlg> messageMap;

    CHyperLink link{CHyperLink::LinkCommandButton};
    int commands = 0;

private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, bool&) {
        link.SubclassControl(GetDlgItem(Handle(), IDC_LINK));
        return TRUE;
    }
    LRESULT OnLink(WORD, WORD, HWND, bool&) {
        ++commands;
        return 0;
    }
};

const MessageMap<LinkDlg> LinkDlg::messageMap = {
    HandleMessage(WM_INITDIALOG, &LinkDlg::OnInitDialog),
    HandleCommand(IDC_LINK, &LinkDlg::OnLink),
};

// The user's link colour in HKCU for one case (none for null), and afterwards what was there.
class AnchorColorSetting {
public:
    explicit AnchorColorSetting(const wchar_t* value) {
        DWORD size = sizeof(saved_);
        had_ = RegGetValueW(HKEY_CURRENT_USER, kKey, kValue, RRF_RT_REG_SZ, nullptr, saved_,
                            &size) == ERROR_SUCCESS;
        Set(value);
    }
    ~AnchorColorSetting() { Set(had_ ? saved_ : nullptr); }

private:
    static constexpr wchar_t kKey[] = L"Software\\Microsoft\\Internet Explorer\\Settings";
    static constexpr wchar_t kValue[] = L"Anchor Color";
    static void Set(const wchar_t* value) {
        if (value == nullptr) {
            RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, kValue);
            return;
        }
        const auto bytes = static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t));
        RegSetKeyValueW(HKEY_CURRENT_USER, kKey, kValue, REG_SZ, value, bytes);
    }
    wchar_t saved_[64] = {};
    bool had_ = false;
};

// Whether the link, printed into a bitmap, has a pixel of `color` within its text.
bool DrawsTextIn(const CHyperLink& link, COLORREF color) {
    const RECT& text = link.LinkRect();
    BITMAPINFO info{};
    info.bmiHeader = {
        sizeof(BITMAPINFOHEADER), text.right, -text.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HDC dc = CreateCompatibleDC(nullptr);
    const HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ previous = SelectObject(dc, bitmap);
    SendMessageW(link.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    bool found = false;
    for (int y = text.top; y < text.bottom && !found; ++y) {
        for (int x = text.left; x < text.right && !found; ++x) {
            found = GetPixel(dc, x, y) == color;
        }
    }
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return found;
}

TEST(HyperLink, ClickOnTheTextEnterAndSpaceSendOneCommand) {
    struct Input {
        UINT message;
        bool besideText; // mouse messages: right of the text, still inside the control
        WPARAM key;
    };
    struct Case {
        const char* name;
        std::vector<Input> inputs;
        int commands;
        const wchar_t* anchorColor = nullptr; // the user's setting, "r,g,b"
        COLORREF textColor = RGB(0, 0, 255);
    };
    const Case cases[] = {
        {"click on the text", {{WM_LBUTTONDOWN, false, 0}, {WM_LBUTTONUP, false, 0}}, 1},
        {"click beside the text", {{WM_LBUTTONDOWN, true, 0}, {WM_LBUTTONUP, true, 0}}, 0},
        {"pressed on, released beside", {{WM_LBUTTONDOWN, false, 0}, {WM_LBUTTONUP, true, 0}}, 0},
        {"release alone", {{WM_LBUTTONUP, false, 0}}, 0},
        {"Enter", {{WM_CHAR, false, VK_RETURN}}, 1},
        {"Space", {{WM_CHAR, false, VK_SPACE}}, 1},
        {"another key", {{WM_CHAR, false, 'a'}}, 0},
        {"Enter, in the user's link colour",
         {{WM_CHAR, false, VK_RETURN}},
         1,
         L"12,34,56",
         RGB(12, 34, 56)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const AnchorColorSetting setting(c.anchorColor);
        LinkDlg dialog;
        ASSERT_NE(nullptr, dialog.CreateModeless());
        ShowWindow(dialog.Handle(), SW_SHOWNOACTIVATE);
        const RECT& text = dialog.link.LinkRect();
        ASSERT_GT(text.right, 0) << "the label was measured";
        EXPECT_TRUE(DrawsTextIn(dialog.link, c.textColor));
        for (const Input& input : c.inputs) {
            const int x = input.besideText ? text.right + 5 : text.right / 2;
            const LPARAM point = MAKELPARAM(x, (text.top + text.bottom) / 2);
            SendMessageW(dialog.link.Handle(), input.message,
                         input.message == WM_CHAR ? input.key : 0,
                         input.message == WM_CHAR ? 1 : point);
        }
        EXPECT_EQ(c.commands, dialog.commands);
        DestroyWindow(dialog.Handle());
    }
}

} // namespace
} // namespace updater

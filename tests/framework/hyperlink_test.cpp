#include "framework/hyperlink.h"

#include "framework/dialog_impl.h"
#include "anchor_color_value.h"
#include "test_dialog_ids.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace updater {
namespace {

using framework_testing::AnchorColorValue;

struct Command {
    WORD notifyCode;
    WORD id;
    HWND control;
};

// A dialog whose static control IDC_LINK becomes a link, as the offer dialog does it.
class LinkDlg : public CDialogImpl<LinkDlg> {
public:
    static constexpr UINT DialogTemplateId = IDD_LINK;
    static const MessageMap<LinkDlg> messageMap;

    CHyperLink link;
    bool subclassed = false;
    std::vector<Command> commands;

private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, bool&) {
        subclassed = link.SubclassControl(GetDlgItem(Handle(), IDC_LINK));
        link.SetExtendedStyle(CHyperLink::LinkCommandButton);
        return TRUE;
    }
    LRESULT OnLinkCommand(WORD notifyCode, WORD id, HWND control, bool&) {
        commands.push_back({notifyCode, id, control});
        return 0;
    }
};

const MessageMap<LinkDlg> LinkDlg::messageMap = {
    HandleMessage(WM_INITDIALOG, &LinkDlg::OnInitDialog),
    HandleCommand(IDC_LINK, &LinkDlg::OnLinkCommand),
};

LPARAM PointParam(POINT point) {
    return MAKELPARAM(point.x, point.y);
}

class HyperLinkTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(colorValue_.Remove()); // the default colour unless a test sets one
        ASSERT_NE(nullptr, dialog_.CreateModeless());
        ShowWindow(dialog_.Handle(), SW_SHOWNOACTIVATE);
        UpdateWindow(dialog_.Handle());
        ASSERT_TRUE(dialog_.subclassed);
        linkWindow_ = dialog_.link.Handle();
        ASSERT_NE(nullptr, linkWindow_);
    }
    void TearDown() override {
        if (dialog_.Handle() != nullptr) {
            DestroyWindow(dialog_.Handle());
        }
    }

    const RECT& LinkRect() const { return dialog_.link.LinkRect(); }
    POINT InsideText() const {
        return {(LinkRect().left + LinkRect().right) / 2, (LinkRect().top + LinkRect().bottom) / 2};
    }
    // Inside the static control but right of the measured text.
    POINT BesideText() const { return {LinkRect().right + 10, InsideText().y}; }

    AnchorColorValue colorValue_;
    LinkDlg dialog_;
    HWND linkWindow_ = nullptr;
};

TEST_F(HyperLinkTest, LabelAndTooltipComeFromTheStaticText) {
    ASSERT_TRUE(dialog_.link.LabelText().has_value());
    EXPECT_EQ(L"暂不升级", *dialog_.link.LabelText());
    EXPECT_EQ(CHyperLink::LinkCommandButton, dialog_.link.ExtendedStyle());
    EXPECT_EQ(RGB(0, 0, 255), dialog_.link.LinkColor());

    const HWND tooltip = dialog_.link.Tooltip();
    ASSERT_NE(nullptr, tooltip);
    EXPECT_EQ(1, SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0));
    wchar_t text[80] = {};
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = linkWindow_;
    tool.uId = 1;
    tool.lpszText = text;
    SendMessageW(tooltip, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&tool));
    EXPECT_EQ(*dialog_.link.LabelText(), std::wstring(text));
}

TEST_F(HyperLinkTest, LinkRectangleCoversTheTextNotTheWholeControl) {
    RECT client{};
    GetClientRect(linkWindow_, &client);
    EXPECT_EQ(0, LinkRect().left);
    EXPECT_EQ(0, LinkRect().top);
    EXPECT_GT(LinkRect().right, 0);
    EXPECT_LT(LinkRect().right + 10, client.right) << "the control is wider than its text";
    EXPECT_TRUE(GetWindowLongPtrW(linkWindow_, GWL_STYLE) & SS_NOTIFY);
}

TEST_F(HyperLinkTest, HandCursorOnlyOverTheText) {
    const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
    const HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    struct Case {
        const char* name;
        POINT point;
        bool hand;
    };
    const Case cases[] = {
        {"inside the text", InsideText(), true},
        {"beside the text", BesideText(), false},
    };
    for (const Case& c : cases) {
        SetCursor(arrow);
        SendMessageW(linkWindow_, WM_MOUSEMOVE, 0, PointParam(c.point));
        EXPECT_EQ(c.hand, GetCursor() == hand) << c.name;
    }
}

TEST_F(HyperLinkTest, ClickActivatesOnlyWhenPressAndReleaseAreOnTheText) {
    struct Case {
        const char* name;
        POINT press;
        POINT release;
        size_t commands;
    };
    const Case cases[] = {
        {"press and release inside", InsideText(), InsideText(), 1},
        {"press inside, release outside", InsideText(), BesideText(), 0},
        {"press outside, release inside", BesideText(), InsideText(), 0},
    };
    for (const Case& c : cases) {
        dialog_.commands.clear();
        SendMessageW(linkWindow_, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(c.press));
        SendMessageW(linkWindow_, WM_LBUTTONUP, 0, PointParam(c.release));
        EXPECT_EQ(c.commands, dialog_.commands.size()) << c.name;
        EXPECT_NE(linkWindow_, GetCapture()) << c.name << ": the capture was kept";
    }
}

TEST_F(HyperLinkTest, EnterAndSpaceSendTheCommandOtherKeysAreSwallowed) {
    struct Case {
        WPARAM character;
        size_t commands;
    };
    const Case cases[] = {{VK_RETURN, 1}, {VK_SPACE, 1}, {L'x', 0}, {VK_ESCAPE, 0}};
    for (const Case& c : cases) {
        dialog_.commands.clear();
        EXPECT_EQ(0, SendMessageW(linkWindow_, WM_CHAR, c.character, 0));
        ASSERT_EQ(c.commands, dialog_.commands.size()) << "character " << c.character;
        if (c.commands == 1) {
            EXPECT_EQ(0, dialog_.commands[0].notifyCode);
            EXPECT_EQ(IDC_LINK, dialog_.commands[0].id);
            EXPECT_EQ(linkWindow_, dialog_.commands[0].control);
        }
    }
    EXPECT_EQ(DLGC_WANTCHARS, SendMessageW(linkWindow_, WM_GETDLGCODE, 0, 0));
}

// Draws the control into a 32-bit bitmap and counts the pixels of one colour.
int CountPixels(HWND window, COLORREF color) {
    RECT client{};
    GetClientRect(window, &client);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = client.right;
    info.bmiHeader.biHeight = -client.bottom;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
    GdiFlush();
    const DWORD wanted = (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
    const auto* pixels = static_cast<const DWORD*>(bits);
    int count = 0;
    for (LONG i = 0; i < client.right * client.bottom; ++i) {
        count += (pixels[i] & 0x00FFFFFF) == wanted ? 1 : 0;
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return count;
}

TEST_F(HyperLinkTest, DisabledLinkDrawsInTheGreyTextColour) {
    const COLORREF link = dialog_.link.LinkColor();
    const COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
    ASSERT_NE(link, grey);
    EXPECT_GT(CountPixels(linkWindow_, link), 0) << "enabled: link colour";

    EnableWindow(linkWindow_, FALSE);
    EXPECT_GT(CountPixels(linkWindow_, grey), 0) << "disabled: grey text";
    EXPECT_EQ(0, CountPixels(linkWindow_, link)) << "disabled: no link colour";
}

TEST(HyperLink, TakesItsColourFromTheAnchorColorSetting) {
    AnchorColorValue value;
    ASSERT_TRUE(value.SetText(L"0,128,255"));
    LinkDlg dialog;
    ASSERT_NE(nullptr, dialog.CreateModeless());
    EXPECT_EQ(0x00FF8000u, dialog.link.LinkColor());
    DestroyWindow(dialog.Handle());
}

TEST(HyperLink, DestroyingTheControlRemovesTheTooltipAndUnbinds) {
    LinkDlg dialog;
    ASSERT_NE(nullptr, dialog.CreateModeless());
    const HWND tooltip = dialog.link.Tooltip();
    ASSERT_TRUE(IsWindow(tooltip));
    DestroyWindow(dialog.Handle());
    EXPECT_FALSE(IsWindow(tooltip));
    EXPECT_EQ(nullptr, dialog.link.Tooltip());
    EXPECT_EQ(nullptr, dialog.link.Handle());
}

} // namespace
} // namespace updater

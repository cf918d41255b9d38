// The framework's behaviour that users meet: the link reacts to clicks and keys, windows come
// up centred, and the link colour setting is read.

#include "framework/dialog_impl.h"
#include "framework/hyperlink.h"
#include "framework/link_color.h"
#include "framework/window.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

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
    };
    const Case cases[] = {
        {"click on the text", {{WM_LBUTTONDOWN, false, 0}, {WM_LBUTTONUP, false, 0}}, 1},
        {"click beside the text", {{WM_LBUTTONDOWN, true, 0}, {WM_LBUTTONUP, true, 0}}, 0},
        {"pressed on, released beside", {{WM_LBUTTONDOWN, false, 0}, {WM_LBUTTONUP, true, 0}}, 0},
        {"release alone", {{WM_LBUTTONUP, false, 0}}, 0},
        {"Enter", {{WM_CHAR, false, VK_RETURN}}, 1},
        {"Space", {{WM_CHAR, false, VK_SPACE}}, 1},
        {"another key", {{WM_CHAR, false, 'a'}}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LinkDlg dialog;
        ASSERT_NE(nullptr, dialog.CreateModeless());
        ShowWindow(dialog.Handle(), SW_SHOWNOACTIVATE);
        const RECT& text = dialog.link.LinkRect();
        ASSERT_GT(text.right, 0) << "the label was measured";
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

RECT Rect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

HWND Popup(RECT at, DWORD style, HWND owner = nullptr) {
    return CreateWindowExW(0, L"STATIC", L"", WS_POPUP | style, at.left, at.top, at.right - at.left,
                           at.bottom - at.top, owner, nullptr, nullptr, nullptr);
}

TEST(CenterOver, CentresOverTheOwnerWhenShownOtherwiseInTheWorkArea) {
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    const LONG areaWidth = area.right - area.left, areaHeight = area.bottom - area.top;
    enum class Owner { None, Visible, Hidden, Minimised, NearCorner };
    struct Case {
        const char* name;
        Owner owner;
        SIZE size;
        POINT expected; // left and top of the placed window
    };
    const RECT ownerAt{30, 40, 330, 240};
    const Case cases[] = {
        {"visible owner", Owner::Visible, {101, 81}, {180 - 50, 140 - 40}},
        {"no owner",
         Owner::None,
         {100, 80},
         {area.left + areaWidth / 2 - 50, area.top + areaHeight / 2 - 40}},
        {"hidden owner",
         Owner::Hidden,
         {100, 80},
         {area.left + areaWidth / 2 - 50, area.top + areaHeight / 2 - 40}},
        {"minimised owner",
         Owner::Minimised,
         {100, 80},
         {area.left + areaWidth / 2 - 50, area.top + areaHeight / 2 - 40}},
        {"kept inside the work area",
         Owner::NearCorner,
         {200, 100},
         {area.right - 200, area.bottom - 100}},
        {"larger than the work area",
         Owner::None,
         {areaWidth + 200, areaHeight + 100},
         {area.left, area.top}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const RECT at = c.owner == Owner::NearCorner ? RECT{area.right - 60, area.bottom - 40,
                                                            area.right - 10, area.bottom - 10}
                                                     : ownerAt;
        const HWND owner = Popup(at, c.owner == Owner::Hidden ? 0 : WS_VISIBLE);
        if (c.owner == Owner::Minimised) {
            ShowWindow(owner, SW_SHOWMINNOACTIVE);
        }
        const HWND window = Popup({500, 500, 500 + c.size.cx, 500 + c.size.cy}, 0,
                                  c.owner == Owner::None ? nullptr : owner);
        EXPECT_TRUE(CWindow(window).CenterOver());
        const RECT placed = Rect(window);
        EXPECT_EQ(c.expected.x, placed.left);
        EXPECT_EQ(c.expected.y, placed.top);
        EXPECT_EQ(c.size.cx, placed.right - placed.left) << "the size stays";
        DestroyWindow(window);
        DestroyWindow(owner);
    }
}

TEST(ParseColorText, ReadsRedGreenBlueInDecimal) {
    struct Case {
        const wchar_t* text;
        COLORREF color;
    };
    const Case cases[] = {
        {L"0,0,255", RGB(0, 0, 255)},      {L"12, 34 ,56", RGB(12, 34, 56)},
        {L"256,1,2", RGB(0, 1, 2)},        {L"1,2", kInvalidColor},
        {L"1,2,", kInvalidColor},          {L"-1,0,0", kInvalidColor},
        {L"red,green,blue", RGB(0, 0, 0)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.color, ParseColorText(c.text)) << testing::PrintToString(std::wstring(c.text));
    }
}

} // namespace
} // namespace updater

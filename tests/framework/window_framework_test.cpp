// The link as users meet it: a click on its text, Enter or Space sends one command; a click
// beside the text, or one that ends beside it, sends none.

#include "framework/dialog_impl.h"
#include "framework/hyperlink.h"
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

} // namespace
} // namespace updater

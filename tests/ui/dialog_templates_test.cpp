// The dialog templates as written into the exe, and the dialogs the system builds from them.
// The two captions must stay equal to the ones a second instance searches for.

#include "dialog_template_reader.h"
#include "resources/resource.h"
#include "ui/dialog_captions.h"

#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace updater {
namespace {

using testing_support::DialogItem;
using testing_support::DialogTemplate;
using testing_support::ReadDialogTemplate;

struct ExpectedControl {
    int id;
    const wchar_t* className;
    const wchar_t* text; // nullptr: the title is the icon ordinal IDI_APP
    short x, y, cx, cy;
    DWORD style;
};

struct ExpectedDialog {
    WORD templateId;
    bool extended;
    const wchar_t* caption;
    short cx, cy;
    DWORD style;
    WORD pointSize;
    WORD weight;
    BYTE charset;
    const wchar_t* typeface;
    std::vector<ExpectedControl> controls;
};

const ExpectedDialog kOfferDialog = {
    IDD_OFFER,
    true,
    L"发现新版本！是否立即升级？",
    298,
    195,
    WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_SETFONT,
    8,
    0,
    0,
    L"MS Sans Serif",
    {
        {IDOK, L"Button", L"立即升级", 223, 172, 68, 16, 0x50010001},
        {IDC_HEADER, L"Static", L"发现新版本！是否立即升级？", 7, 10, 220, 14, 0x50020000},
        {IDC_OFFER_TEXT, L"RichEdit20A", L"", 7, 31, 284, 132, 0x50A11844},
        {IDC_LINK, L"Static", L"暂不升级", 16, 180, 38, 8, 0x50020000},
    },
};

const ExpectedDialog kProgressDialog = {
    IDD_PROGRESS,
    true,
    L"正在升级，请稍候......",
    265,
    87,
    0x80C800C8,
    8,
    400,
    1,
    L"MS Shell Dlg",
    {
        {IDOK, L"Button", L"最小化", 178, 66, 80, 14, 0x50010001},
        {IDC_HEADER, L"Static", L"正在升级，请稍候......", 7, 23, 121, 11, 0x50020000},
        {IDC_PROGRESS_BAR, L"msctls_progress32", L"", 7, 41, 251, 10, 0x50800000},
    },
};

const ExpectedDialog kAboutDialog = {
    IDD_ABOUT,
    false,
    L"About",
    187,
    102,
    WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
    8,
    0,
    0,
    L"MS Sans Serif",
    {
        {IDOK, L"Button", L"OK", 130, 81, 50, 14,
         WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON},
        {-1, L"Static", L"Updater\nVersion 1.0", 25, 57, 78, 32, WS_CHILD | WS_VISIBLE | SS_CENTER},
        {-1, L"Static", nullptr, 55, 26, 18, 20, WS_CHILD | WS_VISIBLE | SS_ICON},
        {-1, L"Button", L"", 7, 7, 115, 88, WS_CHILD | WS_VISIBLE | BS_GROUPBOX},
    },
};

const ExpectedDialog* const kAllDialogs[] = {&kOfferDialog, &kProgressDialog, &kAboutDialog};

std::string Printable(const std::wstring& text) {
    return testing::PrintToString(text);
}

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(GetWindowTextW(window, &text[0], static_cast<int>(text.size()))));
    return text;
}

std::wstring ClassName(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

// The box is the ANSI rich-edit class; asking for UTF-16 explicitly avoids any code page.
std::wstring RichEditText(HWND richEdit) {
    wchar_t buffer[8192] = {};
    GETTEXTEX request = {sizeof(buffer), GT_DEFAULT, 1200, nullptr, nullptr};
    SendMessageW(richEdit, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request),
                 reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

struct WindowDestroyer {
    void operator()(HWND window) const { DestroyWindow(window); }
};
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

class DialogTemplates : public testing::Test {
protected:
    // The offer dialog's text box is a rich-edit control and the progress dialog holds a
    // progress bar: both classes must be registered before the dialogs are built.
    static void SetUpTestSuite() {
        richEdit_ = LoadLibraryW(L"RICHED20.DLL");
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES};
        InitCommonControlsEx(&controls);
    }
    static void TearDownTestSuite() {
        if (richEdit_ != nullptr) {
            FreeLibrary(richEdit_);
            richEdit_ = nullptr;
        }
    }

    static HMODULE richEdit_;
};
HMODULE DialogTemplates::richEdit_ = nullptr;

TEST_F(DialogTemplates, CaptionsMatchTheOnesSearchedForByASecondInstance) {
    EXPECT_EQ(std::wstring(kOfferDialogCaption), kOfferDialog.caption);
    EXPECT_EQ(std::wstring(kProgressDialogCaption), kProgressDialog.caption);
}

TEST_F(DialogTemplates, HoldTheSpecifiedFrameFontAndControls) {
    const HMODULE module = GetModuleHandleW(nullptr);
    for (const ExpectedDialog* want : kAllDialogs) {
        SCOPED_TRACE("template " + std::to_string(want->templateId));
        DialogTemplate dialog;
        ASSERT_TRUE(ReadDialogTemplate(module, want->templateId, dialog));
        EXPECT_EQ(want->extended, dialog.extended);
        EXPECT_EQ(want->style, dialog.style);
        EXPECT_EQ(0u, dialog.exStyle);
        EXPECT_EQ(0, dialog.x);
        EXPECT_EQ(0, dialog.y);
        EXPECT_EQ(want->cx, dialog.cx);
        EXPECT_EQ(want->cy, dialog.cy);
        EXPECT_FALSE(dialog.menu.isOrdinal || !dialog.menu.name.empty());
        EXPECT_FALSE(dialog.windowClass.isOrdinal || !dialog.windowClass.name.empty());
        EXPECT_EQ(want->caption, dialog.caption);
        EXPECT_EQ(want->pointSize, dialog.pointSize);
        EXPECT_EQ(want->weight, dialog.weight);
        EXPECT_EQ(0, dialog.italic);
        EXPECT_EQ(want->charset, dialog.charset);
        EXPECT_EQ(want->typeface, dialog.typeface);

        ASSERT_EQ(want->controls.size(), dialog.items.size());
        for (size_t k = 0; k < want->controls.size(); ++k) {
            const ExpectedControl& expected = want->controls[k];
            const DialogItem& item = dialog.items[k];
            SCOPED_TRACE("control " + std::to_string(k));
            EXPECT_EQ(expected.id, item.id);
            // Class names are case-insensitive; the resource compiler stores them upper-cased.
            EXPECT_EQ(0, lstrcmpiW(expected.className, item.className.c_str()))
                << Printable(item.className);
            if (expected.text == nullptr) {
                EXPECT_TRUE(item.title.isOrdinal);
                EXPECT_EQ(IDI_APP, item.title.ordinal);
            } else {
                EXPECT_FALSE(item.title.isOrdinal);
                EXPECT_EQ(expected.text, item.title.name);
            }
            EXPECT_EQ(expected.x, item.x);
            EXPECT_EQ(expected.y, item.y);
            EXPECT_EQ(expected.cx, item.cx);
            EXPECT_EQ(expected.cy, item.cy);
            EXPECT_EQ(expected.style, item.style) << std::hex << item.style;
            EXPECT_EQ(0u, item.exStyle);
        }
    }
}

TEST_F(DialogTemplates, BuildDialogsWithTheSpecifiedControls) {
    const HMODULE module = GetModuleHandleW(nullptr);
    for (const ExpectedDialog* want : kAllDialogs) {
        SCOPED_TRACE("template " + std::to_string(want->templateId));
        UniqueWindow dialog(CreateDialogParamW(module, MAKEINTRESOURCEW(want->templateId), nullptr,
                                               PlainDialogProc, 0));
        ASSERT_NE(nullptr, dialog.get()) << "error " << GetLastError();
        EXPECT_EQ(want->caption, WindowText(dialog.get()));
        const DWORD style = static_cast<DWORD>(GetWindowLongW(dialog.get(), GWL_STYLE));
        EXPECT_EQ(want->style, style & want->style) << std::hex << style;
        EXPECT_EQ(want->style & WS_POPUP, style & WS_POPUP) << std::hex << style;
        EXPECT_FALSE(style & WS_VISIBLE);

        HWND child = GetWindow(dialog.get(), GW_CHILD);
        for (size_t k = 0; k < want->controls.size(); ++k) {
            const ExpectedControl& expected = want->controls[k];
            SCOPED_TRACE("control " + std::to_string(k));
            ASSERT_NE(nullptr, child);
            EXPECT_EQ(static_cast<WORD>(expected.id), static_cast<WORD>(GetDlgCtrlID(child)));
            EXPECT_EQ(expected.className, ClassName(child));
            if (expected.text != nullptr) {
                EXPECT_EQ(expected.text, WindowText(child));
            } else {
                EXPECT_NE(0, SendMessageW(child, STM_GETICON, 0, 0)) << "icon not loaded";
            }
            // Borders become edges drawn by the dialog manager or the control, and the rich-edit
            // box shows its scroll bar only while the text overflows: leave those bits out.
            const DWORD selfManaged = WS_BORDER | WS_VSCROLL;
            const DWORD childStyle = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE));
            EXPECT_EQ(expected.style & ~selfManaged, childStyle & ~selfManaged)
                << std::hex << childStyle;
            child = GetWindow(child, GW_HWNDNEXT);
        }
        EXPECT_EQ(nullptr, child) << "more controls than specified";
    }
}

TEST_F(DialogTemplates, OfferTextScrollsWhenLongAndCannotBeEdited) {
    UniqueWindow dialog(CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_OFFER),
                                           nullptr, PlainDialogProc, 0));
    ASSERT_NE(nullptr, dialog.get()) << "error " << GetLastError();
    HWND text = GetDlgItem(dialog.get(), IDC_OFFER_TEXT);
    ASSERT_NE(nullptr, text);
    std::wstring longText;
    for (int line = 1; line <= 60; ++line) {
        longText += L"第 " + std::to_wstring(line) + L" 行：更新说明\r\n";
    }
    ASSERT_TRUE(SetWindowTextW(text, longText.c_str()));
    EXPECT_TRUE(GetWindowLongW(text, GWL_STYLE) & WS_VSCROLL);
    EXPECT_TRUE(GetWindowLongW(text, GWL_STYLE) & ES_READONLY);
    // The box holds the Chinese text unchanged, and typing into it changes nothing.
    const std::wstring shown = RichEditText(text);
    EXPECT_EQ(0u, shown.find(L"第 1 行：更新说明")) << Printable(shown.substr(0, 20));
    EXPECT_NE(std::wstring::npos, shown.find(L"第 60 行：更新说明"));
    SendMessageW(text, WM_CHAR, L'x', 0);
    EXPECT_EQ(shown, RichEditText(text));
}

} // namespace
} // namespace updater

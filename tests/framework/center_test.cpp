#include "framework/window.h"

#include <gtest/gtest.h>

namespace updater {
namespace {

class Popup {
public:
    Popup(int x, int y, int width, int height, DWORD style = 0, HWND owner = nullptr)
        : window_(CreateWindowExW(0, L"STATIC", L"", WS_POPUP | style, x, y, width, height, owner,
                                  nullptr, GetModuleHandleW(nullptr), nullptr)) {}
    ~Popup() { DestroyWindow(window_); }
    Popup(const Popup&) = delete;
    Popup& operator=(const Popup&) = delete;
    HWND Handle() const { return window_; }

private:
    HWND window_;
};

RECT WorkArea() {
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

RECT WindowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

POINT CentredOrigin(const RECT& over, int width, int height) {
    return {(over.left + over.right) / 2 - width / 2, (over.top + over.bottom) / 2 - height / 2};
}

TEST(CenterOver, TopLevelWindowCentresOverItsOwnerOnlyWhenItIsShownNormally) {
    enum class Owner { None, Visible, Hidden, Minimised };
    struct Case {
        const char* name;
        Owner owner;
    };
    const Case cases[] = {
        {"no owner", Owner::None},
        {"visible owner", Owner::Visible},
        {"hidden owner", Owner::Hidden},
        {"minimised owner", Owner::Minimised},
    };
    for (const Case& c : cases) {
        Popup owner(30, 40, 300, 200, c.owner == Owner::Hidden ? 0 : WS_VISIBLE);
        if (c.owner == Owner::Minimised) {
            ShowWindow(owner.Handle(), SW_SHOWMINNOACTIVE);
            ASSERT_TRUE(GetWindowLongPtrW(owner.Handle(), GWL_STYLE) & WS_MINIMIZE);
        }
        const RECT ownerRect = WindowRect(owner.Handle());
        Popup window(500, 500, 101, 81, 0, c.owner == Owner::None ? nullptr : owner.Handle());
        EXPECT_TRUE(CWindow(window.Handle()).CenterOver()) << c.name;

        const RECT& over = c.owner == Owner::Visible ? ownerRect : WorkArea();
        const POINT expected = CentredOrigin(over, 101, 81);
        const RECT placed = WindowRect(window.Handle());
        EXPECT_EQ(expected.x, placed.left) << c.name;
        EXPECT_EQ(expected.y, placed.top) << c.name;
        EXPECT_EQ(101, placed.right - placed.left) << c.name << ": the size must not change";
    }
}

TEST(CenterOver, WindowLargerThanTheWorkAreaSitsAtItsLeftAndTopEdges) {
    const RECT area = WorkArea();
    const int width = area.right - area.left + 200;
    const int height = area.bottom - area.top + 100;
    Popup window(300, 300, width, height);
    ASSERT_EQ(width, WindowRect(window.Handle()).right - WindowRect(window.Handle()).left);
    CWindow(window.Handle()).CenterOver();
    EXPECT_EQ(area.left, WindowRect(window.Handle()).left);
    EXPECT_EQ(area.top, WindowRect(window.Handle()).top);
}

TEST(CenterOver, WindowNearAnEdgeIsKeptInsideTheWorkArea) {
    const RECT area = WorkArea();
    Popup owner(area.right - 60, area.bottom - 40, 50, 30, WS_VISIBLE);
    Popup window(0, 0, 200, 100, 0, owner.Handle());
    CWindow(window.Handle()).CenterOver();
    EXPECT_EQ(area.right - 200, WindowRect(window.Handle()).left);
    EXPECT_EQ(area.bottom - 100, WindowRect(window.Handle()).top);
}

TEST(CenterOver, ChildIsCentredInItsParentsClientArea) {
    Popup parent(50, 60, 400, 300, WS_VISIBLE);
    const HWND child =
        CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 100, 50, parent.Handle(),
                        nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, child);
    CWindow(child).CenterOver();

    RECT client{};
    GetClientRect(parent.Handle(), &client);
    RECT placed = WindowRect(child);
    MapWindowPoints(nullptr, parent.Handle(), reinterpret_cast<POINT*>(&placed), 2);
    const POINT expected = CentredOrigin(client, 100, 50);
    EXPECT_EQ(expected.x, placed.left);
    EXPECT_EQ(expected.y, placed.top);
}

} // namespace
} // namespace updater

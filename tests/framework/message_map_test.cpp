#include "framework/window_impl.h"

#include <gtest/gtest.h>

#include <string>

namespace updater {
namespace {

// A map exercised without a window: entry kinds, order, the handled flag and map ids.
class MapProbe : public CWindowImpl<MapProbe> {
public:
    static const MessageMap<MapProbe> messageMap;
    std::string log;

private:
    LRESULT Keep(UINT, WPARAM, LPARAM, bool&) {
        log += "keep ";
        return 1;
    }
    LRESULT PassOn(UINT, WPARAM, LPARAM, bool& handled) {
        log += "pass ";
        handled = false;
        return 99;
    }
    LRESULT KeepRange(UINT, WPARAM, LPARAM, bool&) {
        log += "range ";
        return 2;
    }
    LRESULT Command(WORD notifyCode, WORD id, HWND control, bool&) {
        log += "command " + std::to_string(notifyCode) + " " + std::to_string(id) + " " +
               std::to_string(reinterpret_cast<INT_PTR>(control)) + " ";
        return 3;
    }
};

const MessageMap<MapProbe> MapProbe::messageMap = {
    HandleMessage(WM_APP, &MapProbe::Keep),
    HandleMessage(WM_APP + 1, &MapProbe::PassOn),
    HandleMessageRange(WM_APP, WM_APP + 9, &MapProbe::KeepRange),
    HandleCommand(100, &MapProbe::Command),
    HandleMessage(WM_COMMAND, &MapProbe::PassOn),
};

TEST(MessageMap, TriesEntriesInOrderUntilOneKeepsTheMessage) {
    struct Case {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        DWORD mapId;
        bool handled;
        LRESULT result; // -5: left as it was
        std::string log;
    };
    const Case cases[] = {
        {WM_APP, 0, 0, 0, true, 1, "keep "},
        {WM_APP + 1, 0, 0, 0, true, 2, "pass range "}, // a cleared flag passes it on
        {WM_APP + 9, 0, 0, 0, true, 2, "range "},
        {WM_APP + 10, 0, 0, 0, false, -5, ""},
        {WM_COMMAND, MAKEWPARAM(100, 7), 42, 0, true, 3, "command 7 100 42 "},
        {WM_COMMAND, MAKEWPARAM(101, 0), 0, 0, false, -5, "pass "},
        {WM_NOTIFY, 100, 0, 0, false, -5, ""}, // only WM_COMMAND matches a command id
        {WM_APP, 0, 0, 1, false, -5, ""},      // only map 0 exists
    };
    for (const Case& c : cases) {
        MapProbe probe;
        LRESULT result = -5;
        const bool handled =
            probe.ProcessMessage(nullptr, c.message, c.wParam, c.lParam, result, c.mapId);
        EXPECT_EQ(c.handled, handled) << "message 0x" << std::hex << c.message;
        EXPECT_EQ(c.result, result) << "message 0x" << std::hex << c.message;
        EXPECT_EQ(c.log, probe.log) << "message 0x" << std::hex << c.message;
    }
}

} // namespace
} // namespace updater

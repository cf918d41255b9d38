// Sets the process up as start-up does: the module object initialised with this exe and the
// common controls (for the tooltip) registered.

#include "framework/app_module.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

namespace {

class ModuleEnvironment : public testing::Environment {
public:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES};
        ASSERT_TRUE(InitCommonControlsEx(&controls));
        ASSERT_EQ(S_OK, updater::g_module.Initialize(GetModuleHandleW(nullptr)));
    }
    void TearDown() override { updater::g_module.Terminate(); }
};

testing::Environment* const environment = testing::AddGlobalTestEnvironment(new ModuleEnvironment);

} // namespace

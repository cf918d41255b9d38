// Sets the process up as start-up does before any dialog exists: common controls (progress
// bar, tooltips), the rich-edit library and the module object.

#include "framework/app_module.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

namespace {

class UiEnvironment : public testing::Environment {
public:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES};
        ASSERT_TRUE(InitCommonControlsEx(&controls));
        richEdit_ = LoadLibraryW(L"RICHED20.DLL");
        ASSERT_NE(nullptr, richEdit_);
        ASSERT_EQ(S_OK, updater::g_module.Initialize(GetModuleHandleW(nullptr)));
    }
    void TearDown() override {
        updater::g_module.Terminate();
        FreeLibrary(richEdit_);
    }

private:
    HMODULE richEdit_ = nullptr;
};

testing::Environment* const environment = testing::AddGlobalTestEnvironment(new UiEnvironment);

} // namespace

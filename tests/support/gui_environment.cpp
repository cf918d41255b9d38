// Sets a GUI test program up as the updater's start-up does before any dialog exists.

#include "framework/app_module.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <gtest/gtest.h>

namespace {

class GuiEnvironment : public testing::Environment {
public:
    void SetUp() override {
        CoInitialize(nullptr);
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES};
        ASSERT_TRUE(InitCommonControlsEx(&controls));
        richEdit_ = LoadLibraryW(L"RICHED20.DLL");
        ASSERT_NE(nullptr, richEdit_);
        ASSERT_EQ(S_OK, updater::g_module.Initialize(GetModuleHandleW(nullptr)));
    }
    void TearDown() override {
        updater::g_module.Terminate();
        FreeLibrary(richEdit_);
        CoUninitialize();
    }

private:
    HMODULE richEdit_ = nullptr;
};

testing::Environment* const environment = testing::AddGlobalTestEnvironment(new GuiEnvironment);

} // namespace

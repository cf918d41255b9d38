// The sample setup program that scripts/demo serves: it only says that it was started.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    MessageBoxW(nullptr, L"示例安装程序已启动。\r\n（真正的安装程序会在这里安装新版本。）",
                L"示例安装程序", MB_OK | MB_ICONINFORMATION);
    return 0;
}

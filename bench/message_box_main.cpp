// The least a GUI exe can do to show something: one message box. The time until it is
// visible is the yardstick for the program's time to its offer dialog.

#include "startup_stamps.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    bench::Stamp("message box called");
    MessageBoxW(nullptr, L"bench", L"bench message box", MB_OK);
    bench::WriteStamps();
    return 0;
}

// The updater's entry point. The whole run, set-up and teardown included, is RunUpdater's, which
// the start-up benchmark calls as well.

#include "app/startup.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPWSTR commandLine,
                    int showCommand) {
    return updater::RunUpdater(instance, commandLine, showCommand);
}

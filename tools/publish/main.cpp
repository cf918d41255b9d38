// updater-publish: every step of publishing an update, with the platform's crypto and the
// updater's own checks. make-key makes the vendor's signing key once; make-descriptor writes
// and signs the descriptor of a setup program; check walks through the update check as
// updater.exe would make it.

#include "tools/publish/commands.h"
#include "tools/publish/output.h"

#include <string>

namespace {

constexpr wchar_t kUsage[] =
    L"usage: updater-publish make-key [--out DIR]\n"
    L"       updater-publish make-descriptor --version VERSION --url URL --notes FILE\n"
    L"                       [--key PEM] [--expires DAYS] [--product NAME] [--out FILE] SETUP\n"
    L"       updater-publish check [--config PATH\\config.ini | --installed VERSION]\n"
    L"                       [--publickey BASE64] DESCRIPTOR\n"
    L"\"updater-publish COMMAND --help\" tells more about each command.\n";

struct Command {
    const wchar_t* name;
    int (*run)(const Arguments& arguments);
};

constexpr Command kCommands[] = {
    {L"make-key", MakeKeyCommand},
    {L"make-descriptor", MakeDescriptorCommand},
    {L"check", CheckCommand},
};

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring name = argc > 1 ? argv[1] : L"";
    for (const Command& command : kCommands) {
        if (name == command.name) {
            return command.run(Arguments(argv + 2, argv + argc));
        }
    }
    if (name == L"--help" || name == L"-h" || name == L"/?") {
        Print(kUsage);
        return kExitGood;
    }
    PrintError(kUsage);
    return kExitUsage;
}

// bench_load_dlls <dll>...
// Loads the DLLs one after the other with a timestamp after each (startup_stamps.h), then shows
// the yardstick's message box. Started by bench_time_to_window, it tells what each DLL that
// the updater imports costs to load and initialise, in the order the loader takes them.

#include "startup_stamps.h"

#include "common/unique_handle.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

// The words after the program's name; DLL names hold no spaces. Parsed here rather than with
// CommandLineToArgvW, which would bring shell32 in with the exe.
std::vector<std::wstring> Arguments() {
    std::vector<std::wstring> words;
    std::wstring word;
    bool quoted = false;
    for (const wchar_t* c = GetCommandLineW();; ++c) {
        if (*c == L'"') {
            quoted = !quoted;
        } else if (*c != L'\0' && (quoted || *c != L' ')) {
            word += *c;
        } else {
            if (!word.empty()) {
                words.push_back(word);
            }
            word.clear();
            if (*c == L'\0') {
                break;
            }
        }
    }
    if (!words.empty()) {
        words.erase(words.begin());
    }
    return words;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const std::vector<std::wstring> names = Arguments();
    // The stamps keep pointers to their texts until they are written.
    std::vector<std::string> steps;
    steps.reserve(names.size());
    std::vector<updater::UniqueModule> loaded;
    loaded.reserve(names.size());
    for (const std::wstring& name : names) {
        loaded.emplace_back(LoadLibraryW(name.c_str()));
        std::string step = "LoadLibraryW(";
        for (const wchar_t c : name) {
            step += static_cast<char>(c < 128 ? c : '?');
        }
        steps.push_back(step + (loaded.back() ? ")" : ") failed"));
        bench::Stamp(steps.back().c_str());
    }
    bench::Stamp("message box called");
    MessageBoxW(nullptr, L"bench", L"bench message box", MB_OK);
    bench::WriteStamps();
    return 0;
}

#include "box_answerer.h"

#include "message_pump.h"

#include <algorithm>
#include <utility>

namespace ui_testing {
namespace {

struct Search {
    const wchar_t* caption;
    HWND found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    wchar_t className[16] = {};
    wchar_t caption[256] = {};
    GetClassNameW(window, className, 16);
    GetWindowTextW(window, caption, 256);
    if (processId == GetCurrentProcessId() && IsWindowVisible(window) &&
        lstrcmpW(className, L"#32770") == 0 && lstrcmpW(caption, search->caption) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectText(HWND child, LPARAM param) {
    wchar_t text[512] = {};
    GetWindowTextW(child, text, 512);
    reinterpret_cast<std::vector<std::wstring>*>(param)->push_back(text);
    return TRUE;
}

} // namespace

HWND FindOwnDialog(const wchar_t* caption) {
    Search search{caption, nullptr};
    EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BoxAnswerer::BoxAnswerer(std::wstring caption, int buttonId,
                         std::function<void(HWND box)> beforeAnswer)
    : caption_(std::move(caption)),
      thread_([this, buttonId, beforeAnswer] { Answer(buttonId, beforeAnswer); }) {}

BoxAnswerer::~BoxAnswerer() {
    thread_.join();
}

bool BoxAnswerer::ShowsText(const std::wstring& text) const {
    return std::find(texts_.begin(), texts_.end(), text) != texts_.end();
}

void BoxAnswerer::Answer(int buttonId, const std::function<void(HWND)>& beforeAnswer) {
    const ULONGLONG deadline = GetTickCount64() + kPumpBoundMs;
    HWND box = nullptr;
    while ((box = FindOwnDialog(caption_.c_str())) == nullptr && GetTickCount64() < deadline) {
        Sleep(20);
    }
    if (box != nullptr) {
        owner_ = GetWindow(box, GW_OWNER);
        EnumChildWindows(box, CollectText, reinterpret_cast<LPARAM>(&texts_));
        if (beforeAnswer) {
            beforeAnswer(box);
        }
        if (buttonId != 0 && IsWindow(box)) {
            SendMessageW(GetDlgItem(box, buttonId), BM_CLICK, 0, 0);
        }
        found_ = true;
    }
    finished_ = true;
}

} // namespace ui_testing

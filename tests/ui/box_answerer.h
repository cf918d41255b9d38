#pragma once
// Answers a modal box of this process from a second thread: waits for a top-level dialog
// with the caption, records what it shows, then clicks one of its buttons.

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace ui_testing {

// Visible top-level dialog windows (#32770) of this process with this caption.
HWND FindOwnDialog(const wchar_t* caption);

class BoxAnswerer {
public:
    // `beforeAnswer`, when given, runs on the answering thread once the box is there. A
    // `buttonId` of 0 leaves the box open.
    BoxAnswerer(std::wstring caption, int buttonId,
                std::function<void(HWND box)> beforeAnswer = {});
    // Waits for the answering thread.
    ~BoxAnswerer();
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

    // The answering thread has finished (found and answered the box, or given up).
    bool Finished() const { return finished_; }
    bool Found() const { return found_; }
    // Taken while the box was open: its owner and the texts of its child windows.
    HWND Owner() const { return owner_; }
    const std::vector<std::wstring>& Texts() const { return texts_; }
    bool ShowsText(const std::wstring& text) const;

private:
    void Answer(int buttonId, const std::function<void(HWND)>& beforeAnswer);

    std::wstring caption_;
    std::atomic<bool> finished_{false};
    std::atomic<bool> found_{false};
    HWND owner_ = nullptr;
    std::vector<std::wstring> texts_; // written before finished_ is set
    std::thread thread_;
};

} // namespace ui_testing

#pragma once
// A progress sink that writes down every call, for asserting exact call sequences.

#include "ui/progress_interface.h"

#include <string>
#include <vector>

namespace updater {

class RecordingSink : public IPostionChanged {
public:
    // abortAtCall: IsAborted answers true from this call on (1 = the first); 0 never.
    explicit RecordingSink(int abortAtCall = 0) : abortAtCall_(abortAtCall) {}

    void OnPositionChanged(DWORD position, DWORD total) override {
        positions.push_back(position);
        totals.push_back(total);
        calls.push_back(L"position");
    }
    void OnStateChanged(int state, const wchar_t* message) override {
        std::wstring call = L"state " + std::to_wstring(state);
        if (message != nullptr) {
            call += L" ";
            call += message;
        }
        calls.push_back(call);
    }
    bool IsAborted() override {
        ++abortQuestions;
        calls.push_back(L"aborted?");
        return abortAtCall_ != 0 && abortQuestions >= abortAtCall_;
    }

    // The calls without the position reports and abort questions.
    std::vector<std::wstring> States() const {
        std::vector<std::wstring> states;
        for (const auto& call : calls) {
            if (call.compare(0, 6, L"state ") == 0) {
                states.push_back(call);
            }
        }
        return states;
    }

    std::vector<std::wstring> calls;
    std::vector<DWORD> positions;
    std::vector<DWORD> totals;
    int abortQuestions = 0;

private:
    int abortAtCall_;
};

} // namespace updater

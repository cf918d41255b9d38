#pragma once
// The calls a transfer makes on its optional progress sink, skipped when there is none.

#include "net/progress_interface.h"

namespace updater {

class ProgressReporter {
public:
    explicit ProgressReporter(IPostionChanged* sink) : sink_(sink) {}

    void State(int state, const wchar_t* message = nullptr) const {
        if (sink_ != nullptr) {
            sink_->OnStateChanged(state, message);
        }
    }
    void Position(ULONGLONG position, ULONGLONG total) const {
        if (sink_ != nullptr) {
            sink_->OnPositionChanged(position, total);
        }
    }
    bool Aborted() const { return sink_ != nullptr && sink_->IsAborted(); }

private:
    IPostionChanged* sink_;
};

} // namespace updater

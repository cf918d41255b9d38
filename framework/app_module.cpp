#include "framework/app_module.h"

#include <algorithm>
#include <mutex>
#include <new>

namespace updater {

CAppModule g_module;

HRESULT CAppModule::Initialize(HINSTANCE instance) {
    moduleInstance_ = instance;
    resourceInstance_ = instance;
    std::lock_guard<CriticalSection> guard(lock_);
    try {
        loopRegistry_.emplace();
        loopRegistry_->reserve(4);
    } catch (const std::bad_alloc&) {
        loopRegistry_.reset();
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

void CAppModule::Terminate() {
    std::lock_guard<CriticalSection> guard(lock_);
    loopRegistry_.reset();
}

bool CAppModule::RegisterMessageLoop(CMessageLoop* loop) {
    std::lock_guard<CriticalSection> guard(lock_);
    if (!loopRegistry_) {
        return false;
    }
    try {
        loopRegistry_->push_back({GetCurrentThreadId(), loop});
    } catch (const std::bad_alloc&) {
        return false; // the registry is unchanged
    }
    return true;
}

bool CAppModule::UnregisterMessageLoop() {
    std::lock_guard<CriticalSection> guard(lock_);
    if (!loopRegistry_) {
        return false;
    }
    const DWORD threadId = GetCurrentThreadId();
    auto entry = std::find_if(loopRegistry_->begin(), loopRegistry_->end(),
                              [threadId](const LoopEntry& e) { return e.threadId == threadId; });
    if (entry == loopRegistry_->end()) {
        return false;
    }
    loopRegistry_->erase(entry);
    return true;
}

CMessageLoop* CAppModule::FindMessageLoop(DWORD threadId) {
    std::lock_guard<CriticalSection> guard(lock_);
    if (!loopRegistry_) {
        return nullptr;
    }
    for (const LoopEntry& entry : *loopRegistry_) {
        if (entry.threadId == threadId) {
            return entry.loop;
        }
    }
    return nullptr;
}

} // namespace updater

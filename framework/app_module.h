#pragma once
// The application module: instance handles and which thread runs which message loop. One
// object for the whole process, `g_module`.

#include "framework/critical_section.h"

#include <windows.h>

#include <optional>
#include <vector>

namespace updater {

class CMessageLoop;

class CAppModule {
public:
    CAppModule() = default;
    CAppModule(const CAppModule&) = delete;
    CAppModule& operator=(const CAppModule&) = delete;

    // Records the instance and creates the loop registry. S_OK, or E_OUTOFMEMORY when the
    // registry cannot be created.
    HRESULT Initialize(HINSTANCE instance);
    // Drops the loop registry; registering fails again until the next Initialize.
    void Terminate();

    HINSTANCE GetModuleInstance() const { return moduleInstance_; }
    HINSTANCE GetResourceInstance() const { return resourceInstance_; }

    // Appends (calling thread, loop); duplicates are kept. False when the registry is
    // missing or cannot grow.
    bool RegisterMessageLoop(CMessageLoop* loop);
    // Removes the calling thread's first entry; false when it has none.
    bool UnregisterMessageLoop();
    // The first loop registered for the thread, or null.
    CMessageLoop* FindMessageLoop(DWORD threadId = GetCurrentThreadId());

private:
    struct LoopEntry {
        DWORD threadId;
        CMessageLoop* loop; // not owned
    };

    HINSTANCE moduleInstance_ = nullptr;
    HINSTANCE resourceInstance_ = nullptr;
    CriticalSection lock_;                               // guards loopRegistry_
    std::optional<std::vector<LoopEntry>> loopRegistry_; // exists between Initialize and Terminate
};

extern CAppModule g_module;

} // namespace updater

#pragma once
// Captures debugger output (OutputDebugStringA/W) of other processes through the shared
// DBWIN_BUFFER, as a debug viewer does. Only one monitor can run in a session at a time, and
// a process's own output may not reach a monitor inside it: run the code under test in a child.
#include <windows.h>

#include <string>
#include <vector>

namespace kit {

struct DebugMessage {
    DWORD processId;
    std::string text;
};

class DebugMonitor {
public:
    DebugMonitor();
    ~DebugMonitor();
    DebugMonitor(const DebugMonitor&) = delete;
    DebugMonitor& operator=(const DebugMonitor&) = delete;

    // False when the shared buffer or its events could not be made (another monitor runs).
    bool ok() const { return thread_ != nullptr; }
    std::vector<DebugMessage> Messages() const;
    // The texts one process wrote, in order.
    std::vector<std::string> TextsOf(DWORD processId) const;

private:
    static DWORD WINAPI Run(void* self);
    HANDLE mapping_ = nullptr;
    void* view_ = nullptr;
    HANDLE bufferReady_ = nullptr;
    HANDLE dataReady_ = nullptr;
    HANDLE stop_ = nullptr;
    HANDLE thread_ = nullptr;
    mutable CRITICAL_SECTION lock_;
    std::vector<DebugMessage> messages_;
};

}  // namespace kit

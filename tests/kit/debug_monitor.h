#pragma once
// Captures debugger output (OutputDebugStringA/W) of every process of the prefix through the
// shared DBWIN_BUFFER, as a debug viewer does, the test's own process included. One monitor
// at a time in a session.
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
    // The texts one process wrote, in order. For this process, the texts written before the
    // call have all arrived when it returns.
    std::vector<std::string> TextsOf(DWORD processId);
    std::vector<std::string> Texts() { return TextsOf(GetCurrentProcessId()); }
    void Clear();

private:
    static DWORD WINAPI Run(void* self);
    // Writes a mark of its own and waits for it: everything written before has been read then.
    void Flush();

    HANDLE mapping_ = nullptr;
    void* view_ = nullptr;
    HANDLE bufferReady_ = nullptr;
    HANDLE dataReady_ = nullptr;
    HANDLE stop_ = nullptr;
    HANDLE thread_ = nullptr;
    unsigned long flushes_ = 0;
    CRITICAL_SECTION lock_;
    std::vector<DebugMessage> messages_;
};

}  // namespace kit

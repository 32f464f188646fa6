#pragma once
// Captures the debugger output (OutputDebugString) of every process of the prefix through the
// system's debug-output buffer while it exists. One capture at a time per session.
#include <windows.h>

#include <string>
#include <vector>

namespace kit {

class DebugTextCapture {
public:
    DebugTextCapture();
    ~DebugTextCapture();
    DebugTextCapture(const DebugTextCapture&) = delete;
    DebugTextCapture& operator=(const DebugTextCapture&) = delete;

    bool active() const { return thread_ != nullptr; }
    // Texts written so far by the process (0: by every process), in order. Waits until the
    // texts this thread wrote before the call have arrived.
    std::vector<std::string> Texts(DWORD processId = GetCurrentProcessId());
    void Clear();

private:
    struct Entry {
        DWORD processId;
        std::string text;
    };
    static DWORD WINAPI Run(void* self);
    void Flush();

    HANDLE bufferReady_ = nullptr;
    HANDLE dataReady_ = nullptr;
    HANDLE mapping_ = nullptr;
    void* view_ = nullptr;
    HANDLE stop_ = nullptr;
    HANDLE thread_ = nullptr;
    CRITICAL_SECTION lock_;
    std::vector<Entry> entries_;
    unsigned long flushes_ = 0;
};

}  // namespace kit

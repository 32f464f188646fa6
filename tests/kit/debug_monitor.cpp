#include "tests/kit/debug_monitor.h"

#include <cstdio>
#include <cstring>

namespace kit {

namespace {
// The buffer holds the writer's process id followed by its NUL-terminated text.
constexpr DWORD kBufferBytes = 4096;
constexpr char kFlushMark[] = "\x01kit-debug-monitor-flush ";
}  // namespace

DebugMonitor::DebugMonitor() {
    InitializeCriticalSection(&lock_);
    bufferReady_ = CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY");
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    dataReady_ = CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY");
    mapping_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kBufferBytes, L"DBWIN_BUFFER");
    if (mapping_) view_ = MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, kBufferBytes);
    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (existed || !bufferReady_ || !dataReady_ || !view_ || !stop_) return;
    thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

DebugMonitor::~DebugMonitor() {
    if (thread_) {
        SetEvent(stop_);
        WaitForSingleObject(thread_, 10000);
        CloseHandle(thread_);
    }
    if (view_) UnmapViewOfFile(view_);
    for (HANDLE handle : {mapping_, bufferReady_, dataReady_, stop_}) {
        if (handle) CloseHandle(handle);
    }
    DeleteCriticalSection(&lock_);
}

void DebugMonitor::Flush() {
    if (!thread_) return;
    char mark[64];
    std::snprintf(mark, sizeof(mark), "%s%lu", kFlushMark, ++flushes_);
    OutputDebugStringA(mark);
    for (int i = 0; i < 500; ++i) {
        bool seen = false;
        EnterCriticalSection(&lock_);
        for (const DebugMessage& m : messages_) seen = seen || (m.processId == GetCurrentProcessId() && m.text == mark);
        LeaveCriticalSection(&lock_);
        if (seen) return;
        Sleep(10);
    }
}

std::vector<std::string> DebugMonitor::TextsOf(DWORD processId) {
    Flush();
    std::vector<std::string> texts;
    EnterCriticalSection(&lock_);
    for (const DebugMessage& message : messages_) {
        if (message.processId == processId && message.text.rfind(kFlushMark, 0) != 0) texts.push_back(message.text);
    }
    LeaveCriticalSection(&lock_);
    return texts;
}

void DebugMonitor::Clear() {
    Flush();
    EnterCriticalSection(&lock_);
    messages_.clear();
    LeaveCriticalSection(&lock_);
}

DWORD WINAPI DebugMonitor::Run(void* context) {
    auto* self = static_cast<DebugMonitor*>(context);
    const HANDLE waits[] = {self->stop_, self->dataReady_};
    for (;;) {
        SetEvent(self->bufferReady_);
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) break;
        const auto* bytes = static_cast<const char*>(self->view_);
        DebugMessage message;
        std::memcpy(&message.processId, bytes, sizeof(DWORD));
        const char* text = bytes + sizeof(DWORD);
        message.text.assign(text, strnlen(text, kBufferBytes - sizeof(DWORD)));
        EnterCriticalSection(&self->lock_);
        self->messages_.push_back(message);
        LeaveCriticalSection(&self->lock_);
    }
    return 0;
}

}  // namespace kit

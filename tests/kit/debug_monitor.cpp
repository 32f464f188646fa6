#include "tests/kit/debug_monitor.h"

#include <cstring>

namespace kit {

namespace {
// The buffer holds the writer's process id followed by its NUL-terminated text.
constexpr DWORD kBufferBytes = 4096;
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

std::vector<DebugMessage> DebugMonitor::Messages() const {
    EnterCriticalSection(&lock_);
    std::vector<DebugMessage> copy = messages_;
    LeaveCriticalSection(&lock_);
    return copy;
}

std::vector<std::string> DebugMonitor::TextsOf(DWORD processId) const {
    std::vector<std::string> texts;
    for (const DebugMessage& message : Messages()) {
        if (message.processId == processId) texts.push_back(message.text);
    }
    return texts;
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

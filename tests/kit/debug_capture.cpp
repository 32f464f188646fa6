#include "tests/kit/debug_capture.h"

#include <cstdio>
#include <cstring>

namespace kit {
namespace {

constexpr DWORD kBufferBytes = 4096;
constexpr char kFlushMark[] = "\x01kit-debug-capture-flush ";

}  // namespace

DebugTextCapture::DebugTextCapture() {
    InitializeCriticalSection(&lock_);
    bufferReady_ = CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY");
    dataReady_ = CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY");
    mapping_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kBufferBytes, L"DBWIN_BUFFER");
    if (mapping_) view_ = MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, kBufferBytes);
    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (bufferReady_ && dataReady_ && view_ && stop_) thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

DebugTextCapture::~DebugTextCapture() {
    if (thread_) {
        SetEvent(stop_);
        WaitForSingleObject(thread_, 5000);
        CloseHandle(thread_);
    }
    if (view_) UnmapViewOfFile(view_);
    for (HANDLE h : {mapping_, bufferReady_, dataReady_, stop_}) {
        if (h) CloseHandle(h);
    }
    DeleteCriticalSection(&lock_);
}

DWORD WINAPI DebugTextCapture::Run(void* self) {
    auto* capture = static_cast<DebugTextCapture*>(self);
    HANDLE waits[2] = {capture->stop_, capture->dataReady_};
    for (;;) {
        SetEvent(capture->bufferReady_);
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return 0;
        const char* bytes = static_cast<const char*>(capture->view_);
        Entry entry;
        std::memcpy(&entry.processId, bytes, sizeof(DWORD));
        entry.text.assign(bytes + sizeof(DWORD), strnlen(bytes + sizeof(DWORD), kBufferBytes - sizeof(DWORD)));
        EnterCriticalSection(&capture->lock_);
        capture->entries_.push_back(std::move(entry));
        LeaveCriticalSection(&capture->lock_);
    }
}

// Writes a mark of its own and waits for it: everything written before has been read then.
void DebugTextCapture::Flush() {
    if (!thread_) return;
    char mark[64];
    std::snprintf(mark, sizeof(mark), "%s%lu", kFlushMark, ++flushes_);
    OutputDebugStringA(mark);
    for (int i = 0; i < 500; ++i) {
        EnterCriticalSection(&lock_);
        bool seen = false;
        for (const Entry& e : entries_) seen = seen || (e.processId == GetCurrentProcessId() && e.text == mark);
        LeaveCriticalSection(&lock_);
        if (seen) return;
        Sleep(10);
    }
}

std::vector<std::string> DebugTextCapture::Texts(DWORD processId) {
    Flush();
    std::vector<std::string> texts;
    EnterCriticalSection(&lock_);
    for (const Entry& e : entries_) {
        if (processId != 0 && e.processId != processId) continue;
        if (e.text.rfind(kFlushMark, 0) == 0) continue;
        texts.push_back(e.text);
    }
    LeaveCriticalSection(&lock_);
    return texts;
}

void DebugTextCapture::Clear() {
    Flush();
    EnterCriticalSection(&lock_);
    entries_.clear();
    LeaveCriticalSection(&lock_);
}

}  // namespace kit

#pragma once
// A second thread for long work, and the one wait of the GUI thread: it dispatches every
// message, input included, so the thread's windows never stop answering (Windows marks a window
// that takes no input for 5 seconds as not responding).
#include <windows.h>

#include "framework/handle.h"

namespace fw {

// Starts work(context) on a thread of its own; null when no thread could be made.
UniqueHandle StartThread(LPTHREAD_START_ROUTINE work, void* context);

template <typename Work>
DWORD WINAPI RunOwnedWork(void* context) {
    auto* work = static_cast<Work*>(context);
    (*work)();
    delete work;
    return 0;
}

// Starts a copy of the callable on a thread of its own, which destroys it at its end; null when
// no thread could be made.
template <typename Work>
UniqueHandle StartThread(Work work) {
    auto* owned = new Work(static_cast<Work&&>(work));
    UniqueHandle thread = StartThread(&RunOwnedWork<Work>, owned);
    if (!thread) delete owned;
    return thread;
}

// Waits for the handle while every message of this thread is dispatched (dialog navigation
// included). WAIT_OBJECT_0 when it is signalled, WAIT_TIMEOUT, or WAIT_FAILED. A quit message
// taken meanwhile is posted again when the wait ends, so the message loop still sees it.
DWORD WaitDispatchingAll(HANDLE handle, DWORD timeoutMs = INFINITE);

// Runs work(context) on another thread while this one waits as above; on this thread when no
// other can be made.
void RunOffThread(LPTHREAD_START_ROUTINE work, void* context);

template <typename Work>
DWORD WINAPI RunBorrowedWork(void* context) {
    (*static_cast<const Work*>(context))();
    return 0;
}

// Runs the callable on another thread while this one waits as above.
template <typename Work>
void RunOffThread(const Work& work) {
    // The callable outlives the thread: this thread waits for it.
    RunOffThread(&RunBorrowedWork<Work>, const_cast<Work*>(&work));
}

}  // namespace fw

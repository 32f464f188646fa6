#include "framework/thread.h"

#include "framework/app.h"

namespace fw {
namespace {

DWORD WINAPI ThreadStart(void* parameter) {
    auto* work = static_cast<std::function<void()>*>(parameter);
    (*work)();
    delete work;
    return 0;
}

}  // namespace

UniqueHandle StartThread(std::function<void()> work) {
    auto* owned = new std::function<void()>(std::move(work));
    DWORD id = 0;
    UniqueHandle thread(CreateThread(nullptr, 0, ThreadStart, owned, 0, &id));
    if (!thread) delete owned;
    return thread;
}

DWORD WaitDispatchingAll(HANDLE handle, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    bool quit = false;
    WPARAM quitCode = 0;
    DWORD result = WAIT_TIMEOUT;
    for (;;) {
        DWORD left = INFINITE;
        if (timeoutMs != INFINITE) {
            const DWORD spent = GetTickCount() - start;
            left = spent >= timeoutMs ? 0 : timeoutMs - spent;
        }
        // MWMO_INPUTAVAILABLE: messages already seen but not yet taken wake the wait too.
        const DWORD woke = MsgWaitForMultipleObjectsEx(1, &handle, left, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0 || woke == WAIT_ABANDONED_0) {
            result = WAIT_OBJECT_0;
            break;
        }
        if (woke != WAIT_OBJECT_0 + 1) {
            result = woke == WAIT_TIMEOUT ? WAIT_TIMEOUT : WAIT_FAILED;
            break;
        }
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;
                quitCode = message.wParam;
                continue;
            }
            ProcessMessage(message);
        }
    }
    if (quit) PostQuitMessage(static_cast<int>(quitCode));
    return result;
}

void RunOffThread(const std::function<void()>& work) {
    UniqueHandle thread = StartThread(work);
    if (!thread) {
        work();  // no second thread to be had: the work still gets done
        return;
    }
    WaitDispatchingAll(thread.get());
}

}  // namespace fw

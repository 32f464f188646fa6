#include "framework/thread.h"

#include "framework/app.h"

namespace fw {
UniqueHandle StartThread(LPTHREAD_START_ROUTINE work, void* context) {
    DWORD id = 0;
    return UniqueHandle(CreateThread(nullptr, 0, work, context, 0, &id));
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

void RunOffThread(LPTHREAD_START_ROUTINE work, void* context) {
    UniqueHandle thread = StartThread(work, context);
    if (!thread) {
        work(context);  // no second thread to be had: the work still gets done
        return;
    }
    WaitDispatchingAll(thread.get());
}

}  // namespace fw

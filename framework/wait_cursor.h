#pragma once
// The hourglass for long work on the GUI thread. Begin and end nest; the last end puts the
// arrow back.
#include <windows.h>

namespace fw {

void BeginWaitCursor();
void EndWaitCursor();

class WaitCursor {
public:
    WaitCursor() { BeginWaitCursor(); }
    ~WaitCursor() { EndWaitCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace fw

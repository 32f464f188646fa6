#pragma once
// The input method of one thread: a thread whose windows take no typed text needs none, and
// starting one for its first window costs time.
namespace fw {

// Turns the input method off for the calling thread's windows, made from now on; the process's
// other threads keep theirs. Before the thread's first window. Where the input method library
// is not loaded, there is none to turn off.
void TurnOffInputMethodForThisThread();

}  // namespace fw

// Ends by a page fault, as a test program with a fault in it would.
int wmain() {
    volatile int* nowhere = nullptr;
    return *nowhere;
}

// Runs the registry access preparation in a process of its own, so a test can watch its
// debugger output from outside.
#include "install/registry_access.h"

int wmain() {
    PrepareRegistryAccess();
    return 0;
}

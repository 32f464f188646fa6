// Helper of the driver tests: answers AreUsbDriversCurrent from the folder it was copied to,
// which stands for the medium. Exit code 1: current, 0: not current.
#include <windows.h>

#include "drivers/driver_info.h"

int wmain() { return AreUsbDriversCurrent() ? 1 : 0; }

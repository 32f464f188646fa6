#pragma once
// Restarting Windows at the end of a run that asked for it.
#include <windows.h>

// Restarts Windows as a planned restart for an application's installation, the shutdown
// privilege enabled first. False when Windows refuses, or the shutdown privilege is not held
// (ERROR_PRIVILEGE_NOT_HELD).
bool RestartWindows();

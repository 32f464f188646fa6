#pragma once
// /verify: every file of the medium the setup reads, read whole and checked as the run checks
// it, before a master is pressed or a copy on a share is trusted. Nothing is shown, installed or
// changed; the log names each file and what is wrong with it.
#include <windows.h>

// Checks the medium of the running setup; 0 when every file is whole, else 1619 as a run
// that meets a missing or damaged package ends.
DWORD VerifyMedium();

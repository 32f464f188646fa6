#pragma once
// setup.exe /uninstall: removes the product the setup data names, as deployment tools remove
// it, with the unattended run's log and exit codes. The USB drivers package stays: other
// products of the maker use it.
#include <windows.h>

// The removal's result as the run ends: not installed (1605) is success; otherwise as an
// unattended installation ends (a restart it asks for is the setup's, at the end).
UINT UninstallOutcome(UINT removalResult);

class SetupRun;

// The removal, once the run's start checks have passed; gives the run's exit code.
DWORD RemoveProduct(SetupRun& run);

#pragma once
// setup.exe /uninstall: removes the product the setup data names, as deployment tools remove
// it, with the unattended run's log and exit codes. The USB drivers package stays: other
// products of the maker use it.
#include <windows.h>

#include <string>

#include "install/install_sequence.h"

// The removal of the product (the braceless code of the setup data), once the run's start
// checks have passed; its result is the outcome's product result. The observer is told the
// step and the progress; the installer asks no one.
InstallOutcome RemoveProduct(const std::wstring& productCode, InstallObserver& observer);

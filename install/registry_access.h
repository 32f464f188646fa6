#pragma once
// Opening the maker's registry trees to ordinary users after an installation.
#include <windows.h>

#include <string>
#include <vector>

// Re-secures "Software\Korvel" and every key below it: under HKEY_CURRENT_USER for
// Administrators and the current account (Everyone when it is unknown), under
// HKEY_LOCAL_MACHINE for Administrators and Everyone, each with full control.
void PrepareRegistryAccess();

// The account the process runs as; capacities in UTF-16 units. True when both were filled.
bool GetCurrentAccountName(wchar_t* name, DWORD nameUnits, wchar_t* domain, DWORD domainUnits);

// Replaces the list of the key, and with recursive of every key below it, by exactly two
// full-control entries: Administrators, and the account ("DOMAIN\name") when given, otherwise
// Everyone. Keys that cannot be opened are skipped. False when the list cannot be built.
bool SecureRegistryTree(HKEY root, const std::wstring& path, bool recursive, const wchar_t* account);

// Paths of 512 or more UTF-16 units are not handled.
constexpr size_t kMaxSubKeyPathUnits = 511;

// Appends the full path of every sub-key, depth first in enumeration order. Keys whose path
// would have more than kMaxSubKeyPathUnits units are left out with everything below them.
// False only for a root that is not one of the five predefined roots.
bool ListSubKeys(HKEY root, const std::wstring& path, bool recursive, std::vector<std::wstring>* list);

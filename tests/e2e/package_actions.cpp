// Custom actions of the test packages, run by Windows Installer from the package's Binary table.
//   Ask            asks the user through the installer, an error message with Yes and No; the
//                  installation goes on only on Yes.
//   RefuseRemoval  fails, so the package cannot be removed.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

extern "C" __declspec(dllexport) UINT __stdcall Ask(MSIHANDLE install) {
    MSIHANDLE record = MsiCreateRecord(1);
    MsiRecordSetStringW(record, 0, L"Example Maps needs an answer: go on with the installation?");
    const int answer = MsiProcessMessage(
        install, static_cast<INSTALLMESSAGE>(INSTALLMESSAGE_ERROR | MB_YESNO | MB_ICONWARNING), record);
    MsiCloseHandle(record);
    return answer == IDYES ? ERROR_SUCCESS : ERROR_INSTALL_USEREXIT;
}

extern "C" __declspec(dllexport) UINT __stdcall RefuseRemoval(MSIHANDLE) { return ERROR_INSTALL_FAILURE; }

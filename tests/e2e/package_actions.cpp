// Custom actions of the test packages, run by Windows Installer from the package's Binary table.
//   Ask            asks the user through the installer, an error message with Yes and No; the
//                  installation goes on only on Yes. It waits first while the event
//                  "KorvelTestAskGate" exists and is not set.
//   RefuseRemoval  fails, so the package cannot be removed (or, scheduled so, installed).
//   Quit           ends the package as a user's cancel would (1602), though no one cancelled.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

extern "C" __declspec(dllexport) UINT __stdcall Ask(MSIHANDLE install) {
    // A test that needs the question at a moment of its choosing holds this event until then.
    if (HANDLE gate = OpenEventW(SYNCHRONIZE, FALSE, L"KorvelTestAskGate")) {
        WaitForSingleObject(gate, 120000);
        CloseHandle(gate);
    }
    MSIHANDLE record = MsiCreateRecord(1);
    MsiRecordSetStringW(record, 0, L"Example Maps needs an answer: go on with the installation?");
    const int answer = MsiProcessMessage(
        install, static_cast<INSTALLMESSAGE>(INSTALLMESSAGE_ERROR | MB_YESNO | MB_ICONWARNING), record);
    MsiCloseHandle(record);
    return answer == IDYES ? ERROR_SUCCESS : ERROR_INSTALL_USEREXIT;
}

extern "C" __declspec(dllexport) UINT __stdcall RefuseRemoval(MSIHANDLE) { return ERROR_INSTALL_FAILURE; }

extern "C" __declspec(dllexport) UINT __stdcall Quit(MSIHANDLE) { return ERROR_INSTALL_USEREXIT; }

/* Imports the Tool Help snapshot the ordinary way: Windows 95 exports it, NT 4 does not. */
#include <windows.h>
#include <tlhelp32.h>

int main(void) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    return snapshot == INVALID_HANDLE_VALUE;
}

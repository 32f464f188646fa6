/* A call through an __imp_ pointer (dllimport) into a delay-load library: binutils leaves that
   delay slot zero, and the import check must say so. */
#undef DECLSPEC_IMPORT
#include <windows.h>

int main(void) { return GetSystemMetrics(SM_CXSCREEN) > 0; }

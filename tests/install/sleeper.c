/* A plain program built for x64 as well: sleeps for "sleep=MS" and ends with "exit=N", both
   taken from its command line. The 32-bit setup waits for it by name across bitness. */
#include <windows.h>
#include <stdlib.h>
#include <string.h>

static unsigned long Word(const char* line, const char* key) {
    const char* at = strstr(line, key);
    return at ? strtoul(at + strlen(key), NULL, 10) : 0;
}

int main(void) {
    const char* line = GetCommandLineA();
    Sleep(Word(line, "sleep="));
    return (int)Word(line, "exit=");
}

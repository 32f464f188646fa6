#pragma once
// The setup's switches. Each starts with "/" or "-" and is matched without regard to case:
//   /quiet, /q          no window, no message box, no installer user interface
//     (also /qn, /s, /silent)
//   /passive            no pages and no questions; the installation's page alone shows the progress
//   /norestart          every package gets REBOOT=ReallySuppress
//   /closeapplications  an unattended run closes the maker's running applications
//   /log <file>         the setup log, and the packages' logs beside it
//     (also /log:<file>, /log=<file>, /l*v <file>)
//   /uninstall          removes the product (passive unless /quiet)
//   /verify             reads and checks every file of the medium; installs and shows nothing
//   /?, /help           the usage
#include <string>
#include <vector>

#include "install/install_sequence.h"

// The installation's options, and what only the start needs.
struct SetupOptions : InstallOptions {
    bool showUsage = false;
    bool uninstall = false;
    bool verify = false;
    std::wstring logFile;
    // Arguments that are no switch of the setup, and "/log" when no file follows it.
    std::vector<std::wstring> invalid;

    bool operator==(const SetupOptions&) const = default;
};

// The arguments of a command line without the program. Blanks and tabs separate arguments; a
// quotation mark starts or ends a quoted stretch, in which blanks are kept, and is itself
// dropped. There are no escapes: "C:\Logs\" is the folder C:\Logs\ (a path holds no quotation
// mark). A command line that begins with the program's path unquoted (a program started with
// no command line of its own gets its path so, blanks and all) has that path skipped whole;
// otherwise the first argument is the program.
std::vector<std::wstring> CommandLineArguments(const std::wstring& commandLine, const std::wstring& programPath = L"");

// The options of a whole command line, as GetCommandLineW gives it. /quiet wins over /passive
// whatever their order; the last /log wins. A token after /log is its file unless it is one of
// the switches above.
SetupOptions ParseSetupCommandLine(const std::wstring& commandLine, const std::wstring& programPath = L"");

#include "app/command_line.h"

#include <gtest/gtest.h>

namespace {

struct Row {
    const char* what;
    const wchar_t* commandLine;
    SetupOptions expected;
};

SetupOptions Options(SetupUi ui, bool noRestart = false, bool close = false, bool usage = false,
                     std::wstring log = L"", std::vector<std::wstring> invalid = {}) {
    SetupOptions options;
    options.ui = ui;
    options.noRestart = noRestart;
    options.closeApplications = close;
    options.showUsage = usage;
    options.logFile = std::move(log);
    options.invalid = std::move(invalid);
    return options;
}

TEST(SetupCommandLine, SwitchesAsADeploymentToolGivesThem) {
    const SetupUi full = SetupUi::Full, quiet = SetupUi::Quiet, passive = SetupUi::Passive;
    const Row rows[] = {
        {"program alone", L"D:\\setup.exe", Options(full)},
        {"quoted program with blanks and trailing blanks", L"\"D:\\My Media\\setup.exe\"   ", Options(full)},
        {"a switch-like folder inside the quoted program", L"\"D:\\x /quiet\\setup.exe\"", Options(full)},
        {"letter case and both prefixes", L"setup.exe /QUIET -NoRestart /CloseApplications",
         Options(quiet, true, true)},
        {"short quiet, tab separated", L"setup.exe\t-q", Options(quiet)},
        {"quiet wins over passive in either order", L"setup.exe /quiet /passive", Options(quiet)},
        {"", L"setup.exe /passive /q", Options(quiet)},
        {"passive alone", L"setup.exe -passive", Options(passive)},
        {"repeated switches are harmless", L"setup.exe /norestart /norestart /passive /passive",
         Options(passive, true)},
        {"quoted log path with blanks", L"setup.exe /quiet /log \"C:\\My Logs\\setup log.txt\"",
         Options(quiet, false, false, false, L"C:\\My Logs\\setup log.txt")},
        {"a trailing backslash before the quote stays", L"setup.exe /log \"C:\\Logs\\\" /q",
         Options(quiet, false, false, false, L"C:\\Logs\\")},
        {"the last log wins", L"setup.exe /log a.log -LOG b.log", Options(full, false, false, false, L"b.log")},
        {"a log file that looks like an option is a file", L"setup.exe /log -my.log",
         Options(full, false, false, false, L"-my.log")},
        {"log without a file at the end", L"setup.exe /quiet /log", Options(quiet, false, false, false, L"", {L"/log"})},
        {"log followed by a switch", L"setup.exe /log /passive", Options(passive, false, false, false, L"", {L"/log"})},
        {"unknown switches and stray words, in order", L"setup.exe /frob /quiet stray -x",
         Options(quiet, false, false, false, L"", {L"/frob", L"stray", L"-x"})},
        {"a lone slash", L"setup.exe /", Options(full, false, false, false, L"", {L"/"})},
        {"question mark", L"setup.exe /?", Options(full, false, false, true)},
        {"help with a dash among others", L"setup.exe -Help /q", Options(quiet, false, false, true)},
        {"a switch glued to another is no switch", L"setup.exe /quiet/norestart",
         Options(full, false, false, false, L"", {L"/quiet/norestart"})},
    };
    for (const Row& row : rows) {
        const SetupOptions got = ParseSetupCommandLine(row.commandLine);
        EXPECT_TRUE(got == row.expected) << row.what << ": " << testing::PrintToString(std::wstring(row.commandLine))
                                         << " log " << testing::PrintToString(got.logFile) << " invalid "
                                         << got.invalid.size();
    }
}

TEST(SetupCommandLine, OtherInstallersSpellingsMeanTheSame) {
    struct Spelling {
        const wchar_t* arguments;
        SetupUi ui;
        const wchar_t* logFile;
        std::vector<std::wstring> invalid;
    };
    const SetupUi full = SetupUi::Full, quiet = SetupUi::Quiet;
    const Spelling rows[] = {
        {L"/s", quiet, L"", {}},
        {L"-S", quiet, L"", {}},
        {L"/silent", quiet, L"", {}},
        {L"/SILENT", quiet, L"", {}},
        {L"/qn", quiet, L"", {}},
        {L"-QN", quiet, L"", {}},
        {L"/log:C:\\Logs\\Setup.log", full, L"C:\\Logs\\Setup.log", {}},
        {L"/LOG=C:\\Logs\\Setup.log", full, L"C:\\Logs\\Setup.log", {}},
        {L"-log:\"C:\\My Logs\\a.log\"", full, L"C:\\My Logs\\a.log", {}},
        {L"/log=a=b:c.log", full, L"a=b:c.log", {}},
        {L"/l*v C:\\Logs\\Setup.log", full, L"C:\\Logs\\Setup.log", {}},
        {L"/L*V \"C:\\My Logs\\a.log\" /qn", quiet, L"C:\\My Logs\\a.log", {}},
        {L"/l*v", full, L"", {L"/l*v"}},
        {L"/log: /s", quiet, L"", {L"/log:"}},
        {L"/log=", full, L"", {L"/log="}},
        {L"/log=a.log /l*v b.log", full, L"b.log", {}},
        // Near misses stay unknown.
        {L"--quiet", full, L"", {L"--quiet"}},
        {L"/sil", full, L"", {L"/sil"}},
        {L"/qb", full, L"", {L"/qb"}},
        {L"/l*", full, L"", {L"/l*"}},
        {L"/logfile", full, L"", {L"/logfile"}},
    };
    for (const Spelling& row : rows) {
        const SetupOptions got = ParseSetupCommandLine(std::wstring(L"setup.exe ") + row.arguments);
        EXPECT_EQ(got.ui, row.ui) << testing::PrintToString(std::wstring(row.arguments));
        EXPECT_EQ(got.logFile, row.logFile) << testing::PrintToString(std::wstring(row.arguments));
        EXPECT_EQ(got.invalid, row.invalid) << testing::PrintToString(std::wstring(row.arguments));
        EXPECT_FALSE(got.noRestart || got.closeApplications || got.showUsage || got.uninstall);
    }
}

TEST(SetupCommandLine, ProgramPathWithBlanksGivenUnquoted) {
    const std::wstring program = L"\\\\server\\My Share\\setup.exe";
    EXPECT_TRUE(ParseSetupCommandLine(program, program) == SetupOptions());
    EXPECT_TRUE(ParseSetupCommandLine(L"\\\\SERVER\\my share\\SETUP.EXE /q", program) == Options(SetupUi::Quiet));
    EXPECT_TRUE(ParseSetupCommandLine(L"\"" + program + L"\" /q", program) == Options(SetupUi::Quiet));
    EXPECT_TRUE(ParseSetupCommandLine(L"setup /passive", program) == Options(SetupUi::Passive));
    // Without the path the words after the first blank would be taken for arguments.
    EXPECT_EQ(ParseSetupCommandLine(program).invalid, std::vector<std::wstring>{L"Share\\setup.exe"});
}

TEST(SetupCommandLine, QuotesJoinAndAreDropped) {
    const std::vector<std::wstring> expected = {L"/log", L"C:\\a b\\c d.log", L"x y", L""};
    EXPECT_EQ(CommandLineArguments(L"\"C:\\p q\\setup.exe\" /log C:\\\"a b\\c d\".log \"x y\" \"\""), expected);
}

}  // namespace

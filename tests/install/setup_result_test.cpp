#include "install/setup_result.h"

#include <gtest/gtest.h>

#include "install/install_sequence.h"

namespace {

TEST(UnattendedExitCode, EachRefusalHasItsCode) {
    // A second copy and another installation both say "try again later", as tools retry 1618.
    const struct {
        Refusal refusal;
        DWORD code;
    } rows[] = {{Refusal::InvalidSwitch, 87},       {Refusal::LogNotWritable, 1622},
                {Refusal::SecondCopy, 1618},        {Refusal::InternalUser, 1638},
                {Refusal::UnsupportedWindows, 1150}, {Refusal::NotAdministrator, 740},
                {Refusal::AnotherInstallation, 1618}, {Refusal::ApplicationsRunning, 32},
                {Refusal::NoDriveWithRoom, 112}};
    for (const auto& row : rows) EXPECT_EQ(RefusalExitCode(row.refusal), row.code) << static_cast<int>(row.refusal);
}

TEST(UnattendedExitCode, FromThePackagesResults) {
    struct Row {
        const char* what;
        UINT product;
        bool otherRestart;
        bool noRestart;
        DWORD code;
    } rows[] = {
        {"installed", 0, false, false, 0},
        {"product asks for a restart", 3010, false, true, 3010},
        {"drivers or removal ask for one", 0, true, false, 3010},
        {"installer restarts the machine itself", 1641, false, false, 1641},
        {"restart started although suppressed", 1641, true, true, 3010},
        {"product fails: its own result", 1603, true, false, 1603},
        {"user exit in the installer", 1602, false, true, 1602},
        {"package missing", 1619, false, false, 1619},
        {"installer not loadable", ERROR_PROC_NOT_FOUND, false, false, ERROR_PROC_NOT_FOUND},
    };
    for (const Row& row : rows) EXPECT_EQ(InstallExitCode(row.product, row.otherRestart, row.noRestart), row.code) << row.what;
}

TEST(RestartPolicy, NothingCutsTheSequenceShort) {
    using P = RestartPolicy;
    struct Row {
        InstallerUi ui;
        bool noRestart;
        P before;   // removal and drivers
        P product;
    } rows[] = {
        {InstallerUi::Default, false, P::InstallerDecides, P::InstallerDecides},  // the interactive run as ever
        {InstallerUi::Default, true, P::Suppress, P::Suppress},
        {InstallerUi::None, false, P::Suppress, P::InstallerDecides},
        {InstallerUi::None, true, P::Suppress, P::Suppress},
        {InstallerUi::ProgressOnly, false, P::Suppress, P::NoPrompt},
        {InstallerUi::ProgressOnly, true, P::Suppress, P::Suppress},
    };
    for (const Row& row : rows) {
        InstallOptions options;
        options.ui = row.ui;
        options.noRestart = row.noRestart;
        EXPECT_EQ(PackageRestartPolicy(options, false), row.before) << static_cast<int>(row.ui) << row.noRestart;
        EXPECT_EQ(PackageRestartPolicy(options, true), row.product) << static_cast<int>(row.ui) << row.noRestart;
    }
    EXPECT_EQ(WithRestartPolicy(L"LANG=ENU TARGETDIR=C:\\", P::Suppress), L"LANG=ENU TARGETDIR=C:\\ REBOOT=ReallySuppress");
    EXPECT_EQ(WithRestartPolicy(L"LANG=ENU", P::NoPrompt), L"LANG=ENU REBOOTPROMPT=S");
    EXPECT_EQ(WithRestartPolicy(L"LANG=ENU", P::InstallerDecides), L"LANG=ENU");
    EXPECT_EQ(WithRestartPolicy(L"", P::Suppress), L"REBOOT=ReallySuppress");
}

}  // namespace

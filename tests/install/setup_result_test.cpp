#include "install/setup_result.h"

#include <gtest/gtest.h>

#include "install/install_sequence.h"

namespace {

// The end of a run: exit code and restart, from the product's result and whether anything
// asked for a restart. The setup restarts Windows itself only at the end of an unattended run;
// a restart asked for is never forgotten, whatever the end.
TEST(RunEnd, FromThePackagesResults) {
    using A = RestartAction;
    struct Row {
        const char* what;
        UINT product;
        bool restartNeeded;
        bool unattended;
        bool noRestart;
        DWORD code;
        A restart;
        bool pending;
    } rows[] = {
        {"installed", 0, false, true, false, 0, A::None, false},
        {"installed, interactive", 0, false, false, false, 0, A::None, false},
        {"product asks for a restart, /norestart", 3010, false, true, true, 3010, A::None, true},
        {"product asks for a restart: the setup restarts", 3010, false, true, false, 1641, A::RestartNow, true},
        {"drivers or removal ask for one, /norestart", 0, true, true, true, 3010, A::None, true},
        {"drivers or removal ask for one", 0, true, true, false, 1641, A::RestartNow, true},
        {"interactive: offered, never forced", 3010, true, false, false, 0, A::Offer, true},
        {"interactive with /norestart: said, not offered", 0, true, false, true, 0, A::None, true},
        {"product fails: its own result wins, the restart stays pending", 1603, true, true, false, 1603, A::None, true},
        {"product fails, interactive: the removal's restart still offered", 1603, true, false, false, 1603, A::Offer,
         true},
        {"cancelled after the drivers asked for one", 1602, true, false, false, 1602, A::Offer, true},
        {"product fails, nothing asked for", 1603, false, false, false, 1603, A::None, false},
        {"user exit in the installer", 1602, false, true, true, 1602, A::None, false},
        {"installer not loadable", ERROR_PROC_NOT_FOUND, false, true, false, ERROR_PROC_NOT_FOUND, A::None, false},
    };
    for (const Row& row : rows) {
        const RunEnd end = DecideRunEnd(row.product, row.restartNeeded, row.unattended, row.noRestart);
        EXPECT_EQ(end.exitCode, row.code) << row.what;
        EXPECT_EQ(end.restart, row.restart) << row.what;
        EXPECT_EQ(end.restartPending, row.pending) << row.what;
    }
    // A restart Windows refused: still required, not under way.
    const struct {
        DWORD code;
        bool restarted;
        DWORD after;
    } attempts[] = {{1641, true, 1641}, {1641, false, 3010}, {3010, false, 3010}, {0, false, 0}, {1603, false, 1603}};
    for (const auto& row : attempts) EXPECT_EQ(ExitCodeAfterRestart(row.code, row.restarted), row.after) << row.code;
}

// A drivers package's 1602 is a cancel only when the user confirmed one.
TEST(DriversResult, FailedCancelledOrInstalled) {
    using D = DriversResult;
    const struct {
        UINT result;
        bool confirmed;
        D outcome;
    } rows[] = {{0, false, D::Installed},    {3010, false, D::Installed}, {1602, false, D::Failed},
                {1602, true, D::Cancelled},  {1603, true, D::Failed},     {1619, false, D::Failed}};
    for (const auto& row : rows) EXPECT_EQ(ClassifyDriversResult(row.result, row.confirmed), row.outcome) << row.result;
    const std::pair<UINT, bool> products[] = {{0, true}, {3010, true}, {1641, true}, {1603, false}, {1602, false}};
    for (const auto& [result, installed] : products) EXPECT_EQ(ProductInstalled(result), installed) << result;
}

// The language stands unquoted among the packages' properties: only three letters are taken.
TEST(PackageLanguage, ThreeLettersOrEnglish) {
    const std::pair<const wchar_t*, const wchar_t*> rows[] = {
        {L"DEU", L"DEU"}, {L"ptb", L"ptb"}, {L"", L"ENU"}, {L"DEUT", L"ENU"}, {L"DE", L"ENU"},
        {L"DEU TRANSFORMS=\\\\host\\x.mst", L"ENU"}, {L"D\"U", L"ENU"}, {L"D U", L"ENU"}, {L"DE\n", L"ENU"},
        {L"D\xC4U", L"ENU"}, {L"D1U", L"ENU"},
    };
    for (const auto& [text, language] : rows) EXPECT_EQ(PackageLanguage(text), language) << text;
}

TEST(RestartSuppressed, EveryPackageOperationAndTheRemovalResults) {
    EXPECT_EQ(WithRestartSuppressed(L"LANG=ENU TARGETDIR=C:\\"), L"LANG=ENU TARGETDIR=C:\\ REBOOT=ReallySuppress");
    EXPECT_EQ(WithRestartSuppressed(L""), L"REBOOT=ReallySuppress");
    const std::pair<UINT, bool> removals[] = {{0, false},    {1605, false}, {3010, false}, {1641, false},
                                              {1603, true},  {1618, true},  {1602, true},  {2, true}};
    for (const auto& [result, failed] : removals) EXPECT_EQ(IsFailedRemoval(result), failed) << result;
}

}  // namespace

// The order of the start checks for each kind of run, as the one table gives it, and what each
// refusal ends an unattended run with.
#include "app/setup_run.h"
#include "framework/strings.h"

#include <gtest/gtest.h>

namespace {

using Names = std::vector<std::wstring>;

TEST(StartChecks, EachKindOfRunWalksTheOneTableInItsOrder) {
    const Names system = {L"Windows version", L"administrator", L"another installation"};
    // What can be known to fail before anything is closed or written: the packages and the drive.
    const Names installation = {L"Windows Installer idle", L"plan",           L"packages on the medium",
                                L"drive choice",           L"running applications", L"folder registrations"};
    auto join = [](Names first, const Names& second) {
        first.insert(first.end(), second.begin(), second.end());
        return first;
    };
    const Names unattended = join({L"single instance", L"internal network user", L"installer engine update",
                                   L"setup data", L"companion launcher"},
                                  system);
    const struct {
        RunKind kind;
        Names start;
        Names installation;
    } rows[] = {
        {RunKind::Pages,
         join({L"single instance", L"internal network user", L"installer engine update", L"setup data", L"pages",
               L"companion launcher", L"main page"},
              system),
         installation},
        {RunKind::Passive, unattended, installation},
        {RunKind::Quiet, unattended, installation},
        {RunKind::Uninstall, join({L"single instance", L"setup data"}, system), {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.kind));
        EXPECT_EQ(CheckNames(row.kind, CheckPhase::Start), row.start);
        EXPECT_EQ(CheckNames(row.kind, CheckPhase::Installation), row.installation);
    }
}

TEST(StartChecks, TheSwitchesChooseTheKindOfRun) {
    const struct {
        SetupUi ui;
        bool uninstall;
        RunKind kind;
    } rows[] = {
        {SetupUi::Full, false, RunKind::Pages},     {SetupUi::Passive, false, RunKind::Passive},
        {SetupUi::Quiet, false, RunKind::Quiet},    {SetupUi::Quiet, true, RunKind::Uninstall},
        {SetupUi::Full, true, RunKind::Uninstall},
    };
    for (const auto& row : rows) {
        SetupOptions options;
        options.ui = row.ui;
        options.uninstall = row.uninstall;
        EXPECT_EQ(RunKindOf(options), row.kind);
    }
}

TEST(StartChecks, ARefusalEndsTheRunWithItsCodeAndPagesBeforeTheSystemChecksWithZero) {
    const struct {
        const wchar_t* name;
        DWORD unattended;
        int pages;
    } rows[] = {
        {L"single instance", 1618, 0},      {L"internal network user", 1638, 0}, {L"pages", 0, 1},
        {L"Windows version", 1150, 1},      {L"administrator", 740, 1},          {L"another installation", 1618, 1},
        {L"Windows Installer idle", 1618, 0}, {L"running applications", 32, 0},  {L"drive choice", 112, 0},
        {L"packages on the medium", 1619, 0},
    };
    for (const auto& row : rows) {
        bool found = false;
        for (const StartCheck& check : StartChecks()) {
            if (row.name != fw::Widen(check.name)) continue;
            found = true;
            EXPECT_EQ(RefusalExitCode(check.refusal), row.unattended) << check.name;
            EXPECT_EQ(check.pagesExitCode, row.pages) << check.name;
        }
        EXPECT_TRUE(found) << row.name;
    }
}

}  // namespace

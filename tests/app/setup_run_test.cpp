// The kind of run the switches choose, and the one table: the rows each kind walks, in order,
// with what each refusal ends that kind of run with.
#include "app/setup_run.h"

#include <utility>

#include "framework/strings.h"

#include <gtest/gtest.h>

namespace {

TEST(RunKind, FollowsTheSwitchesAndWhetherAnyoneCanSee) {
    const struct {
        const wchar_t* arguments;
        RunKind visible;
        RunKind invisible;
    } rows[] = {
        {L"", RunKind::Pages, RunKind::NeedsQuiet},
        {L"/log C:\\a.log /norestart", RunKind::Pages, RunKind::NeedsQuiet},
        {L"/?", RunKind::UsageBox, RunKind::UsageToLog},
        {L"/bogus", RunKind::UsageBox, RunKind::NeedsQuiet},
        {L"/? /bogus", RunKind::UsageBox, RunKind::NeedsQuiet},
        {L"/passive", RunKind::Passive, RunKind::Passive},
        {L"/passive /quiet", RunKind::Quiet, RunKind::Quiet},
        {L"/s /bogus", RunKind::Quiet, RunKind::Quiet},
        {L"/qn /?", RunKind::Quiet, RunKind::Quiet},
        {L"/uninstall", RunKind::Uninstall, RunKind::Uninstall},
        {L"-UNINSTALL /quiet /bogus", RunKind::Uninstall, RunKind::Uninstall},
        // Whatever else is asked, a verification changes nothing.
        {L"/verify", RunKind::Verify, RunKind::Verify},
        {L"-VERIFY /uninstall /passive /log v.log", RunKind::Verify, RunKind::Verify},
        {L"/verifyall", RunKind::UsageBox, RunKind::NeedsQuiet},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.arguments)));
        const SetupOptions options = ParseSetupCommandLine(std::wstring(L"setup.exe ") + row.arguments);
        EXPECT_EQ(RunKindOf(options, true), row.visible);
        EXPECT_EQ(RunKindOf(options, false), row.invisible);
    }
}

// Each row of a kind's walk: its name, and the exit code its refusal ends that run with (0 for
// a step, which cannot refuse, and for a check that refuses before the pages exist).
using Walk = std::vector<std::pair<std::string, DWORD>>;

Walk Walked(RunKind kind, RunPhase phase) {
    Walk walk;
    for (const RunRow& row : RunRows()) {
        if (row.phase != phase || !(row.kinds & KindBit(kind))) continue;
        EXPECT_NE(!row.step, !row.check) << row.name << ": a row is a step or a check";
        walk.emplace_back(row.name, row.check ? ExitCodeOf(row, kind) : 0);
    }
    return walk;
}

TEST(RunRows, EachKindWalksTheOneTableInItsOrderAndRefusesWithItsCodes) {
    // What can be known to fail before anything is closed or written: the packages and the drive.
    const Walk installation = {{"Windows Installer idle", 1618}, {"plan", 0},
                               {"packages on the medium", 1619}, {"drive choice", 112},
                               {"running applications", 32},     {"folder registrations", 0}};
    // The interactive run ends as "Exit" ends it after a refusal as the installation begins.
    const Walk pagesInstallation = {{"Windows Installer idle", 0}, {"plan", 0},
                                    {"packages on the medium", 0}, {"drive choice", 0},
                                    {"running applications", 0},   {"folder registrations", 0}};
    const Walk unattended = {{"single instance", 1618},    {"internal network user", 1638},
                             {"installer engine update", 0}, {"setup data", 0},
                             {"companion launcher", 0},      {"Windows version", 1150},
                             {"administrator", 740},         {"another installation", 1618}};
    const struct {
        RunKind kind;
        Walk start;
        Walk installation;
    } rows[] = {
        {RunKind::Pages,
         {{"single instance", 0}, {"internal network user", 0}, {"installer engine update", 0}, {"setup data", 0},
          {"pages", 1}, {"companion launcher", 0}, {"main page", 0}, {"Windows version", 1}, {"administrator", 1},
          {"another installation", 1}},
         pagesInstallation},
        {RunKind::Passive, unattended, installation},
        {RunKind::Quiet, unattended, installation},
        {RunKind::Uninstall,
         {{"single instance", 1618}, {"setup data", 0}, {"Windows version", 1150}, {"administrator", 740},
          {"another installation", 1618}},
         {}},
        {RunKind::UsageBox, {}, {}},
        {RunKind::NeedsQuiet, {}, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.kind));
        EXPECT_EQ(Walked(row.kind, RunPhase::Start), row.start);
        EXPECT_EQ(Walked(row.kind, RunPhase::Installation), row.installation);
    }
}

}  // namespace

// The kind of run the switches choose, and the run's walk over its one table: the rows each kind
// walks, in order, where a refusal stops it, and what that refusal ends the run with.
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

// The run's walk over the table for one kind and phase, the check named refuseAt refusing.
struct Walked {
    std::vector<std::string> rows;
    const RunRow* refused;
};

Walked WalkOf(RunKind kind, RunPhase phase, const std::string& refuseAt = {}) {
    Walked walked;
    walked.refused = WalkRows(RunRows(), kind, phase, [&](const RunRow& row) {
        walked.rows.emplace_back(row.name);
        return row.name != refuseAt;
    });
    return walked;
}

// Each row a kind walks, in order: its name, and the exit code its refusal ends that run with
// (-1 for a step, which cannot refuse; 0 for a check that refuses before the pages exist).
using Rows = std::vector<std::pair<std::string, int>>;

TEST(RunWalk, EachKindWalksItsRowsInOrderAndStopsAtARefusalWithItsCode) {
    // What can be known to fail before anything is closed or written: the packages and the drive.
    const Rows installation = {{"Windows Installer idle", 1618}, {"plan", -1},
                               {"packages on the medium", 1619}, {"drive choice", 112},
                               {"running applications", 32},     {"folder registrations", -1}};
    // The interactive run ends as "Exit" ends it after a refusal as the installation begins.
    const Rows pagesInstallation = {{"Windows Installer idle", 0}, {"plan", -1},
                                    {"packages on the medium", 0}, {"drive choice", 0},
                                    {"running applications", 0},   {"folder registrations", -1}};
    const Rows unattended = {{"single instance", 1618},     {"internal network user", 1638},
                             {"installer engine update", -1}, {"setup data", -1},
                             {"companion launcher", -1},      {"Windows version", 1150},
                             {"administrator", 740},          {"another installation", 1618}};
    const struct {
        RunKind kind;
        Rows start;
        Rows installation;
    } kinds[] = {
        {RunKind::Pages,
         {{"single instance", 0}, {"internal network user", 0}, {"installer engine update", -1}, {"setup data", -1},
          {"pages", 1}, {"companion launcher", -1}, {"Windows version", 1}, {"administrator", 1},
          {"another installation", 1}, {"main page", -1}},
         pagesInstallation},
        {RunKind::Passive, unattended, installation},
        {RunKind::Quiet, unattended, installation},
        {RunKind::Uninstall,
         {{"single instance", 1618}, {"setup data", -1}, {"Windows version", 1150}, {"administrator", 740},
          {"another installation", 1618}},
         {}},
        {RunKind::UsageBox, {}, {}},
        {RunKind::NeedsQuiet, {}, {}},
    };
    for (const auto& kind : kinds) {
        for (const auto& [phase, rows] : {std::pair(RunPhase::Start, kind.start),
                                          std::pair(RunPhase::Installation, kind.installation)}) {
            SCOPED_TRACE(testing::Message() << "kind " << static_cast<int>(kind.kind) << ", phase "
                                            << static_cast<int>(phase));
            std::vector<std::string> names;
            for (const auto& row : rows) names.push_back(row.first);
            const Walked all = WalkOf(kind.kind, phase);
            EXPECT_EQ(all.rows, names);
            EXPECT_EQ(all.refused, nullptr);
            for (size_t index = 0; index < rows.size(); ++index) {
                if (rows[index].second < 0) continue;
                const Walked stopped = WalkOf(kind.kind, phase, rows[index].first);
                EXPECT_EQ(stopped.rows, std::vector<std::string>(names.begin(), names.begin() + index + 1));
                ASSERT_NE(stopped.refused, nullptr) << rows[index].first;
                EXPECT_EQ(stopped.refused->name, rows[index].first);
                EXPECT_NE(stopped.refused->check, nullptr) << rows[index].first << " is a check";
                EXPECT_EQ(ExitCodeOf(*stopped.refused, kind.kind), static_cast<DWORD>(rows[index].second));
            }
        }
    }
}

}  // namespace

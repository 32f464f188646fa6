#pragma once
// One run of the setup, whatever its kind: its options, log, setup data, plan and outcome; the
// one ordered table of start checks that every kind of run walks; and the one way out, which
// writes the exit code and restarts Windows when the run decided so.
#include <windows.h>

#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/setup_data.h"
#include "framework/handle.h"
#include "install/install_sequence.h"
#include "pages/page_run.h"
#include "system/setup_log.h"

// The kinds of run: the pages, /passive, /quiet, and /uninstall (passive or quiet).
enum class RunKind { Pages, Passive, Quiet, Uninstall };
RunKind RunKindOf(const SetupOptions& options);

constexpr unsigned KindBit(RunKind kind) { return 1u << static_cast<unsigned>(kind); }
constexpr unsigned kInstallingRuns = KindBit(RunKind::Pages) | KindBit(RunKind::Passive) | KindBit(RunKind::Quiet);
constexpr unsigned kEveryRun = kInstallingRuns | KindBit(RunKind::Uninstall);

// When a check is made: at start-up, or as the installation begins (the license page's "Next";
// right after start-up in an unattended run). Nothing on the machine changes before the second.
enum class CheckPhase { Start, Installation };

class SetupRun;

// One row of the table: a check, or a step that cannot refuse (Refusal::None and passes always
// true). A check logs what it found; a refusal is shown by the run as its kind shows refusals.
struct StartCheck {
    const char* name;
    CheckPhase phase;
    unsigned kinds;     // KindBit of each kind of run that makes it
    Refusal refusal;    // its message and its unattended exit code
    int pagesExitCode;  // the interactive run's exit code after it refuses
    bool (*passes)(SetupRun& run);
};

// The table, in the order every kind of run walks it.
const std::vector<StartCheck>& StartChecks();
// The names of the rows a kind of run walks in a phase, in order.
std::vector<std::wstring> CheckNames(RunKind kind, CheckPhase phase);

// What only the run with pages has; the application object implements it.
class RunPages {
public:
    virtual ~RunPages() = default;
    // The pages, hidden; false when one cannot be made.
    virtual bool CreatePages() = 0;
    virtual void ShowMainPage() = 0;
    // Every start check passed: the main page's "Next" may be used.
    virtual void StartChecksPassed() = 0;
    // The installation page, running the plan.
    virtual void ShowInstallation(const InstallPlan& plan) = 0;
};

class SetupRun : public PageRun {
public:
    SetupRun() = default;
    SetupRun(const SetupRun&) = delete;
    SetupRun& operator=(const SetupRun&) = delete;

    // The switches decide the kind; the setup data is read here, as it names the default log.
    void Begin(const SetupOptions& options);
    RunKind kind() const { return kind_; }
    const SetupOptions& options() const { return options_; }
    InstallOptions installOptions() const;

    // Walks the phase's rows for this kind of run, in the table's order, up to the first
    // refusal, which is shown (a box on the page, a log line when unattended) and ends the run
    // with its exit code. True when every row passed.
    bool Walk(CheckPhase phase);

    // Ends the run with this exit code once the message loop has taken what is queued.
    void End(DWORD exitCode);
    // An unattended installation's or removal's exit code, by the restart rule: a restart that
    // a package asked for without /norestart is done at the end (1641), with it 3010.
    DWORD EndByRestartRule(UINT result, bool restartNeeded);
    // The one way out, after the message loop: the "Exit code" line, then the restart when the
    // run asked for one. Gives the process's exit code.
    int Exit(int exitCode);

    // PageRun
    void StartInstallation() override;
    void RestartAtExit() override;

    SetupLog log;
    ProductSetupData data;
    InstallPlan plan;
    HANDLE instanceMutex = nullptr;  // held until the process ends
    // A check's own refusal text in the user's language (it names a file; the check logs it in
    // English); without one the refusal's message is shown.
    std::wstring refusalText;
    RunPages* pages = nullptr;  // the run with pages only
    // The thread closing the companion launcher in the run with pages, until it has ended.
    fw::UniqueHandle launcherClosing;

private:
    // The installation and the end of the run come after the launcher's closing.
    void AwaitLauncherClosed();
    void Refuse(const StartCheck& check);

    SetupOptions options_;
    RunKind kind_ = RunKind::Pages;
    bool restartAtExit_ = false;
};

// Marks a running setup for the user's logon.
constexpr wchar_t kInstanceMutexName[] = L"Korvel Setup";

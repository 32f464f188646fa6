#pragma once
// One run of the setup, whatever its kind, top to bottom: the kind decided once from the
// switches; the one ordered table of steps and checks that every kind of run walks; the one
// place that starts the installation; and the one way out, which writes the exit code and
// restarts Windows when the run decided so.
#include <windows.h>

#include <span>
#include <string>

#include "app/command_line.h"
#include "app/setup_data.h"
#include "framework/com.h"
#include "framework/handle.h"
#include "install/installation.h"
#include "install/medium_check.h"
#include "system/setup_log.h"

// The kinds of run. Where no one can see a window (a window station that is not visible, as a
// service's), nothing may wait for an answer: the usage and the refusal go to the log instead.
enum class RunKind {
    Pages,       // the pages
    Passive,     // /passive: the installation's page alone
    Quiet,       // /quiet: nothing shown
    Uninstall,   // /uninstall: the product's removal, passive (its page) unless /quiet
    UsageBox,    // the usage in a message box: exit code 0 for /? alone, else 87
    UsageToLog,  // invisible window station, /? alone: the usage in the log, exit code 0
    NeedsQuiet,  // invisible window station, neither /quiet nor /passive: a log line, exit code 87
    Verify,      // /verify: the medium's files read and checked, nothing shown or changed
};
RunKind RunKindOf(const SetupOptions& options, bool visibleWindowStation);

constexpr unsigned KindBit(RunKind kind) { return 1u << static_cast<unsigned>(kind); }
constexpr unsigned kInstallingRuns = KindBit(RunKind::Pages) | KindBit(RunKind::Passive) | KindBit(RunKind::Quiet);
constexpr unsigned kEveryRun = kInstallingRuns | KindBit(RunKind::Uninstall);

// When a row is walked: at start-up, or as the installation begins (the license page's "Next";
// right after start-up in an unattended run). Nothing on the machine changes before the second.
enum class RunPhase { Start, Installation };

class SetupRun;

// One row of the table: a step, which does its part and cannot refuse, or a check, which logs
// what it found and may refuse; a refusal is shown as the kind of run shows refusals.
struct RunRow {
    const char* name;
    RunPhase phase;
    unsigned kinds;                // KindBit of each kind of run that walks it
    void (*step)(SetupRun& run);   // a step, or
    // a check: false refuses, giving the text shown in the user's language when the check tells
    // its own (it names a file; the check logs it in English), else the refusal's message is shown
    bool (*check)(SetupRun& run, std::wstring* refusalText);
    Refusal refusal;               // its message and its unattended exit code
    int pagesExitCode;             // the interactive run's exit code after it refuses
};
// The table, in the order every kind of run walks it.
std::span<const RunRow> RunRows();
// A row's exit code when it refuses in this kind of run.
DWORD ExitCodeOf(const RunRow& row, RunKind kind);
// The walk: the rows of the phase that this kind of run walks, in the table's order, each given
// to act until act refuses one (false). Gives that row, or null when every row passed.
template <typename Act>
const RunRow* WalkRows(std::span<const RunRow> rows, RunKind kind, RunPhase phase, Act act) {
    for (const RunRow& row : rows)
        if (row.phase == phase && (row.kinds & KindBit(kind)) && !act(row)) return &row;
    return nullptr;
}

// What the run asks of the windows: the pages made hidden, the main page shown, the installation's
// page shown watching the installation (each false when it cannot be made) or the check of the
// medium before it, every page closed.
class RunWindows {
public:
    virtual bool CreatePages() = 0;
    // Ready: every start check passed, and its "Next" may be used. Nothing without the page.
    virtual void ShowMainPage(bool ready) = 0;
    virtual bool ShowInstallation(Installation& installation) = 0;
    virtual void ShowMediumCheck(MediumCheck& check) = 0;
    virtual void ClosePages() = 0;

protected:
    ~RunWindows() = default;
};

class SetupRun {
public:
    SetupRun() = default;
    SetupRun(const SetupRun&) = delete;
    SetupRun& operator=(const SetupRun&) = delete;

    // The run from the switches to the message loop: the kind, the log, the start's rows, and in
    // an unattended run the installation and its end. The pages take it from here when the main
    // page shows ready.
    void Start(RunWindows& windows);
    const ProductSetupData& data() const { return data_; }

    // Ends the run with this exit code once the message loop has taken what is queued.
    void End(DWORD exitCode);

    // The checks as the installation begins, then the installation, on its page where the
    // kind shows one; an unattended run waits for its end and ends. The pages' run calls it at
    // the license page's "Next".
    void Install();

    // The one way out, after the message loop: the pages closed, then the launcher's closing
    // awaited and the installation stopped, the "Exit code" line, then the restart when the run
    // asked for one. Gives the process's exit code.
    int Exit();

private:
    // Walks the phase's rows for this kind of run; the first refusal is shown (a box on the page,
    // a log line when unattended) and ends the run with its exit code. True when every row passed.
    bool Walk(RunPhase phase);
    void Refuse(const RunRow& row, const std::wstring& text);
    // What an unattended run and a removal do first: open the log (/log's or the default) and
    // write the run's first lines, and answer an invalid switch or /? there. False, with the
    // run's exit code, when the run ends there.
    bool StartUnattended(DWORD* exitCode);
    // The installation and the end of the run come after the launcher's closing.
    void AwaitLauncherClosed();
    // The interactive run's check of the packages, started once the main page has painted: what
    // can be planned without a question, and the drivers package when no question decides it.
    void StartMediumCheck();
    // The launcher's closing and the medium check, once the main page has painted.
    static void CALLBACK StartBesidePage(HWND, UINT, UINT_PTR, DWORD);
    void CancelPendingStart();
    // The packages row: waits for the check, on the installation's page when it has not ended,
    // and checks the drivers package too once a question has decided it is installed.
    bool MediumUsable(std::wstring* refusalText);
    MediumVerdict AwaitMedium();

    friend struct SetupRunRows;  // the table's steps and checks

    RunKind kind_ = RunKind::Pages;
    SetupOptions options_;
    fw::ComScope apartment_;  // the GUI thread's single-threaded apartment, for the whole run
    SetupLog log_;
    ProductSetupData data_;
    InstallPlan plan_;
    Installation installation_;
    RunWindows* windows_ = nullptr;
    DWORD exitCode_ = 0;
    fw::UniqueHandle instanceMutex_;  // open until the run ends
    // In the run with pages: the launcher is to be closed, and the thread closing it, until it
    // has ended.
    bool launcherDue_ = false;
    fw::UniqueHandle launcherClosing_;
    MediumCheck medium_;
    bool driversDecided_ = false;
    UINT_PTR startTimer_ = 0;  // what starts beside the page waits for its painting
};

// Marks a running setup for the user's logon.
constexpr wchar_t kInstanceMutexName[] = L"Korvel Setup";

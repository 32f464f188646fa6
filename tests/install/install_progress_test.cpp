// The progress bar's arithmetic and the handling of Windows Installer's messages, fed with the
// records the installer sends.
#include "install/install_progress.h"

#include <windows.h>
#include <msi.h>

#include <gtest/gtest.h>

#include "framework/strings.h"
#include "install/installer_messages.h"

namespace {

ProgressFields P(int a, int b = 0, int c = 0, int d = 0) { return ProgressFields{{a, b, c, d}}; }
constexpr int kActionData = -1;

TEST(Progress, TextFormOfTheRecord) {
    const struct {
        const wchar_t* text;
        ProgressFields fields;
    } rows[] = {{L"1: 0 2: 1500 3: 0 4: 1 ", P(0, 1500, 0, 1)}, {L"1: 3 2: 4096000", P(3, 4096000)},
                {L"1: 1 2: -5 3: 1 ", P(1, -5, 1)},            {L"garbage", P(0)}};
    for (const auto& row : rows) {
        const ProgressFields got = ParseProgressText(row.text);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(got.field[i], row.fields.field[i]) << row.text << " field " << i + 1;
    }
}

// Each row: the step begun (or -1 for none), the record (kActionData: an action data message),
// and the bar afterwards (thousandths). Removal 10 %, drivers 15 %, product 75 % of the bar; in a
// package the script's generation fills the first tenth of its share.
TEST(Progress, RecordsInPermilleOut) {
    InstallProgress progress(true, true);
    const struct {
        int step;
        ProgressFields record;
        int permille;
    } rows[] = {
        {0, P(0, 100, 0, 1), 0},          // removal: generating its script
        {-1, P(2, 50), 5},                // half the script: half a tenth of 100
        {-1, P(0, 200, 0, 0), 10},        // execution starts at the script's tenth
        {-1, P(2, 100), 55},              // half: 10 + 45
        {-1, P(2, 500), 100},             // more than the total: the share is full, no more
        {1, P(0, 1000, 0, 0), 115},       // drivers begin after the removal's share
        {-1, P(3, 1000), 115},            // the total doubles: nothing moves
        {-1, P(kActionData), 115},        // no step announced: action data moves nothing
        {-1, P(1, 500, 1), 115},          // 500 ticks per action data from now on
        {-1, P(kActionData), 148},        // a quarter of 2000: 100 + 32.5 % of 150
        {-1, P(kActionData), 182},        // half: 100 + 55 % of 150
        {-1, P(1, 500, 0), 182},          // steps no longer follow action data
        {-1, P(kActionData), 182},
        {-1, P(0, 1000, 1, 0), 182},      // rollback runs backwards: the bar does not
        {-1, P(2, 900), 182},
        {2, P(0, 0, 0, 0), 325},          // product: executing, but without a total
        {-1, P(2, 10), 325},              // ticks without a total are ignored
        {-1, P(0, 40, 0, 0), 325},
        {-1, P(2, 20), 662},              // half: 250 + 55 % of 750
    };
    for (const auto& row : rows) {
        if (row.step >= 0) progress.Begin(static_cast<InstallStep>(row.step));
        if (row.record.field[0] == kActionData) {
            progress.OnActionData();
        } else {
            progress.OnProgress(row.record);
        }
        EXPECT_EQ(progress.Permille(), row.permille) << "record " << row.record.field[0] << " " << row.record.field[1];
    }
    progress.Complete();
    EXPECT_EQ(progress.Permille(), 1000);
}

// A package that generates and runs its script twice, and the step of an action that ended:
// the product alone fills the bar. kActionStart: an action-start message.
TEST(Progress, SecondGenerationAndActionStart) {
    constexpr int kActionStart = -2;
    InstallProgress progress(false, false);
    progress.Begin(InstallStep::Product);
    const struct {
        ProgressFields record;
        int permille;
    } rows[] = {
        {P(0, 100, 0, 1), 0},    // generating the first script
        {P(0, 100, 0, 0), 100},  // running it
        {P(2, 50), 550},         // half of it: 100 + 450
        {P(0, 100, 0, 1), 550},  // a second generation starts where the first run got
        {P(2, 100), 595},        // all of it: its tenth of the 450 left
        {P(0, 100, 0, 0), 595},
        {P(1, 10, 1), 595},      // 10 ticks per action data
        {P(kActionData), 635},   // 595 + 10 % of 405
        {P(kActionStart), 635},  // the next action: its data moves nothing by the last step
        {P(kActionData), 635},
        {P(2, 100), 1000},
    };
    for (const auto& row : rows) {
        if (row.record.field[0] == kActionData) {
            progress.OnActionData();
        } else if (row.record.field[0] == kActionStart) {
            progress.OnActionStart();
        } else {
            progress.OnProgress(row.record);
        }
        EXPECT_EQ(progress.Permille(), row.permille) << "record " << row.record.field[0] << " " << row.record.field[1];
    }
}

class Recorder : public InstallObserver {
public:
    void OnProgress(int permille) override { progress.push_back(permille); }
    void OnActionText(const std::wstring& text) override { action = text; }
    int Ask(const std::wstring& text, UINT type) override {
        asked.push_back({text, type});
        return answer;
    }
    bool CancelRequested() override { return cancel; }
    void OnCancelShown(bool shown) override { cancelShown.push_back(shown); }

    std::vector<bool> cancelShown;
    std::vector<int> progress;
    std::wstring action;
    std::vector<std::pair<std::wstring, UINT>> asked;
    int answer = IDRETRY;
    bool cancel = false;
};

InstallerMessage Message(UINT type, const std::wstring& text, std::vector<std::wstring> fields = {}) {
    InstallerMessage message;
    message.type = type;
    message.text = text;
    message.fields = std::move(fields);
    return message;
}

// Each message with an observer that answers one way: the handler's answer and the question
// asked, in an interactive run; an unattended run asks nothing and leaves the answer to the
// installer.
TEST(InstallerMessages, QuestionsGoToTheObserverOnlyWhenInteractive) {
    const UINT question = INSTALLMESSAGE_ERROR | MB_RETRYCANCEL | MB_ICONERROR | MB_DEFBUTTON2;
    const struct {
        const char* what;
        InstallerMessage message;
        int answer;            // the observer's
        int handlerAnswer;     // interactive
        UINT askedType;
        const wchar_t* named;  // in the question's text; null: nothing is asked
        std::wstring lastError;
    } rows[] = {
        {"error", Message(question, L"Error 1311. Source file not found."), IDRETRY, IDRETRY,
         MB_RETRYCANCEL | MB_ICONERROR | MB_DEFBUTTON2, L"Error 1311", L"Error 1311. Source file not found."},
        {"warning", Message(INSTALLMESSAGE_WARNING | MB_OK, L"A warning"), IDOK, IDOK, MB_OK, L"A warning", L""},
        // Abort means cancel; the numbers (process ids, counts) are no names.
        {"files in use", Message(INSTALLMESSAGE_FILESINUSE, L"", {L"viewer.exe", L"Viewer", L"412"}), IDABORT,
         IDCANCEL, MB_ABORTRETRYIGNORE | MB_ICONWARNING, L"\nviewer.exe\nViewer", L""},
        {"restart manager's files in use", Message(0x19000000, L"", {L"2", L"412", L"Viewer", L"513", L"Tracker"}),
         IDYES, IDOK, MB_YESNOCANCEL | MB_ICONWARNING, L"\nViewer\nTracker", L""},
        {"premature end", Message(INSTALLMESSAGE_FATALEXIT, L"Installation ended prematurely"), IDOK, 0, 0, nullptr,
         L"Installation ended prematurely"},
    };
    for (bool interactive : {true, false}) {
        for (const auto& row : rows) {
            SCOPED_TRACE(std::string(row.what) + (interactive ? ", interactive" : ", unattended"));
            InstallProgress progress(false, false);
            Recorder observer;
            observer.answer = row.answer;
            InstallerMessages messages(progress, observer, interactive);
            EXPECT_EQ(messages.Handle(row.message), interactive ? row.handlerAnswer : 0);
            EXPECT_EQ(messages.LastError(), row.lastError);
            if (!interactive || !row.named) {
                EXPECT_TRUE(observer.asked.empty());
                continue;
            }
            ASSERT_EQ(observer.asked.size(), 1u);
            EXPECT_EQ(observer.asked[0].second, row.askedType);
            EXPECT_NE(observer.asked[0].first.find(row.named), std::wstring::npos);
            EXPECT_EQ(observer.asked[0].first.find(L"412"), std::wstring::npos);
        }
    }
}

// The restart manager's question: No leaves the applications open, which the installer hears as
// IDIGNORE (IDNO would make it ask again); the installer's own interface shows only where
// someone can answer a source prompt.
TEST(InstallerMessages, RestartManagerAnswersAndUiLevel) {
    const std::pair<int, int> answers[] = {{IDYES, IDOK}, {IDNO, IDIGNORE}, {IDCANCEL, IDCANCEL}, {0, IDCANCEL}};
    for (const auto& [box, answer] : answers) EXPECT_EQ(RestartManagerAnswer(box), answer) << box;
    EXPECT_EQ(HandlerUiLevel(true), INSTALLUILEVEL_NONE | INSTALLUILEVEL_SOURCERESONLY);
    EXPECT_EQ(HandlerUiLevel(false), INSTALLUILEVEL_NONE);
}

// Progress and the action's description reach the observer; the installer is told to go on.
TEST(InstallerMessages, ProgressAndActionTextReachTheObserver) {
    InstallProgress progress(false, false);
    progress.Begin(InstallStep::Product);
    Recorder observer;
    InstallerMessages messages(progress, observer, true);
    InstallerMessage tick;
    tick.type = INSTALLMESSAGE_PROGRESS;
    tick.progress = P(0, 10, 0, 0);
    EXPECT_EQ(messages.Handle(tick), IDOK);
    tick.progress = P(2, 5);
    EXPECT_EQ(messages.Handle(tick), IDOK);
    EXPECT_EQ(observer.progress.back(), 550);
    EXPECT_EQ(messages.Handle(Message(INSTALLMESSAGE_ACTIONSTART, L"", {L"InstallFiles", L"Copying new files"})), IDOK);
    EXPECT_EQ(observer.action, L"Copying new files");
    // The string handler gets the action's start as one text.
    messages.Handle(Message(INSTALLMESSAGE_ACTIONSTART, L"Action 12:00:01: Remove. Removing files"));
    EXPECT_EQ(observer.action, L"Removing files");
}

// A Cancel the user asked for reaches the installer at its next message, whatever its kind.
// The package's first message (INITIALIZE) takes it too: the package then never starts.
TEST(InstallerMessages, ACancelAskedForIsTheAnswerToTheNextMessage) {
    const InstallerMessage next[] = {
        Message(INSTALLMESSAGE_PROGRESS, L""),
        Message(INSTALLMESSAGE_ACTIONDATA, L"File: maps.dat"),
        Message(INSTALLMESSAGE_ACTIONSTART, L"", {L"InstallFiles", L"Copying"}),
        Message(INSTALLMESSAGE_INITIALIZE, L""),
    };
    for (const bool cancel : {false, true}) {
        for (const InstallerMessage& message : next) {
            InstallProgress progress(false, false);
            Recorder observer;
            observer.cancel = cancel;
            InstallerMessages messages(progress, observer, true);
            EXPECT_EQ(messages.Handle(message) == IDCANCEL, cancel) << std::hex << message.type << " cancel " << cancel;
        }
    }
}

// The last error is the running package's own; Cancel follows what the installer says it can take
// (the record's form and the text's; a caption is no such message).
TEST(InstallerMessages, LastErrorPerPackageAndCancelShown) {
    InstallProgress progress(false, false);
    Recorder observer;
    InstallerMessages messages(progress, observer, false);
    messages.Handle(Message(INSTALLMESSAGE_ERROR, L"Error 1935 of the drivers"));
    messages.BeginPackage();
    EXPECT_EQ(messages.LastError(), L"");
    messages.Handle(Message(INSTALLMESSAGE_COMMONDATA, L"", {L"2", L"0"}));
    messages.Handle(Message(INSTALLMESSAGE_COMMONDATA, L"1: 2 2: 1 "));
    messages.Handle(Message(INSTALLMESSAGE_COMMONDATA, L"", {L"1", L"Example Maps"}));
    EXPECT_EQ(observer.cancelShown, (std::vector<bool>{false, true}));
}

TEST(Decimal, AsToWstringWritesIt) {
    for (long long value : {0ll, 7ll, -7ll, 1603ll, 4294967295ll, -9223372036854775807ll - 1, 9223372036854775807ll})
        EXPECT_EQ(fw::Decimal(value), std::to_wstring(value));
}

}  // namespace

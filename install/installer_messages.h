#pragma once
// Windows Installer's messages come to the setup: progress, the current action, errors,
// warnings and questions, files in use, disk space. The thread that runs the package operations
// receives them and tells an observer, which shows them (and answers the questions) elsewhere.
#include <windows.h>
#include <msi.h>

#include <string>
#include <vector>

#include "install/install_progress.h"

// What the installation tells, and asks, whoever shows it. Called on the thread that runs the
// package operations; the defaults show nothing and leave every question to the installer.
class InstallObserver {
public:
    virtual ~InstallObserver() = default;
    virtual void OnStep(InstallStep) {}
    virtual void OnProgress(int /*permille*/) {}
    virtual void OnActionText(const std::wstring&) {}
    // A question: the text and the message box type (buttons, icon, default button). The answer
    // (IDOK, IDCANCEL, …), or 0 to leave it to the installer.
    virtual int Ask(const std::wstring& /*text*/, UINT /*type*/) { return 0; }
    virtual bool CancelRequested() { return false; }
    // The installer says whether it can take a cancel now (false while it cannot be stopped).
    virtual void OnCancelShown(bool /*shown*/) {}
};

// One message of the installer, as either kind of handler receives it.
struct InstallerMessage {
    UINT type = 0;                     // INSTALLMESSAGE_* with the MB_* flags of a question
    std::wstring text;                 // formatted
    ProgressFields progress;           // of a progress message
    std::vector<std::wstring> fields;  // fields 1 and up, where the handler has them
};

// The applications a files-in-use message names: its text fields that are not numbers (process
// ids and counts), each once.
std::vector<std::wstring> ApplicationsInUse(const std::vector<std::wstring>& fields);
// A common-data message that says whether Cancel is to be shown: true, with *shown. Its first
// field is the kind (2: cancel show), the second 0 (hide) or 1 (show); from the text form
// "1: 2 2: 0 ", the same numbers.
bool CancelShowOf(const InstallerMessage& message, bool* shown);
// The answer to the restart manager's files-in-use question from the setup's Yes, No, Cancel
// box: Yes closes the applications (IDOK), No leaves them open for a restart later (IDIGNORE;
// IDNO would make the installer ask again with the older files-in-use message), else IDCANCEL.
int RestartManagerAnswer(int boxAnswer);
// The installer's own user interface while the setup's handler takes its messages: none, and
// where someone can answer, its source-resolution box alone (a source it cannot find asks
// for the medium).
INSTALLUILEVEL HandlerUiLevel(bool interactive);

// The description of an action-start message: field 2, else the action's name (field 1); from
// the text form "Action 12:00:00: InstallFiles. Copying new files", the part after ". ".
std::wstring ActionDescription(const InstallerMessage& message);

class InstallerMessages {
public:
    // interactive: questions go to the observer; otherwise the installer answers them itself.
    InstallerMessages(InstallProgress& progress, InstallObserver& observer, bool interactive)
        : progress_(progress), observer_(observer), interactive_(interactive) {}

    // The handler's answer to the installer.
    int Handle(const InstallerMessage& message);
    // The text of the last error the installer sent for the package now running, empty when none.
    const std::wstring& LastError() const { return lastError_; }
    // A package operation begins: the last error is its own from now on.
    void BeginPackage() { lastError_.clear(); }

private:
    int Continue();

    InstallProgress& progress_;
    InstallObserver& observer_;
    bool interactive_;
    std::wstring lastError_;
};

// The handler for the installer calls of this process while it lives: the record handler where
// the installer has one (3.1 and later), otherwise the string handler (2.0). The installer's
// own user interface is off meanwhile.
class ExternalInstallerUi {
public:
    ExternalInstallerUi(InstallerMessages& messages, bool interactive);
    ~ExternalInstallerUi();
    ExternalInstallerUi(const ExternalInstallerUi&) = delete;
    ExternalInstallerUi& operator=(const ExternalInstallerUi&) = delete;

    // "record", "string" or "none": what was installed, for the log.
    const char* Kind() const;

private:
    int kind_ = 0;
    int previousLevel_ = 0;
    // The installer's functions that put back what the constructor changed.
    void* setHandler_ = nullptr;
    void* setInternal_ = nullptr;
};

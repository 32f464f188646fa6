#pragma once
// The installation's one progress bar. The removal of the earlier version, the drivers package
// and the product package each fill a share of it; inside a share the installer's own progress
// messages move the bar: ticks against the total that the package announced. The value never
// goes back, whatever the installer reports (rollback runs backwards, each package starts anew).
#include <string>

// Fields 1 to 4 of a progress message; absent fields are 0.
struct ProgressFields {
    int field[4] = {0, 0, 0, 0};
};

// The text a string handler gets for a progress message: "1: 0 2: 1500 3: 0 4: 1 ".
ProgressFields ParseProgressText(const std::wstring& text);

// One package's progress as its messages describe it: 0 to 1000. Generating the script fills
// the first tenth, running it the rest. A package may generate and run a script more than once
// (a nested installation, a second transaction): each new generation after a run takes the
// same tenths of what is left.
class PackageProgress {
public:
    void Reset() { *this = PackageProgress(); }
    void OnProgress(const ProgressFields& fields);
    // An action data message moves the bar by the step an action-info message asked for.
    void OnActionData();
    // A new action: the step of the one before no longer follows action data.
    void OnActionStart();
    int Permille() const;

private:
    void Move(long long ticks);
    int CyclePermille() const;  // of the current generation and run

    long long total_ = 0;
    long long done_ = 0;
    long long step_ = 0;
    bool forward_ = true;
    bool generatingScript_ = false;
    bool stepOnActionData_ = false;
    bool executed_ = false;  // a reset for the script's execution has come
    int frozen_ = 0;         // shown while the package runs backwards
    int base_ = 0;           // where the current generation started
};

enum class InstallStep { Removal, Drivers, Product };

class InstallProgress {
public:
    // The steps this installation has; the product package always comes.
    InstallProgress(bool removal, bool drivers);

    // A step begins: the ones before it count as done, and its package starts at 0.
    void Begin(InstallStep step);
    void OnProgress(const ProgressFields& fields);
    void OnActionData();
    void OnActionStart();
    // Everything done: the top of the bar.
    void Complete();
    // 0 to 1000, never less than before.
    int Permille() const { return shown_; }

private:
    int ShareStart(InstallStep step) const;
    int Share(InstallStep step) const;
    void Update();

    bool removal_;
    bool drivers_;
    InstallStep current_ = InstallStep::Removal;
    bool begun_ = false;
    PackageProgress package_;
    int shown_ = 0;
};

#include "install/install_progress.h"

#include <cwchar>

#include "framework/fraction.h"

namespace {

// Shares of the bar, in thousandths, before those of missing steps go to the others. The
// product package copies the product's data: it takes most of the time.
constexpr int kRemovalWeight = 100;
constexpr int kDriversWeight = 150;
constexpr int kProductWeight = 750;
constexpr int kScriptShare = 100;  // of a package's thousand, while its script is generated

constexpr int kReset = 0;
constexpr int kActionInfo = 1;
constexpr int kReport = 2;
constexpr int kAddToTotal = 3;

}  // namespace

ProgressFields ParseProgressText(const std::wstring& text) {
    ProgressFields fields;
    size_t at = 0;
    while (at < text.size()) {
        wchar_t* end = nullptr;
        const long index = std::wcstol(text.c_str() + at, &end, 10);
        const size_t indexEnd = static_cast<size_t>(end - text.c_str());
        if (indexEnd == at || indexEnd >= text.size() || text[indexEnd] != L':') break;
        // The record's fields are 32-bit integers: long holds them.
        const long value = std::wcstol(text.c_str() + indexEnd + 1, &end, 10);
        if (index >= 1 && index <= 4) fields.field[index - 1] = static_cast<int>(value);
        at = static_cast<size_t>(end - text.c_str());
        while (at < text.size() && text[at] == L' ') ++at;
    }
    return fields;
}

void PackageProgress::OnProgress(const ProgressFields& fields) {
    switch (fields.field[0]) {
    case kReset:
        // Backwards is a rollback: what was done stays shown, as the bar never goes back.
        if (fields.field[2] != 0) {
            frozen_ = Permille();
        } else if (fields.field[3] == 1 && executed_) {
            base_ = Permille();
            executed_ = false;
        }
        total_ = fields.field[1] > 0 ? fields.field[1] : 0;
        forward_ = fields.field[2] == 0;
        generatingScript_ = fields.field[3] == 1;
        if (!generatingScript_) executed_ = true;
        done_ = forward_ ? 0 : total_;
        stepOnActionData_ = false;
        break;
    case kActionInfo:
        step_ = fields.field[1];
        stepOnActionData_ = fields.field[2] != 0;
        break;
    case kReport: Move(fields.field[1]); break;
    case kAddToTotal:
        if (fields.field[1] > 0) total_ += fields.field[1];
        break;
    default: break;
    }
}

void PackageProgress::OnActionData() {
    if (stepOnActionData_) Move(step_);
}

void PackageProgress::OnActionStart() {
    stepOnActionData_ = false;
    step_ = 0;
}

void PackageProgress::Move(long long ticks) {
    if (total_ <= 0) return;
    done_ += forward_ ? ticks : -ticks;
    if (done_ < 0) done_ = 0;
    if (done_ > total_) done_ = total_;
}

int PackageProgress::Permille() const {
    if (!forward_) return frozen_;
    return base_ + CyclePermille() * (1000 - base_) / 1000;
}

int PackageProgress::CyclePermille() const {
    const int fraction = total_ > 0 ? fw::ScaledFraction(done_, 1000, total_) : 0;
    if (generatingScript_ && !executed_) return fraction * kScriptShare / 1000;
    if (!executed_) return 0;
    return kScriptShare + fraction * (1000 - kScriptShare) / 1000;
}

InstallProgress::InstallProgress(bool removal, bool drivers) : removal_(removal), drivers_(drivers) {}

int InstallProgress::Share(InstallStep step) const {
    const int total = (removal_ ? kRemovalWeight : 0) + (drivers_ ? kDriversWeight : 0) + kProductWeight;
    int weight = kProductWeight;
    if (step == InstallStep::Removal) weight = removal_ ? kRemovalWeight : 0;
    if (step == InstallStep::Drivers) weight = drivers_ ? kDriversWeight : 0;
    return weight * 1000 / total;
}

int InstallProgress::ShareStart(InstallStep step) const {
    int start = 0;
    if (step > InstallStep::Removal) start += Share(InstallStep::Removal);
    if (step > InstallStep::Drivers) start += Share(InstallStep::Drivers);
    return start;
}

void InstallProgress::Begin(InstallStep step) {
    current_ = step;
    begun_ = true;
    package_.Reset();
    Update();
}

void InstallProgress::OnProgress(const ProgressFields& fields) {
    package_.OnProgress(fields);
    Update();
}

void InstallProgress::OnActionData() {
    package_.OnActionData();
    Update();
}

void InstallProgress::OnActionStart() { package_.OnActionStart(); }

void InstallProgress::Complete() { shown_ = 1000; }

void InstallProgress::Update() {
    if (!begun_) return;
    const int value = ShareStart(current_) + Share(current_) * package_.Permille() / 1000;
    if (value > shown_) shown_ = value;
}

#include "install/medium_check.h"

#include <algorithm>
#include <utility>

#include "framework/fraction.h"
#include "framework/thread.h"

int ReadPermille(uint64_t bytesRead, uint64_t bytesTotal) {
    if (bytesTotal == 0) return 0;
    if (bytesRead >= bytesTotal) return 1000;
    return fw::ScaledFraction(static_cast<long long>(bytesRead), 1000, static_cast<long long>(bytesTotal));
}

MediumCheck::MediumCheck() : ended_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

MediumCheck::~MediumCheck() { Stop(); }

void MediumCheck::Start(std::vector<std::wstring> packages) {
    packages_ = std::move(packages);
    started_ = true;
    permille_ = 0;
    ResetEvent(ended_.get());
    thread_ = fw::StartThread(
        [](void* check) -> DWORD WINAPI {
            static_cast<MediumCheck*>(check)->Run();
            return 0;
        },
        this);
    if (!thread_) Run();
}

bool MediumCheck::Checks(const std::wstring& package) const {
    return std::find(packages_.begin(), packages_.end(), package) != packages_.end();
}

void MediumCheck::Run() {
    verdict_ = cancelRequested_ ? MediumVerdict::Cancelled : CheckPackagesOnMedium(packages_, &refusalText_, this);
    // A cancel that came while the last block was read still ends the run: the user asked.
    if (cancelRequested_ && verdict_ == MediumVerdict::Usable) verdict_ = MediumVerdict::Cancelled;
    SetEvent(ended_.get());
}

bool MediumCheck::Continue(uint64_t bytesRead, uint64_t bytesTotal) {
    permille_ = ReadPermille(bytesRead, bytesTotal);
    return !cancelRequested_;
}

void MediumCheck::Stop() {
    if (!thread_) return;
    cancelRequested_ = true;
    WaitForSingleObject(thread_.get(), INFINITE);
    thread_.reset();
}

#pragma once
// The check of the packages on the medium, their cabinets read through, on a thread of its own,
// and all that thread shares with the GUI thread: how far it has read, the cancel, its end and
// its verdict. The run starts it as soon as the packages are known, so that a user who reads the
// licenses waits for nothing; whoever shows it (the installation's page, or nobody) only watches.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "framework/handle.h"
#include "install/install_sequence.h"

// How far a read-through has come, in thousandths; 0 while its size is unknown.
int ReadPermille(uint64_t bytesRead, uint64_t bytesTotal);

class MediumCheck : private ReadThroughProgress {
public:
    MediumCheck();
    ~MediumCheck();
    MediumCheck(const MediumCheck&) = delete;
    MediumCheck& operator=(const MediumCheck&) = delete;

    // Checks these packages from now on; a check that ran before must have ended. Where no
    // thread can be made the check runs on the calling thread.
    void Start(std::vector<std::wstring> packages);
    bool Started() const { return started_; }
    // Whether the check looks at this package.
    bool Checks(const std::wstring& package) const;
    // Signalled once the check has ended.
    HANDLE Ended() const { return ended_.get(); }
    bool HasEnded() const { return WaitForSingleObject(ended_.get(), 0) == WAIT_OBJECT_0; }
    int Permille() const { return permille_; }
    // The check stops at its next block; a check that ends meanwhile counts as cancelled.
    void Cancel() { cancelRequested_ = true; }

    // Once ended: the verdict, and the refusal text of an unusable medium (it names the file).
    MediumVerdict verdict() const { return verdict_; }
    const std::wstring& refusalText() const { return refusalText_; }

    // Cancels and waits for the thread to end.
    void Stop();

private:
    bool Continue(uint64_t bytesRead, uint64_t bytesTotal) override;
    void Run();

    std::vector<std::wstring> packages_;
    bool started_ = false;
    fw::UniqueHandle thread_;
    fw::UniqueHandle ended_;  // manual reset
    std::atomic<int> permille_{0};
    std::atomic<bool> cancelRequested_{false};
    // Written by the thread before ended_ is set; read after.
    MediumVerdict verdict_ = MediumVerdict::Unusable;
    std::wstring refusalText_;
};

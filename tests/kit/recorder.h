#pragma once
// A copy of the recording helper (launch_record.exe) planted under a chosen file name. The copy
// appends each command line it receives to "<name without .exe>.log", takes "exit=N" and
// "sleep=MS" from "<name without .exe>.cfg" or its command line, and writes
// "<name without .exe>.done" when it ends.
#include <windows.h>

#include <string>
#include <vector>

namespace kit {

class PlantedRecorder {
public:
    // Copies the helper to the full path given (folders are made); another build of the
    // helper (the 64-bit one) may be named.
    explicit PlantedRecorder(const std::wstring& exePath, const std::wstring& helper = L"launch_record.exe");
    const std::wstring& path() const { return exe_; }
    bool planted() const { return planted_; }
    void Configure(const std::string& words) const;
    // The command lines received so far, in order.
    std::vector<std::wstring> CommandLines() const;
    bool Ran() const;
    bool Done() const;

private:
    std::wstring exe_;
    std::wstring base_;
    bool planted_ = false;
};

}  // namespace kit

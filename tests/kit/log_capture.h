#pragma once
// The setup log of this process in a file of its own while it lives, read back line by line.
#include <string>
#include <vector>

#include "system/setup_log.h"
#include "tests/kit/kit.h"

namespace kit {

class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    bool ok() const { return log_.IsOpen(); }
    // The texts of the lines written since the capture began or was last cleared, without the
    // time stamp and process id.
    std::vector<std::string> Texts() const;
    void Clear() { skip_ = ReadBytes(log_.path()).size(); }

private:
    TempFolder folder_;
    SetupLog log_;
    SetupLog* previous_;
    size_t skip_ = 0;
};

}  // namespace kit

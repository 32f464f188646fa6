#include "tests/kit/log_capture.h"

namespace kit {

LogCapture::LogCapture() : previous_(ActiveSetupLog()) {
    if (log_.Open(folder_ / L"setup.log")) SetActiveSetupLog(&log_);
}

LogCapture::~LogCapture() { SetActiveSetupLog(previous_); }

std::vector<std::string> LogCapture::Texts() const {
    const std::string bytes = ReadBytes(log_.path()).substr(skip_);
    std::vector<std::string> texts;
    for (size_t at = 0; at < bytes.size();) {
        size_t end = bytes.find("\r\n", at);
        if (end == std::string::npos) end = bytes.size();
        const std::string line = bytes.substr(at, end - at);
        const size_t text = line.find("] ");
        texts.push_back(text == std::string::npos ? line : line.substr(text + 2));
        at = end + 2;
    }
    return texts;
}

}  // namespace kit

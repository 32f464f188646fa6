#include "tests/kit/recorder.h"

#include "tests/kit/kit.h"

namespace kit {

PlantedRecorder::PlantedRecorder(const std::wstring& exePath, const std::wstring& helper)
    : exe_(exePath), base_(exePath) {
    size_t dot = base_.find_last_of(L'.');
    if (dot != std::wstring::npos && dot > base_.find_last_of(L'\\')) base_.resize(dot);
    planted_ = CopyTo(BinPath(helper), exe_);
}

void PlantedRecorder::Configure(const std::string& words) const { WriteBytes(base_ + L".cfg", words); }

std::vector<std::wstring> PlantedRecorder::CommandLines() const {
    std::string bytes = ReadBytes(base_ + L".log");
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    std::vector<std::wstring> lines;
    size_t start = 0;
    for (size_t end; (end = text.find(L'\n', start)) != std::wstring::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

bool PlantedRecorder::Ran() const { return FileExists(base_ + L".log"); }

bool PlantedRecorder::Done() const { return FileExists(base_ + L".done"); }

}  // namespace kit

#include "install/package_check.h"

#include "framework/path.h"

namespace {

PackageCheck& Found(PackageCheck& check, PackageProblem problem, const std::wstring& file, const char* fault = "",
                    bool cabinet = false) {
    check.problem = problem;
    check.file = file;
    check.fault = fault;
    check.cabinet = cabinet;
    return check;
}

// Counts the bytes a cabinet gives and tells the progress; a cancel fails the next read.
class CountedReader : public ChunkReader {
public:
    CountedReader(ChunkReader& inner, ReadThroughProgress* progress, MediumReading& reading)
        : inner_(inner), progress_(progress), reading_(reading) {}
    bool cancelled = false;
    bool Next(uint8_t* buffer, size_t count, size_t* got) override {
        if (!inner_.Next(buffer, count, got)) return false;
        reading_.bytes += *got;
        cancelled = progress_ && !progress_->Continue(reading_.bytes, reading_.total);
        return !cancelled;
    }

private:
    ChunkReader& inner_;
    ReadThroughProgress* progress_;
    MediumReading& reading_;
};

}  // namespace

PackageCheck CheckPackage(const std::wstring& path, PackageReader& reader) {
    PackageCheck check;
    if (!reader.Exists(path)) return Found(check, PackageProblem::Missing, path);
    PackageFacts facts;
    if (!reader.Read(path, &facts)) return Found(check, PackageProblem::Damaged, path);
    // Without its cabinet list nothing says the package can be installed.
    if (facts.mediaUnreadable) return Found(check, PackageProblem::Damaged, path, "a Media table that cannot be read");
    check.version = facts.version;
    const std::wstring folder = fw::FolderOfPath(path);
    for (const std::wstring& name : facts.cabinets) {
        if (name.empty()) continue;
        MediumCabinet cabinet{path, name.substr(1), true};
        if (name[0] != L'#') {
            // A name cut to fit, or one that leaves the folder, would open another file.
            cabinet = {path, fw::JoinBelow(folder, name), false};
            if (cabinet.name.empty() || name.find(L'\0') != std::wstring::npos)
                return Found(check, PackageProblem::Damaged, folder + name, "a name outside the package's folder or too long", true);
            if (!reader.Exists(cabinet.name)) return Found(check, PackageProblem::Missing, cabinet.name, "", true);
        }
        const std::wstring& file = cabinet.embedded ? path : cabinet.name;
        if (cabinet.embedded && (cabinet.name.empty() || cabinet.name.find(L'\0') != std::wstring::npos))
            return Found(check, PackageProblem::Damaged, file, "an embedded cabinet without a name", true);
        if (!reader.OpenCabinet(cabinet, &cabinet.size))
            return Found(check, PackageProblem::Damaged, file, "cannot be opened", true);
        check.cabinets.push_back(std::move(cabinet));
    }
    return check;
}

MediumReading ReadThroughCabinets(const std::vector<MediumCabinet>& cabinets, PackageReader& reader,
                                  ReadThroughProgress* progress) {
    MediumReading result;
    for (const MediumCabinet& cabinet : cabinets) result.total += cabinet.size;
    if (progress && !progress->Continue(0, result.total)) return {MediumState::Cancelled, 0, {}, 0, result.total};
    for (; result.cabinet < cabinets.size(); ++result.cabinet) {
        uint64_t size = 0;
        const std::unique_ptr<ChunkReader> source = reader.OpenCabinet(cabinets[result.cabinet], &size);
        if (!source) {
            result.state = MediumState::Damaged;
            result.reading = {CabinetFault::ReadError};
            return result;
        }
        // Another size than a moment ago: the file is being changed.
        if (size != cabinets[result.cabinet].size) {
            result.state = MediumState::Damaged;
            result.reading = {CabinetFault::Size};
            return result;
        }
        CountedReader counted(*source, progress, result);
        result.reading = ReadThroughCabinet(counted, size);
        if (counted.cancelled) result.state = MediumState::Cancelled;
        else if (result.reading.fault != CabinetFault::None) result.state = MediumState::Damaged;
        if (result.state != MediumState::Whole) return result;
    }
    return result;
}

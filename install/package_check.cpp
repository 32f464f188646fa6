#include "install/package_check.h"

#include "install/cabinet_header.h"

namespace {

std::wstring FolderOf(const std::wstring& path) {
    const size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator + 1);
}

PackageCheck& Found(PackageCheck& check, PackageProblem problem, const std::wstring& file, const char* fault = "") {
    check.problem = problem;
    check.file = file;
    check.fault = fault;
    return check;
}

}  // namespace

PackageCheck CheckPackage(const std::wstring& path, PackageReader& reader) {
    PackageCheck check;
    if (!reader.Exists(path)) return Found(check, PackageProblem::Missing, path);
    PackageFacts facts;
    if (!reader.Read(path, &facts)) return Found(check, PackageProblem::Damaged, path);
    // Without its cabinet list nothing says the package can be installed.
    if (facts.mediaUnreadable) return Found(check, PackageProblem::Damaged, path, "a Media table that cannot be read");
    check.version = facts.version;
    for (const std::wstring& cabinet : facts.cabinets) {
        if (cabinet.empty() || cabinet[0] == L'#') continue;
        const std::wstring cabinetPath = FolderOf(path) + cabinet;
        // A name cut to fit would open another file, or none.
        if (cabinetPath.size() >= kMaxPathChars || cabinetPath.find(L'\0') != std::wstring::npos)
            return Found(check, PackageProblem::Damaged, cabinetPath, "a name too long");
        if (!reader.Exists(cabinetPath)) return Found(check, PackageProblem::Missing, cabinetPath);
        std::vector<uint8_t> head;
        uint64_t size = 0;
        if (!reader.ReadHead(cabinetPath, kCabinetHeadBytes, &head, &size))
            return Found(check, PackageProblem::Damaged, cabinetPath, "cannot be read");
        const CabinetFault fault = CheckCabinetHeader(head.data(), head.size(), size);
        if (fault != CabinetFault::None)
            return Found(check, PackageProblem::Damaged, cabinetPath, CabinetFaultText(fault));
        ++check.wholeCabinets;
    }
    return check;
}

#pragma once
// What can already be known to fail before anything is changed: a package that is missing,
// that is no Windows Installer package, or whose external cabinet is not beside it. A medium
// that holds setup.exe alone (a package manager that downloads only the executable) is found
// out here, while the earlier version is still installed and the applications still open.
#include <windows.h>

#include <string>
#include <vector>

// What the check reads from a package opened read-only.
struct PackageFacts {
    std::vector<std::wstring> cabinets;  // the Media table's Cabinet column; "#name" is embedded
    std::wstring version;                // the Property table's ProductVersion
};

class PackageReader {
public:
    virtual ~PackageReader() = default;
    virtual bool Exists(const std::wstring& path) = 0;
    // False when the file does not open as a Windows Installer package.
    virtual bool Read(const std::wstring& path, PackageFacts* facts) = 0;
};

enum class PackageProblem { None, Missing, Damaged };

struct PackageCheck {
    PackageProblem problem = PackageProblem::None;
    std::wstring file;     // the missing or damaged file: the package or one of its cabinets
    std::wstring version;  // the package's ProductVersion, when it opened
};

// The package, then each external cabinet named in its Media table, in table order, looked
// for in the package's folder.
PackageCheck CheckPackage(const std::wstring& path, PackageReader& reader);

// The reader of this machine: the file system and Windows Installer's database calls.
class InstallerPackageReader : public PackageReader {
public:
    bool Exists(const std::wstring& path) override;
    bool Read(const std::wstring& path, PackageFacts* facts) override;
};

// The version of a product installed now (its VersionString); empty when none is installed.
std::wstring InstalledProductVersion(const std::wstring& bracedProductCode);

#pragma once
// What can already be known to fail before anything is changed: a package that is missing,
// that is no Windows Installer package, or whose external cabinet is not beside it or is not
// whole. A medium that holds setup.exe alone (a package manager that downloads only the
// executable), a cabinet cut short by an interrupted copy or a file put in a cabinet's place is
// found out here, while the earlier version is still installed and the applications still open.
// No Windows header: the check's logic is pure, and also builds natively for fuzzing.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// What the check reads from a package opened read-only.
struct PackageFacts {
    std::vector<std::wstring> cabinets;  // the Media table's Cabinet column; "#name" is embedded
    bool mediaUnreadable = false;        // a Media table that exists but could not be read whole
    std::wstring version;                // the Property table's ProductVersion
};

class PackageReader {
public:
    virtual ~PackageReader() = default;
    virtual bool Exists(const std::wstring& path) = 0;
    // False when the file does not open as a Windows Installer package.
    virtual bool Read(const std::wstring& path, PackageFacts* facts) = 0;
    // The first min(size, count) bytes of a file and its size; false when it cannot be opened or
    // read, or gives fewer bytes than its size promised.
    virtual bool ReadHead(const std::wstring& path, size_t count, std::vector<uint8_t>* head, uint64_t* size) = 0;
};

enum class PackageProblem { None, Missing, Damaged };

struct PackageCheck {
    PackageProblem problem = PackageProblem::None;
    std::wstring file;     // the missing or damaged file: the package or one of its cabinets
    std::wstring version;  // the package's ProductVersion, when it opened
    size_t wholeCabinets = 0;  // external cabinets whose header was read and agrees with the file
    const char* fault = "";    // why a cabinet is damaged, for the log
};

// Paths of this many characters or more do not open without the long-path prefix.
constexpr size_t kMaxPathChars = 260;

// The package, then each external cabinet named in its Media table, in table order, looked
// for in the package's folder and its header checked.
PackageCheck CheckPackage(const std::wstring& path, PackageReader& reader);

// The reader of this machine: the file system and Windows Installer's database calls.
class InstallerPackageReader : public PackageReader {
public:
    bool Exists(const std::wstring& path) override;
    bool Read(const std::wstring& path, PackageFacts* facts) override;
    bool ReadHead(const std::wstring& path, size_t count, std::vector<uint8_t>* head, uint64_t* size) override;
};

// The version of a product installed now (its VersionString); empty when none is installed.
std::wstring InstalledProductVersion(const std::wstring& bracedProductCode);

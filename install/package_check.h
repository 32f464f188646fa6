#pragma once
// What can be known to fail before anything is changed: a package that is missing, that is no
// Windows Installer package, or one of whose cabinets (beside it or embedded in it) is missing,
// does not read, or is not whole to its last block. A medium that holds setup.exe alone (a
// package manager that downloads only the executable), a cabinet cut short by an interrupted
// copy, a byte changed on a scratched disc or in a broken download, or a file put in a
// cabinet's place is found out here, while the earlier version is still installed and the
// applications still open.
// No Windows header: the check's logic is pure, and also builds natively for fuzzing.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "install/cabinet_walk.h"

// What the check reads from a package opened read-only.
struct PackageFacts {
    std::vector<std::wstring> cabinets;  // the Media table's Cabinet column; "#name" is embedded
    bool mediaUnreadable = false;        // a Media table that exists but could not be read whole
    std::wstring version;                // the Property table's ProductVersion
};

// A cabinet of a package: a file beside it, or a stream of the package itself.
struct MediumCabinet {
    std::wstring package;
    std::wstring name;  // the file's path, or the stream's name
    bool embedded = false;
    uint64_t size = 0;
};

class PackageReader {
public:
    virtual ~PackageReader() = default;
    virtual bool Exists(const std::wstring& path) = 0;
    // False when the file does not open as a Windows Installer package.
    virtual bool Read(const std::wstring& path, PackageFacts* facts) = 0;
    // The cabinet's bytes from its start, and its size; null when it cannot be opened.
    virtual std::unique_ptr<ChunkReader> OpenCabinet(const MediumCabinet& cabinet, uint64_t* size) = 0;
};

enum class PackageProblem { None, Missing, Damaged };

struct PackageCheck {
    PackageProblem problem = PackageProblem::None;
    std::wstring file;     // the missing or damaged file: the package or one of its cabinets
    std::wstring version;  // the package's ProductVersion, when it opened
    std::vector<MediumCabinet> cabinets;  // those found, with their sizes, in table order
    const char* fault = "";               // why a cabinet is damaged, for the log
    bool cabinet = false;                 // the file is a cabinet, beside or in the package
};

// The package, then each cabinet named in its Media table, in table order: an external one
// looked for in the package's folder (a name with a drive, a "..", a device is damaged, never
// opened), an embedded one among the package's streams; each opened and its size taken.
PackageCheck CheckPackage(const std::wstring& path, PackageReader& reader);

// Told how far the read-through has come; false stops it (a cancel).
class ReadThroughProgress {
public:
    virtual ~ReadThroughProgress() = default;
    virtual bool Continue(uint64_t bytesRead, uint64_t bytesTotal) = 0;
};

enum class MediumState { Whole, Damaged, Cancelled };

struct MediumReading {
    MediumState state = MediumState::Whole;
    size_t cabinet = 0;      // the damaged cabinet, or where the reading was cancelled
    CabinetReading reading;  // what was wrong, and in which block
    uint64_t bytes = 0;      // read in all
    uint64_t total = 0;      // the cabinets' sizes together
};

// Reads the cabinets through one after the other (ReadThroughCabinet), telling the progress
// after each chunk read; the first damaged cabinet ends the reading, and so does a cancel.
MediumReading ReadThroughCabinets(const std::vector<MediumCabinet>& cabinets, PackageReader& reader,
                                  ReadThroughProgress* progress);

// The reader of this machine: the file system and Windows Installer's database calls.
class InstallerPackageReader : public PackageReader {
public:
    bool Exists(const std::wstring& path) override;
    bool Read(const std::wstring& path, PackageFacts* facts) override;
    std::unique_ptr<ChunkReader> OpenCabinet(const MediumCabinet& cabinet, uint64_t* size) override;
};

// The version of a product installed now (its VersionString); empty when none is installed.
std::wstring InstalledProductVersion(const std::wstring& bracedProductCode);

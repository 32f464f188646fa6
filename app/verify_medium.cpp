#include "app/verify_medium.h"

#include <string>
#include <vector>

#include "app/setup_data.h"
#include "framework/app.h"
#include "framework/file.h"
#include "framework/path.h"
#include "framework/pe_resources.h"
#include "framework/strings.h"
#include "install/install_sequence.h"
#include "install/setup_result.h"
#include "pages/license_text.h"
#include "resources/resource.h"
#include "system/setup_log.h"
#include "system/system_info.h"
#include "ui/bitmap_file.h"

namespace {

enum class FileKind { SetupData, License, Bitmap, Library, Package };

// Why the file's bytes are not what the run needs; empty when they are.
const char* ContentFault(FileKind kind, const std::vector<uint8_t>& bytes) {
    switch (kind) {
    case FileKind::SetupData: {
        const ProductSetupData data = ParseSetupData(bytes.data(), bytes.size());
        return data.productCode.empty() ? "names no product code" : "";
    }
    case FileKind::License:
        return LicenseTextFromBytes(bytes.data(), bytes.size()).empty() ? "holds no text" : "";
    case FileKind::Bitmap: {
        BitmapFileLayout layout;
        return ReadBitmapFileLayout(bytes.data(), bytes.size(), &layout) ? "" : "is no bitmap the pages can show";
    }
    case FileKind::Library: {
        // As the run takes a satellite: a resource-only library, or the texts stay English.
        const char* fault = fw::ResourceOnlyLibraryFault(bytes.data(), bytes.size());
        return fault ? fault : "";
    }
    case FileKind::Package: break;
    }
    return "";
}

// The files the string table names, with the bound the run reads each with.
struct NamedFile {
    UINT id;
    FileKind kind;
    size_t limit;
};
constexpr NamedFile kNamedFiles[] = {
    {IDS_GENERAL_LICENSE_FILE, FileKind::License, kMaxLicenseBytes},
    {IDS_DATA_LICENSE_FILE, FileKind::License, kMaxLicenseBytes},
    {IDS_BACKGROUND_BITMAP, FileKind::Bitmap, kMaxBitmapFileBytes},
    {IDS_PRODUCT_PACKAGE, FileKind::Package, 0},
};

class Verification {
public:
    // The file read whole and its content checked, or the package opened and its cabinets read
    // through as an installation checks them; a missing one is a fault when required.
    void File(const std::wstring& path, FileKind kind, size_t limit, bool required = true) {
        if (!fw::FileExists(path)) {
            if (required) Fault(path, "missing");
            return;
        }
        if (kind == FileKind::Package) {
            std::wstring refusal;  // the check logs the file and its fault itself
            ++(CheckPackagesOnMedium({path}, &refusal) == MediumVerdict::Usable ? checked_ : faults_);
            return;
        }
        std::vector<uint8_t> bytes;
        uint64_t size = 0;
        const DWORD error = fw::ReadFileHead(path, limit, &bytes, &size);
        if (error != ERROR_SUCCESS) {
            char reason[48];
            wsprintfA(reason, "cannot be read (error %lu)", error);
            return Fault(path, reason);
        }
        if (size > bytes.size()) return Fault(path, "too large, or cut short while read");
        const char* fault = ContentFault(kind, bytes);
        if (*fault) return Fault(path, fault);
        ++checked_;
        LogEvent(fw::Format("Verify: %s: whole, %I64u bytes", path.c_str(), size));
    }

    // A file the string table names: it must stay below the medium's folder.
    void Named(const std::wstring& folder, const std::wstring& name, FileKind kind, size_t limit, bool required) {
        const std::wstring path = fw::JoinBelow(folder, name);
        if (path.empty()) return Fault(folder + name, "a name that leaves the medium's folder");
        File(path, kind, limit, required);
    }

    DWORD End() const {
        LogEvent(fw::Format("Verification of the medium: %u files checked", checked_ + faults_));
        if (faults_)
            LogEvent(fw::Format("Verification of the medium: %u missing or damaged", faults_));
        else
            LogEvent("Verification of the medium: every file is whole");
        return faults_ ? RefusalExitCode(Refusal::PackageUnusable) : ERROR_SUCCESS;
    }

private:
    void Fault(const std::wstring& path, const char* fault) {
        ++faults_;
        LogEvent(fw::Format("Verify: %s: %hs", path.c_str(), fault));
    }

    unsigned checked_ = 0;
    unsigned faults_ = 0;
};

}  // namespace

DWORD VerifyMedium() {
    const std::wstring folder = GetSetupFolder();
    Verification verify;
    verify.File(folder + L"setup.dat", FileKind::SetupData, kMaxSetupDataBytes);
    // The English file, which the run falls back on, and the user's language's own where the
    // medium has one.
    for (const NamedFile& file : kNamedFiles) {
        const std::wstring english = fw::LoadEnglishString(file.id);
        const std::wstring own = fw::LoadResString(file.id);
        verify.Named(folder, english, file.kind, file.limit, true);
        if (!own.empty() && _wcsicmp(own.c_str(), english.c_str()) != 0)
            verify.Named(folder, own, file.kind, file.limit, false);
    }
    // Every satellite library beside the setup: "setup" and a language's three letters.
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"setup???.dll").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && wcslen(found.cFileName) == 12)
                verify.File(folder + found.cFileName, FileKind::Library, fw::kMaxSatelliteBytes);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    // Both drivers packages: the medium serves 32-bit and 64-bit Windows alike.
    for (const bool wow64 : {false, true}) verify.File(UsbDriversPackagePath(folder, wow64), FileKind::Package, 0);
    return verify.End();
}

#include "app/verify_medium.h"

#include <string>
#include <vector>

#include "app/setup_data.h"
#include "framework/file.h"
#include "framework/strings.h"
#include "install/install_sequence.h"
#include "install/setup_result.h"
#include "pages/license_text.h"
#include "resources/resource.h"
#include "system/setup_log.h"
#include "system/system_info.h"
#include "ui/bitmap_file.h"

namespace {

// The bounds the run reads these files with.
constexpr size_t kMaxSetupDataBytes = 1u << 20;
constexpr size_t kMaxLicenseBytes = 16u << 20;
constexpr size_t kMaxBitmapBytes = 64u << 20;
constexpr size_t kMaxLibraryBytes = 16u << 20;

uint32_t U32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

enum class FileKind { SetupData, License, Bitmap, Library };

// Why the file's bytes are not what the run needs; empty when they are.
const char* ContentFault(FileKind kind, const std::vector<uint8_t>& bytes) {
    switch (kind) {
    case FileKind::SetupData: {
        const ProductSetupData data = ParseSetupData(bytes.data(), bytes.size());
        if (data.productCodeRefused || data.productCode.empty()) return "names no product code";
        return "";
    }
    case FileKind::License:
        return LicenseTextFromBytes(bytes.data(), bytes.size()).empty() ? "holds no text" : "";
    case FileKind::Bitmap: {
        BitmapFileLayout layout;
        return ReadBitmapFileLayout(bytes.data(), bytes.size(), &layout) ? "" : "is no bitmap the pages can show";
    }
    case FileKind::Library: return LibraryImageFault(bytes.data(), bytes.size());
    }
    return "";
}

class Verification {
public:
    // The file read whole and its content checked; a missing one is a fault when required.
    void File(const std::wstring& path, FileKind kind, size_t limit, bool required = true) {
        if (!fw::FileExists(path)) {
            if (required) Fault(path, "missing");
            return;
        }
        std::vector<uint8_t> bytes;
        uint64_t size = 0;
        const DWORD error = fw::ReadFileHead(path, limit, &bytes, &size);
        if (error != ERROR_SUCCESS) return Fault(path, fw::Format("cannot be read (error %lu)", error));
        if (size > bytes.size()) return Fault(path, fw::Format("larger than %I64u bytes, or cut short while read", uint64_t{limit}));
        const char* fault = ContentFault(kind, bytes);
        if (*fault) return Fault(path, fault);
        ++checked_;
        LogEvent(fw::Format("Verify: %s: whole, %I64u bytes", path.c_str(), size));
    }

    // The package opened and its cabinets read through, as an installation checks it.
    void Package(const std::wstring& path, bool required = true) {
        if (!required && !fw::FileExists(path)) return;
        InstallPlan plan;
        plan.productPackage = path;
        std::wstring refusal;
        if (CheckPackagesOnMedium(plan, &refusal) == MediumVerdict::Usable) {
            ++checked_;
        } else {
            ++faults_;
        }
    }

    DWORD End() const {
        LogEvent(fw::Format("Verification of the medium: %u files whole, %u missing or damaged", checked_, faults_));
        return faults_ ? RefusalExitCode(Refusal::PackageUnusable) : ERROR_SUCCESS;
    }

private:
    void Fault(const std::wstring& path, const std::wstring& fault) {
        ++faults_;
        LogEvent(fw::Format("Verify: %s: %s", path.c_str(), fault.c_str()));
    }
    void Fault(const std::wstring& path, const char* fault) { Fault(path, fw::Format("%hs", fault)); }

    unsigned checked_ = 0;
    unsigned faults_ = 0;
};

// Each name of the string: the English one, which the run falls back on, and the user's
// language's own when it differs, checked where it is on the medium.
template <typename Check>
void EachName(UINT id, Check check) {
    const std::wstring english = fw::LoadEnglishString(id);
    const std::wstring own = fw::LoadResString(id);
    check(english, true);
    if (!own.empty() && _wcsicmp(own.c_str(), english.c_str()) != 0) check(own, false);
}

}  // namespace

const char* LibraryImageFault(const uint8_t* bytes, size_t size) {
    constexpr uint32_t kDll = 0x2000;  // IMAGE_FILE_DLL
    if (size < 0x40 || bytes[0] != 'M' || bytes[1] != 'Z') return "is no Windows library";
    const uint32_t header = U32(bytes + 0x3c);
    if (header > size || size - header < 24 || U32(bytes + header) != 0x00004550) return "is no Windows library";
    const uint32_t machine = bytes[header + 4] | bytes[header + 5] << 8;
    const uint32_t characteristics = bytes[header + 22] | bytes[header + 23] << 8;
    if (machine != 0x14c || !(characteristics & kDll)) return "is no 32-bit Windows library";
    return "";
}

DWORD VerifyMedium() {
    const std::wstring folder = GetSetupFolder();
    Verification verify;
    verify.File(folder + L"setup.dat", FileKind::SetupData, kMaxSetupDataBytes);
    for (const UINT id : {IDS_GENERAL_LICENSE_FILE, IDS_DATA_LICENSE_FILE})
        EachName(id, [&](const std::wstring& name, bool required) {
            verify.File(folder + name, FileKind::License, kMaxLicenseBytes, required);
        });
    EachName(IDS_BACKGROUND_BITMAP, [&](const std::wstring& name, bool required) {
        verify.File(folder + name, FileKind::Bitmap, kMaxBitmapBytes, required);
    });
    // Every satellite library beside the setup: "setup" and a language's three letters.
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"setup???.dll").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && wcslen(found.cFileName) == 12)
                verify.File(folder + found.cFileName, FileKind::Library, kMaxLibraryBytes);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    EachName(IDS_PRODUCT_PACKAGE,
             [&](const std::wstring& name, bool required) { verify.Package(folder + name, required); });
    // Both drivers packages: the medium serves 32-bit and 64-bit Windows alike.
    for (const bool wow64 : {false, true}) verify.Package(UsbDriversPackagePath(folder, wow64));
    return verify.End();
}

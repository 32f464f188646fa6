// The package check's decisions on what a reader finds: files there or not, a package that
// opens or not, its Media table's names (any characters, any length), a table that cannot be
// read, and each cabinet's beginning and size.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>

#include "install/cabinet_header.h"
#include "install/package_check.h"

namespace {

class FuzzedReader : public PackageReader {
public:
    explicit FuzzedReader(FuzzedDataProvider& input) : input_(input) {}
    bool Exists(const std::wstring&) override { return input_.ConsumeIntegralInRange<int>(0, 7) != 0; }
    bool Read(const std::wstring&, PackageFacts* facts) override {
        if (!input_.ConsumeBool()) return false;
        facts->mediaUnreadable = input_.ConsumeIntegralInRange<int>(0, 7) == 0;
        const int rows = input_.ConsumeIntegralInRange<int>(0, 6);
        for (int i = 0; i < rows; ++i) {
            const std::string bytes = input_.ConsumeRandomLengthString(400);
            facts->cabinets.emplace_back(bytes.begin(), bytes.end());
        }
        facts->version = L"2.0.0";
        return true;
    }
    bool ReadHead(const std::wstring&, size_t count, std::vector<uint8_t>* head, uint64_t* size) override {
        if (input_.ConsumeIntegralInRange<int>(0, 15) == 0) return false;
        *head = input_.ConsumeBytes<uint8_t>(input_.ConsumeIntegralInRange<size_t>(0, 512));
        *size = head->size() + (input_.ConsumeBool() ? 0 : input_.ConsumeIntegral<uint32_t>());
        if (head->size() > count) head->resize(count);
        return true;
    }

private:
    FuzzedDataProvider& input_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    FuzzedReader reader(input);
    const std::wstring package = L"D:\\Setup_ENU.msi";
    const PackageCheck check = CheckPackage(package, reader);
    // A problem always names its file; a file named is the package or a path beside it.
    if ((check.problem == PackageProblem::None) != check.file.empty()) __builtin_trap();
    if (!check.file.empty() && check.file.rfind(L"D:\\", 0) != 0) __builtin_trap();
    // A cabinet found damaged says why.
    if (check.problem == PackageProblem::Damaged && check.file != package && *check.fault == '\0') __builtin_trap();
    return 0;
}

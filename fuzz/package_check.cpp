// The package check's decisions on what a reader finds: files there or not, a package that
// opens or not, its Media table's names (any characters, any length), a table that cannot be
// read, each cabinet's bytes, size, chunks and read errors, and the read-through of them all.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>

#include "install/cabinet_header.h"
#include "install/package_check.h"

namespace {

class Chunks : public ChunkReader {
public:
    Chunks(const std::vector<uint8_t>& bytes, size_t chunk, size_t failAt) : bytes_(bytes), chunk_(chunk), failAt_(failAt) {}
    bool Next(uint8_t* buffer, size_t count, size_t* got) override {
        if (position_ >= failAt_) return false;
        *got = std::min({count, chunk_, bytes_.size() - position_, failAt_ - position_});
        std::copy_n(bytes_.begin() + position_, *got, buffer);
        position_ += *got;
        return true;
    }

private:
    const std::vector<uint8_t>& bytes_;
    size_t chunk_;
    size_t failAt_;
    size_t position_ = 0;
};

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
    std::unique_ptr<ChunkReader> OpenCabinet(const MediumCabinet&, uint64_t* size) override {
        if (input_.ConsumeIntegralInRange<int>(0, 15) == 0) return nullptr;
        bytes_.push_back(input_.ConsumeBytes<uint8_t>(input_.ConsumeIntegralInRange<size_t>(0, 512)));
        *size = bytes_.back().size() + (input_.ConsumeIntegralInRange<int>(0, 3) ? 0 : input_.ConsumeIntegral<uint16_t>());
        return std::make_unique<Chunks>(bytes_.back(), input_.ConsumeIntegralInRange<size_t>(1, 600),
                                        input_.ConsumeBool() ? SIZE_MAX : input_.ConsumeIntegral<uint16_t>());
    }

private:
    FuzzedDataProvider& input_;
    std::deque<std::vector<uint8_t>> bytes_;  // kept while the check reads them
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    FuzzedReader reader(input);
    const std::wstring package = L"D:\\Setup_ENU.msi";
    const PackageCheck check = CheckPackage(package, reader);
    const MediumReading reading = ReadThroughCabinets(check.cabinets, reader, nullptr);
    // A reading ends within the cabinets it was given, and whole only when it read them all.
    if (reading.cabinet > check.cabinets.size()) __builtin_trap();
    if ((reading.state == MediumState::Whole) != (reading.cabinet == check.cabinets.size())) __builtin_trap();
    if (reading.state == MediumState::Whole && reading.bytes != reading.total) __builtin_trap();
    // A problem always names its file; a file named is the package or a path beside it.
    if ((check.problem == PackageProblem::None) != check.file.empty()) __builtin_trap();
    if (!check.file.empty() && check.file.rfind(L"D:\\", 0) != 0) __builtin_trap();
    // A cabinet found damaged says why.
    if (check.problem == PackageProblem::Damaged && check.file != package && *check.fault == '\0') __builtin_trap();
    return 0;
}

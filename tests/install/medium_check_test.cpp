// The medium check on its own thread: its verdict and refusal after its end, a cancel, and the
// bar's value; the check of a satellite library's bytes that /verify makes.
#include "install/medium_check.h"

#include <gtest/gtest.h>

#include <string>

#include "app/verify_medium.h"

namespace {

TEST(MediumCheck, EndsOnItsThreadWithTheVerdictNamingTheFileOrCancelled) {
    InstallPlan plan;
    plan.productPackage = L"C:\\no such medium\\Setup_ENU.msi";
    MediumCheck check;
    EXPECT_FALSE(check.Started());
    check.Start(plan);
    ASSERT_EQ(WaitForSingleObject(check.Ended(), 10000), WAIT_OBJECT_0);
    EXPECT_EQ(check.verdict(), MediumVerdict::Unusable);
    EXPECT_NE(check.refusalText().find(plan.productPackage), std::wstring::npos) << check.refusalText().c_str();

    // The user's cancel wins over what the medium holds, and the check starts again on demand.
    check.Cancel();
    check.Start(plan);
    ASSERT_EQ(WaitForSingleObject(check.Ended(), 10000), WAIT_OBJECT_0);
    EXPECT_EQ(check.verdict(), MediumVerdict::Cancelled);
}

TEST(MediumCheck, BarInThousandths) {
    const struct {
        uint64_t read, total;
        int permille;
    } rows[] = {{0, 0, 0}, {5, 0, 0}, {0, 10, 0}, {1, 3, 333}, {999, 1000, 999}, {10, 10, 1000},
                {11, 10, 1000}, {3ull << 40, 4ull << 40, 750}};
    for (const auto& row : rows) EXPECT_EQ(ReadPermille(row.read, row.total), row.permille) << row.read << "/" << row.total;
}

std::string Library(uint16_t machine, uint16_t characteristics, uint32_t header = 0x80) {
    std::string bytes(0x200, '\0');
    bytes[0] = 'M', bytes[1] = 'Z';
    for (int i = 0; i < 4; ++i) bytes[0x3c + i] = static_cast<char>(header >> (8 * i));
    if (uint64_t{header} + 24 <= bytes.size()) {
        bytes.replace(header, 4, std::string("PE\0\0", 4));
        bytes[header + 4] = static_cast<char>(machine), bytes[header + 5] = static_cast<char>(machine >> 8);
        bytes[header + 22] = static_cast<char>(characteristics), bytes[header + 23] = static_cast<char>(characteristics >> 8);
    }
    return bytes;
}

TEST(VerifyMedium, SatelliteLibraryBytes) {
    const struct {
        const char* what;
        std::string bytes;
        bool whole;
    } rows[] = {
        {"an x86 DLL", Library(0x14c, 0x2102), true},
        {"an x64 DLL", Library(0x8664, 0x2022), false},
        {"an x86 program", Library(0x14c, 0x0102), false},
        {"header offset past the end", Library(0x14c, 0x2102, 0x1f0), false},
        {"header offset far out", Library(0x14c, 0x2102, 0xfffffff0u), false},
        {"a text file", std::string(0x200, 'x'), false},
        {"cut short", Library(0x14c, 0x2102).substr(0, 0x30), false},
    };
    for (const auto& row : rows) {
        const char* fault = LibraryImageFault(reinterpret_cast<const uint8_t*>(row.bytes.data()), row.bytes.size());
        EXPECT_EQ(*fault == '\0', row.whole) << row.what << ": " << fault;
    }
}

}  // namespace

// The medium check on its own thread: its verdict and refusal after its end, a cancel, and the
// bar's value.
#include "install/medium_check.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(MediumCheck, EndsOnItsThreadWithTheVerdictNamingTheFileOrCancelled) {
    const std::wstring package = L"C:\\no such medium\\Setup_ENU.msi";
    MediumCheck check;
    EXPECT_FALSE(check.Started());
    check.Start({package});
    ASSERT_EQ(WaitForSingleObject(check.Ended(), 10000), WAIT_OBJECT_0);
    EXPECT_EQ(check.verdict(), MediumVerdict::Unusable);
    EXPECT_NE(check.refusalText().find(package), std::wstring::npos) << check.refusalText().c_str();

    // The user's cancel wins over what the medium holds, and the check starts again on demand.
    check.Cancel();
    check.Start({package});
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

}  // namespace

// The rig itself: a program that crashes in a test prefix ends at once, with its fault as exit
// code, instead of waiting at a crash dialog until the test's time is up.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/kit/kit.h"

TEST(Rig, CrashingProgramEndsWithItsFault) {
    kit::Process crashing(L"crash.exe");
    ASSERT_TRUE(crashing.started());
    EXPECT_EQ(crashing.Wait(30000), static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
}

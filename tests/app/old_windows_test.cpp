#include "app/old_windows.h"

#include <gtest/gtest.h>

#include "system/setup_log.h"

namespace {

TEST(OldWindows, GetVersionAnswersBefore2000AreOld) {
    const struct {
        DWORD version;
        bool old;
    } rows[] = {{0xC3B60004, true},  {0xC0000A04, true},  {0xC0005A04, true},  {0x05650004, true},
                {0x04213303, true},  {0x08930005, false}, {0x0A280105, false}, {0x0ECE0205, false},
                {0x17700006, false}, {0x23F00206, false}, {0x4A61000A, false}};
    for (const auto& row : rows) EXPECT_EQ(IsOlderThanWindows2000(row.version), row.old) << std::hex << row.version;
}

TEST(OldWindows, LogLineAsTheSetupLogWritesIt) {
    const SYSTEMTIME time{2026, 12, 1, 7, 9, 5, 3, 42};
    for (const char* text : {"Exit code 1150", "two\r\nlines\n\nhere", ""}) {
        char line[128];
        const int length = OldWindowsLogLine(time, 4711, text, line);
        EXPECT_EQ(std::string(line, length), LogLineBytes(time, 4711, std::wstring(text, text + strlen(text))));
    }
}

}  // namespace

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
    const struct {
        const char* text;
        int offset;
    } rows[] = {{"Exit code 1150", 60}, {"two\r\nlines\n\nhere", -330}, {"", 0}};
    for (const auto& row : rows) {
        char line[128];
        const int length = AnsiLogLine(time, row.offset, 4711, row.text, line);
        EXPECT_EQ(std::string(line, length),
                  LogLineBytes(time, row.offset, 4711, std::wstring(row.text, row.text + strlen(row.text))));
    }
}

}  // namespace

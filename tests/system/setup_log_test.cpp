#include "system/setup_log.h"

#include <gtest/gtest.h>

#include "tests/kit/kit.h"

namespace {

SYSTEMTIME Time(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second, WORD ms) {
    SYSTEMTIME time{};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = second;
    time.wMilliseconds = ms;
    return time;
}

TEST(SetupLogLine, OneStampedUtf8LinePerEvent) {
    const SYSTEMTIME time = Time(2031, 2, 3, 4, 5, 6, 7);
    struct Row {
        const wchar_t* text;
        std::string line;
    } rows[] = {
        {L"Exit code 0", "2031-02-03 04:05:06.007 +01:00 [4242] Exit code 0\r\n"},
        {L"first\n\nsecond\r\nthird\n", "2031-02-03 04:05:06.007 +01:00 [4242] first second third \r\n"},
        {L"Z\u00fcrich \u20ac", "2031-02-03 04:05:06.007 +01:00 [4242] Z\xc3\xbcrich \xe2\x82\xac\r\n"},
        {L"", "2031-02-03 04:05:06.007 +01:00 [4242] \r\n"},
    };
    for (const Row& row : rows) EXPECT_EQ(LogLineBytes(time, 60, 4242, row.text), row.line);
    // West of Greenwich, half hours, and UTC itself.
    const std::pair<int, const char*> offsets[] = {{-300, "-05:00"}, {330, "+05:30"}, {-570, "-09:30"}, {0, "+00:00"}};
    for (const auto& [minutes, text] : offsets)
        EXPECT_EQ(LogLineBytes(Time(2031, 12, 31, 23, 59, 59, 999), minutes, 7, L"x"),
                  std::string("2031-12-31 23:59:59.999 ") + text + " [7] x\r\n");
}

TEST(SetupLogNames, DefaultAndPackageLogs) {
    const SYSTEMTIME day = Time(2031, 2, 3, 4, 5, 6, 7);
    EXPECT_EQ(DefaultLogFileName(L"Example Maps", day), L"Example Maps Setup 2031-02-03.log");
    EXPECT_EQ(DefaultLogFileName(L"", day), L"Setup 2031-02-03.log");
    EXPECT_EQ(DefaultLogFileName(L"A/B: \"C\" <D>|E*?\\\t", day), L"A_B_ _C_ _D__E____ Setup 2031-02-03.log");

    struct Row {
        const wchar_t* log;
        const wchar_t* package;
        const wchar_t* path;
    } rows[] = {
        {L"C:\\Logs\\setup.log", L"D:\\Setup_ENU.msi", L"C:\\Logs\\setup_Setup_ENU.log"},
        {L"C:\\Logs\\setup.log", L"D:\\USB_Drivers\\USB_64.msi", L"C:\\Logs\\setup_USB_64.log"},
        {L"C:\\Logs\\setup", L"D:\\USB_Drivers\\USB_32.msi", L"C:\\Logs\\setup_USB_32"},
        {L"C:\\my.logs\\setup", L"Removal", L"C:\\my.logs\\setup_Removal"},
        {L"C:\\Logs\\run.1.txt", L"D:\\a.b\\Setup_DEU.msi", L"C:\\Logs\\run.1_Setup_DEU.txt"},
        {L"setup.log", L"Setup_ENU.msi", L"setup_Setup_ENU.log"},
    };
    for (const Row& row : rows) EXPECT_EQ(PackageLogPath(row.log, row.package), row.path) << row.log;
}

TEST(SetupLogFile, RunsSharingAFileAppendTheirLines) {
    kit::TempFolder folder;
    const std::wstring path = folder / L"setup.log";
    kit::WriteBytes(path, "earlier run\r\n");
    SetupLog first;
    SetupLog second;
    ASSERT_TRUE(first.Open(path));
    ASSERT_TRUE(second.Open(path));
    EXPECT_EQ(first.path(), path);
    first.Write(L"one");
    second.Write(L"two");
    first.Write(L"three");

    const std::string bytes = kit::ReadBytes(path);
    EXPECT_EQ(bytes.rfind("earlier run\r\n", 0), 0u);
    const size_t one = bytes.find("] one\r\n"), two = bytes.find("] two\r\n"), three = bytes.find("] three\r\n");
    ASSERT_NE(three, std::string::npos) << bytes;
    EXPECT_LT(one, two);
    EXPECT_LT(two, three);

    // Only the active log is written through LogEvent.
    LogEvent(L"nobody listens");
    LogEvent("nobody", L" listens", " either");
    SetActiveSetupLog(&second);
    LogEvent(L"through the active log");
    LogEvent("ASCII line");
    LogEvent("Package: ", L"D:\\K\u00f6rvel.msi", " opens");
    LogEvent("Medium: ", L"D:\\");
    SetActiveSetupLog(nullptr);
    const std::string after = kit::ReadBytes(path);
    EXPECT_EQ(after.find("nobody"), std::string::npos);
    EXPECT_NE(after.find("] through the active log\r\n"), std::string::npos);
    EXPECT_NE(after.find("] ASCII line\r\n"), std::string::npos);
    EXPECT_NE(after.find("] Package: D:\\K\xc3\xb6rvel.msi opens\r\n"), std::string::npos) << after;
    EXPECT_NE(after.find("] Medium: D:\\\r\n"), std::string::npos) << after;

    // A hard link under the log's name, to a file elsewhere, is never written through.
    const std::wstring other = folder / L"other.txt";
    kit::WriteBytes(other, "another file\r\n");
    ASSERT_TRUE(CreateHardLinkW((folder / L"linked.log").c_str(), other.c_str(), nullptr));
    SetupLog linked;
    EXPECT_FALSE(linked.Open(folder / L"linked.log"));
    EXPECT_EQ(OpenLogFile(folder / L"linked.log"), INVALID_HANDLE_VALUE);  // nor a package's log there
    linked.Write(L"through the link");
    EXPECT_EQ(kit::ReadBytes(other), "another file\r\n");

    SetupLog nowhere;
    EXPECT_FALSE(nowhere.Open(folder / L"missing folder\\setup.log"));
    EXPECT_TRUE(nowhere.path().empty());
    nowhere.Write(L"lost");
}

}  // namespace

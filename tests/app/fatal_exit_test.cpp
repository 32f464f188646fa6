// The one fatal path: its lines and codes, and setup.exe's entry point and delay-load hooks
// ending a run through it (fatal_probe, linked as setup.exe is).
#include "app/fatal_exit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/kit/kit.h"

namespace {

TEST(FatalExit, EachCauseHasItsLineAndCode) {
    const std::string longName(400, 'x');
    const struct {
        FatalCause cause;
        const char* dll;
        const char* function;
        std::string line;
        DWORD exitCode;
    } rows[] = {
        {FatalCause::OutOfMemory, nullptr, nullptr, "Fatal: out of memory", 1603},
        {FatalCause::BrokenPrecondition, nullptr, nullptr, "Fatal: a library precondition failed", 1603},
        {FatalCause::MissingDll, "USER32.dll", nullptr, "Fatal: USER32.dll cannot be loaded from the system folder",
         126},
        {FatalCause::MissingFunction, "GDI32.dll", "#12", "Fatal: GDI32.dll has no function #12", 127},
        // A name too long for the line is cut, never written past it.
        {FatalCause::MissingDll, longName.c_str(), nullptr, "Fatal: " + longName.substr(0, kFatalTextSize - 8), 126},
    };
    for (const auto& row : rows) {
        char buffer[kFatalTextSize + 8];
        memset(buffer, '#', sizeof buffer);
        FatalText(row.cause, row.dll, row.function, buffer);
        EXPECT_EQ(std::string(buffer), row.line);
        EXPECT_EQ(buffer[kFatalTextSize], '#');
        EXPECT_EQ(FatalExitCode(row.cause), row.exitCode) << row.line;
    }
}

// The texts of a log's lines, without time stamp and process id.
std::vector<std::string> LogTexts(const std::wstring& path) {
    std::vector<std::string> texts;
    const std::string bytes = kit::ReadBytes(path);
    for (size_t start = 0; start < bytes.size();) {
        const size_t end = bytes.find("\r\n", start);
        const std::string line = bytes.substr(start, end - start);
        const size_t text = line.find("] ");
        texts.push_back(text == std::string::npos ? line : line.substr(text + 2));
        if (end == std::string::npos) break;
        start = end + 2;
    }
    return texts;
}

// Each failure writes its line and the exit code and ends with that code; the interactive run
// shows the line in a box first. A DLL of the absent one's name beside the program is never
// loaded (Wine is told to prefer it), so no search ever reached the program's folder.
TEST(FatalExit, TheRunEndsThroughTheFatalPath) {
    kit::TempFolder folder;
    const std::wstring probe = folder / L"fatal_probe.exe";
    ASSERT_TRUE(kit::CopyTo(kit::BinPath(L"fatal_probe.exe"), probe));
    ASSERT_TRUE(kit::CopyTo(kit::BinPath(L"planted_dll.dll"), folder / L"korvelabsent.dll"));
    const struct {
        const wchar_t* what;
        bool quiet;
        std::string line;
        DWORD exitCode;
    } rows[] = {
        {L"absent-dll", true, "Fatal: korvelabsent.dll cannot be loaded from the system folder", 126},
        {L"absent-dll", false, "Fatal: korvelabsent.dll cannot be loaded from the system folder", 126},
        {L"absent-function", true, "Fatal: psapi.dll has no function KorvelMissingFunction", 127},
        {L"out-of-memory", true, "Fatal: out of memory", 1603},
        {L"precondition", false, "Fatal: a library precondition failed", 1603},
    };
    int run = 0;
    for (const auto& row : rows) {
        const std::string what = std::string(row.line) + (row.quiet ? " /quiet" : "");
        const std::wstring log = folder / (L"run" + std::to_wstring(++run) + L".log");
        kit::Process process(L"\"" + probe + L"\"" + (row.quiet ? L" /quiet" : L"") + L" /log \"" + log + L"\" " +
                             row.what);
        ASSERT_TRUE(process.started()) << what;
        if (!row.quiet) {
            HWND box = kit::WaitForMessageBox(process.id());
            ASSERT_NE(box, nullptr) << what;
            EXPECT_EQ(kit::MessageBoxText(box), std::wstring(row.line.begin(), row.line.end())) << what;
            EXPECT_EQ(kit::TextOf(box), L"fatal_probe");
            kit::PressButton(box, IDOK);
        }
        EXPECT_EQ(process.Wait(), row.exitCode) << what;
        const std::wstring probeLine = std::wstring(L"Probe: ") + row.what;
        EXPECT_EQ(LogTexts(log), (std::vector<std::string>{std::string(probeLine.begin(), probeLine.end()), row.line,
                                                             "Exit code " + std::to_string(row.exitCode)}))
            << what;
    }
    EXPECT_FALSE(kit::FileExists(L"C:\\planted-korvelabsent.dll.txt"));
}

// While the box is up nothing behind it takes input, and a quit posted behind it (as a page's
// "Finish" posts one) neither answers it nor ends the run: only its own button does.
TEST(FatalExit, OnlyTheBoxsOwnButtonEndsTheRun) {
    kit::TempFolder folder;
    const std::wstring probe = folder / L"fatal_probe.exe";
    ASSERT_TRUE(kit::CopyTo(kit::BinPath(L"fatal_probe.exe"), probe));
    const std::wstring log = folder / L"behind.log";
    kit::Process process(L"\"" + probe + L"\" /log \"" + log + L"\" quit-behind");
    ASSERT_TRUE(process.started());
    HWND page = nullptr;
    ASSERT_TRUE(kit::WaitUntil(
        [&] {
            for (HWND window : kit::TopLevelWindows(process.id()))
                if (kit::TextOf(window) == L"quit posted") page = window;
            return page != nullptr;
        },
        60000));
    HWND box = nullptr;
    ASSERT_TRUE(kit::WaitUntil(
        [&] { return (box = kit::FindMessageBox(process.id())) && IsWindowVisible(box) && !IsWindowEnabled(page); },
        30000))
        << "the box went with the quit, or the page behind it takes input";
    EXPECT_EQ(kit::MessageBoxText(box), L"Fatal: a library precondition failed");
    EXPECT_TRUE(process.Running());
    // The box found may be the one the quit closed, going: pressed until the run ends.
    EXPECT_TRUE(kit::WaitUntil(
        [&] {
            if (HWND shown = kit::FindMessageBox(process.id())) kit::PressButton(shown, IDOK);
            return !process.Running();
        },
        30000, 200));
    EXPECT_EQ(process.Wait(), 1603u);
    EXPECT_EQ(LogTexts(log), (std::vector<std::string>{"Probe: quit-behind", "Fatal: a library precondition failed",
                                                         "Exit code 1603"}));
}

}  // namespace

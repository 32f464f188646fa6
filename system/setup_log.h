#pragma once
// The setup log: UTF-8 text, one line with a time stamp per event. Lines are appended, so runs
// that share a file (a second copy of the setup, the same /log file again) keep each other's.
// Nothing secret is ever written: switches, paths, product codes, checks and results only.
#include <windows.h>

#include <string>

#include "framework/handle.h"

class SetupLog {
public:
    SetupLog() = default;
    ~SetupLog();
    SetupLog(const SetupLog&) = delete;
    SetupLog& operator=(const SetupLog&) = delete;

    // Opens the file for appending, creating it when missing. False when it cannot be written.
    bool Open(const std::wstring& path);
    bool IsOpen() const { return static_cast<bool>(file_); }
    const std::wstring& path() const { return path_; }
    void Write(const std::wstring& text);
    // A line of ASCII text, written without allocating: the one way a run that is out of memory
    // still says why it ends.
    void WriteAnsi(const char* text) const;

private:
    fw::UniqueFileHandle file_;
    std::wstring path_;
};

// The log the whole setup writes to; null, and nothing is logged, until start-up opens one.
SetupLog* ActiveSetupLog();
void SetActiveSetupLog(SetupLog* log);
// A line in the active log, when there is one.
void LogEvent(const std::wstring& text);
// The program's own texts in ASCII (half the room of wide literals in the executable): the line,
// or the text between an ASCII start and end.
void LogEvent(const char* text);
void LogEvent(const char* start, const std::wstring& text, const char* end = "");
// A message of the string table, its "%s" filled with the value: logged in English, given back
// in the user's language for a box or a page.
std::wstring LoggedMessage(UINT message, const std::wstring& value = std::wstring());

// One line as written: "YYYY-MM-DD hh:mm:ss.mmm +hh:mm [process id] text" and CR LF, in UTF-8: local
// time and its offset from UTC, so lines of machines in other time zones can be put side by
// side. A run of line breaks in the text becomes one blank, so each event stays on one line.
// The local time now, and its offset from UTC in minutes (daylight saving time included).
SYSTEMTIME LocalTimeNow(int* utcOffsetMinutes);
std::string LogLineBytes(const SYSTEMTIME& time, int utcOffsetMinutes, DWORD processId, const std::wstring& text);
// The same line for ANSI text, in buffer (at least 64 bytes longer than text), with no allocation
// and only functions every Win32 system exports. Its length in bytes.
int AnsiLogLine(const SYSTEMTIME& time, int utcOffsetMinutes, DWORD processId, const char* text, char* buffer);

// "<product> Setup YYYY-MM-DD.log", or "Setup YYYY-MM-DD.log" without a product name; characters
// a file name cannot hold become "_".
std::wstring DefaultLogFileName(const std::wstring& productName, const SYSTEMTIME& date);

// A package's installer log beside the setup log: the package's name without folder and
// extension goes before the log's extension ("C:\Logs\setup.log" and "D:\Setup_ENU.msi" give
// "C:\Logs\setup_Setup_ENU.log").
std::wstring PackageLogPath(const std::wstring& setupLogPath, const std::wstring& package);
// A log file opened for appending, created when missing; INVALID_HANDLE_VALUE when it cannot be,
// or when its name is a link (symbolic, or a hard link to another file), which is never written
// through: a log may lie in a folder an ordinary user can write.
HANDLE OpenLogFile(const std::wstring& path);

// Where an unattended run without /log writes its log: the temporary folder, under a name with
// the product and the date.
std::wstring DefaultLogPath(const std::wstring& productName);

// Opens the log, makes it the one the setup writes to and writes the run's first lines: where
// the log is, the setup's version, the command line, Windows and its bitness, the account,
// session and window station, the medium. False when it cannot be
// written (nothing is logged then).
bool StartSetupLog(SetupLog& log, const std::wstring& path);

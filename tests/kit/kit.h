#pragma once
// Shared helpers of the Windows-side tests: folders and files, child processes, registry,
// windows and message boxes, the rig's environment.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace kit {

// The rig's description of the prefix this test runs in.
std::string RigArch();     // "win32" or "win64"
std::string RigVersion();  // "winxp", "win7", ...
bool Is64BitPrefix();

// The folder of the running test program (where its helpers are built), with a backslash.
std::wstring BinFolder();
std::wstring BinPath(const std::wstring& name);

// A fresh folder (default under C:\), removed with everything in it when destroyed.
class TempFolder {
public:
    explicit TempFolder(const std::wstring& parent = L"C:\\");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::wstring& path() const { return path_; }  // ends with a backslash
    std::wstring operator/(const std::wstring& name) const { return path_ + name; }

private:
    std::wstring path_;
};

void RemoveTree(const std::wstring& path);
void MakeFolders(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::string& bytes);
void WriteUtf16(const std::wstring& path, const std::wstring& text, bool byteOrderMark);
std::string ReadBytes(const std::wstring& path);
bool FileExists(const std::wstring& path);
bool CopyTo(const std::wstring& from, const std::wstring& to);

// A started program. The destructor terminates it if it still runs.
class Process {
public:
    Process() = default;
    // desktop: "station\desktop" or a desktop of this station; empty: this process's. flags:
    // CreateProcess's creation flags (DEBUG_ONLY_THIS_PROCESS: this thread debugs it).
    Process(const std::wstring& commandLine, const std::wstring& folder = L"", HANDLE token = nullptr,
            const std::wstring& desktop = L"", DWORD flags = 0);
    ~Process();
    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool started() const { return process_ != nullptr; }
    DWORD id() const { return id_; }
    HANDLE handle() const { return process_; }
    bool Running() const;
    // Exit code, or STILL_ACTIVE when it did not end within the time.
    DWORD Wait(DWORD timeoutMs = 30000) const;
    void Kill();

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// Polls a condition until it holds or the time is over; gives the last answer. The default is
// for a wait on something that will come (a window, a process's end): it returns as soon as it
// does, and on a machine busy with other work that can take many seconds. A check that
// something does not happen passes its own short time.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 60000, DWORD stepMs = 20);

// Registry.
bool KeyExists(HKEY root, const std::wstring& path);
void DeleteKeyTree(HKEY root, const std::wstring& path);
void CreateKey(HKEY root, const std::wstring& path);
void SetString(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& value);
bool GetString(HKEY root, const std::wstring& path, const std::wstring& name, std::wstring* value);

// Top-level windows.
std::vector<HWND> TopLevelWindows(DWORD processId = 0);  // 0: every process
std::wstring ClassOf(HWND window);
std::wstring TextOf(HWND window);
// A visible message box (class #32770 with a static text item 0xFFFF) of the given process.
HWND FindMessageBox(DWORD processId);
HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs = 60000);
std::wstring MessageBoxText(HWND box);
// Presses a button of a dialog as a click would (posted, so a modal loop may follow).
void PressButton(HWND dialog, int buttonId);

// Answers the message boxes this process shows, from another thread: each box's text is
// recorded, and the answers are given in order (the last one repeats). An answer of 0 ends the
// box with 0, as a quit request does.
class MessageBoxAnswerer {
public:
    explicit MessageBoxAnswerer(std::vector<int> answers);
    ~MessageBoxAnswerer();
    std::vector<std::wstring> Texts() const;
    std::vector<std::wstring> Captions() const;
    // Called before each answer with the answer's index; lets a test change the world first.
    std::function<void(size_t)> beforeAnswer;

private:
    static DWORD WINAPI Run(void* self);
    std::vector<int> answers_;
    std::vector<std::wstring> texts_;
    std::vector<std::wstring> captions_;
    mutable CRITICAL_SECTION lock_;
    HANDLE stop_ = nullptr;
    HANDLE thread_ = nullptr;
};

}  // namespace kit

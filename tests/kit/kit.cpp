#include "tests/kit/kit.h"

#include <shlwapi.h>

#include <cstdlib>
#include <utility>

namespace kit {

std::string RigArch() {
    const char* value = std::getenv("RIG_ARCH");
    return value ? value : "win32";
}

std::string RigVersion() {
    const char* value = std::getenv("RIG_VERSION");
    return value ? value : "winxp";
}

bool Is64BitPrefix() { return RigArch() == "win64"; }

std::wstring BinFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

std::wstring BinPath(const std::wstring& name) { return BinFolder() + name; }

TempFolder::TempFolder(const std::wstring& parent) {
    static LONG counter = 0;
    for (;;) {
        wchar_t name[64];
        swprintf(name, 64, L"kt%lu-%ld\\", GetCurrentProcessId(), InterlockedIncrement(&counter));
        path_ = parent + name;
        if (CreateDirectoryW(path_.c_str(), nullptr)) return;
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            MakeFolders(path_);
            return;
        }
    }
}

TempFolder::~TempFolder() { RemoveTree(path_); }

void RemoveTree(const std::wstring& path) {
    std::wstring folder = path;
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring child = folder + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

void MakeFolders(const std::wstring& path) {
    for (size_t i = 3; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == L'\\') CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
    }
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    size_t slash = path.find_last_of(L'\\');
    if (slash != std::wstring::npos) MakeFolders(path.substr(0, slash));
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

void WriteUtf16(const std::wstring& path, const std::wstring& text, bool byteOrderMark) {
    std::string bytes;
    if (byteOrderMark) bytes = "\xFF\xFE";
    bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    WriteBytes(path, bytes);
}

std::string ReadBytes(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

bool FileExists(const std::wstring& path) { return PathFileExistsW(path.c_str()) != FALSE; }

bool CopyTo(const std::wstring& from, const std::wstring& to) {
    size_t slash = to.find_last_of(L'\\');
    if (slash != std::wstring::npos) MakeFolders(to.substr(0, slash));
    return CopyFileW(from.c_str(), to.c_str(), FALSE) != FALSE;
}

Process::Process(const std::wstring& commandLine, const std::wstring& folder, HANDLE token,
                 const std::wstring& desktop, DWORD flags) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring desktopName = desktop;
    if (!desktopName.empty()) startup.lpDesktop = desktopName.data();
    PROCESS_INFORMATION info{};
    std::wstring line = commandLine;
    const wchar_t* current = folder.empty() ? nullptr : folder.c_str();
    BOOL ok = token ? CreateProcessAsUserW(token, nullptr, line.data(), nullptr, nullptr, FALSE, flags, nullptr,
                                           current, &startup, &info)
                    : CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, flags, nullptr, current, &startup,
                                     &info);
    if (ok) {
        CloseHandle(info.hThread);
        process_ = info.hProcess;
        id_ = info.dwProcessId;
    }
}

Process::~Process() {
    if (process_) {
        if (Running()) {
            TerminateProcess(process_, 1);
            WaitForSingleObject(process_, 5000);
        }
        CloseHandle(process_);
    }
}

Process::Process(Process&& other) noexcept
    : process_(std::exchange(other.process_, nullptr)), id_(std::exchange(other.id_, 0)) {}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        this->~Process();
        process_ = std::exchange(other.process_, nullptr);
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

bool Process::Running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

DWORD Process::Wait(DWORD timeoutMs) const {
    if (!process_) return STILL_ACTIVE;
    if (WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_, &code);
    return code;
}

void Process::Kill() {
    if (process_ && Running()) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 5000);
    }
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD stepMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start >= timeoutMs) return condition();
        Sleep(stepMs);
    }
}

bool KeyExists(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

void DeleteKeyTree(HKEY root, const std::wstring& path) { SHDeleteKeyW(root, path.c_str()); }

void CreateKey(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS)
        RegCloseKey(key);
}

void SetString(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * 2));
    RegCloseKey(key);
}

bool GetString(HKEY root, const std::wstring& path, const std::wstring& name, std::wstring* value) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    DWORD bytes = 0;
    DWORD type = 0;
    LONG result = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &bytes);
    if (result == ERROR_SUCCESS) {
        std::wstring text(bytes / 2 + 1, L'\0');
        result = RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &bytes);
        text.resize(wcslen(text.c_str()));
        *value = text;
    }
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

namespace {
struct WindowQuery {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
    auto* query = reinterpret_cast<WindowQuery*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (query->processId == 0 || owner == query->processId) query->found.push_back(window);
    return TRUE;
}
}  // namespace

std::vector<HWND> TopLevelWindows(DWORD processId) {
    WindowQuery query{processId, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

std::wstring TextOf(HWND window) {
    // Asked of the window itself: for another process's window GetWindowText gives only the
    // text the system keeps, which edit controls and owner-kept captions do not use.
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                             5000, &copied))
        return {};
    text.resize(wcslen(text.c_str()));
    return text;
}

HWND FindMessageBox(DWORD processId) {
    for (HWND window : TopLevelWindows(processId)) {
        if (ClassOf(window) == L"#32770" && IsWindowVisible(window) && GetDlgItem(window, 0xFFFF)) return window;
    }
    return nullptr;
}

HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs) {
    HWND box = nullptr;
    WaitUntil([&] { return (box = FindMessageBox(processId)) != nullptr; }, timeoutMs);
    return box;
}

std::wstring MessageBoxText(HWND box) {
    wchar_t text[4096] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 4096);
    return text;
}

void PressButton(HWND dialog, int buttonId) {
    HWND button = GetDlgItem(dialog, buttonId);
    if (button)
        PostMessageW(button, BM_CLICK, 0, 0);
    else
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), 0);
}

MessageBoxAnswerer::MessageBoxAnswerer(std::vector<int> answers) : answers_(std::move(answers)) {
    InitializeCriticalSection(&lock_);
    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

MessageBoxAnswerer::~MessageBoxAnswerer() {
    SetEvent(stop_);
    WaitForSingleObject(thread_, 10000);
    CloseHandle(thread_);
    CloseHandle(stop_);
    DeleteCriticalSection(&lock_);
}

std::vector<std::wstring> MessageBoxAnswerer::Texts() const {
    EnterCriticalSection(&lock_);
    std::vector<std::wstring> copy = texts_;
    LeaveCriticalSection(&lock_);
    return copy;
}

std::vector<std::wstring> MessageBoxAnswerer::Captions() const {
    EnterCriticalSection(&lock_);
    std::vector<std::wstring> copy = captions_;
    LeaveCriticalSection(&lock_);
    return copy;
}

DWORD WINAPI MessageBoxAnswerer::Run(void* context) {
    auto* self = static_cast<MessageBoxAnswerer*>(context);
    HWND last = nullptr;
    size_t index = 0;
    while (WaitForSingleObject(self->stop_, 20) == WAIT_TIMEOUT) {
        HWND box = FindMessageBox(GetCurrentProcessId());
        if (!box || box == last) {
            if (!box) last = nullptr;
            continue;
        }
        std::wstring text = MessageBoxText(box);
        std::wstring caption = TextOf(box);
        EnterCriticalSection(&self->lock_);
        self->texts_.push_back(text);
        self->captions_.push_back(caption);
        LeaveCriticalSection(&self->lock_);
        if (self->beforeAnswer) self->beforeAnswer(index);
        int answer = self->answers_.empty() ? IDOK : self->answers_[std::min(index, self->answers_.size() - 1)];
        ++index;
        last = box;
        if (answer == 0) {
            EndDialog(box, 0);  // as a quit request ends it: the box answers 0
        } else {
            PressButton(box, answer);
        }
        // Wait until this box is gone before looking for the next one.
        if (WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5000, 10)) last = nullptr;
    }
    return 0;
}

}  // namespace kit

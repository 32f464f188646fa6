#include "install/installer_messages.h"

#include <msi.h>
#include <msiquery.h>

#include <cwctype>

#include "framework/proc_address.h"
#include "framework/strings.h"
#include "install/msi_library.h"
#include "system/setup_log.h"
#include "resources/resource.h"

namespace {

constexpr UINT kKindMask = 0xFF000000;
constexpr UINT kMaxFields = 1024;
// Installer 4.0's restart-manager files-in-use message; the headers of a Windows 2000 build
// leave it out.
constexpr UINT kRmFilesInUse = 0x19000000;
constexpr DWORD kRmFilesInUseFilter = 1u << (kRmFilesInUse >> 24);
constexpr UINT kQuestionMask = MB_TYPEMASK | MB_ICONMASK | MB_DEFMASK;
constexpr DWORD kMessages = INSTALLLOGMODE_PROGRESS | INSTALLLOGMODE_ACTIONSTART | INSTALLLOGMODE_ACTIONDATA |
                            INSTALLLOGMODE_ERROR | INSTALLLOGMODE_FATALEXIT | INSTALLLOGMODE_WARNING |
                            INSTALLLOGMODE_USER | INSTALLLOGMODE_FILESINUSE | kRmFilesInUseFilter |
                            INSTALLLOGMODE_OUTOFDISKSPACE | INSTALLLOGMODE_INITIALIZE | INSTALLLOGMODE_TERMINATE |
                            INSTALLLOGMODE_COMMONDATA;
constexpr int kCancelShow = 2;
enum Kind { kNone, kRecord, kString };

// Installer 3.1 and later.
using RecordHandler = INT(CALLBACK*)(LPVOID, UINT, MSIHANDLE);
using SetExternalUiRecordFn = UINT(WINAPI*)(RecordHandler, DWORD, LPVOID, RecordHandler*);
using SetExternalUiFn = INSTALLUI_HANDLERW(WINAPI*)(INSTALLUI_HANDLERW, DWORD, LPVOID);
using SetInternalUiFn = INSTALLUILEVEL(WINAPI*)(INSTALLUILEVEL, HWND*);
using RecordFieldCountFn = UINT(WINAPI*)(MSIHANDLE);
using RecordGetIntegerFn = int(WINAPI*)(MSIHANDLE, UINT);
using RecordGetStringFn = UINT(WINAPI*)(MSIHANDLE, UINT, LPWSTR, LPDWORD);
using FormatRecordFn = UINT(WINAPI*)(MSIHANDLE, MSIHANDLE, LPWSTR, LPDWORD);

struct RecordCalls {
    void Load() {
        HMODULE msi = MsiLibrary();
        fieldCount = fw::ProcAddress<RecordFieldCountFn>(msi, "MsiRecordGetFieldCount");
        getInteger = fw::ProcAddress<RecordGetIntegerFn>(msi, "MsiRecordGetInteger");
        getString = fw::ProcAddress<RecordGetStringFn>(msi, "MsiRecordGetStringW");
        format = fw::ProcAddress<FormatRecordFn>(msi, "MsiFormatRecordW");
    }
    bool Complete() const { return fieldCount && getInteger && getString && format; }
    RecordFieldCountFn fieldCount = nullptr;
    RecordGetIntegerFn getInteger = nullptr;
    RecordGetStringFn getString = nullptr;
    FormatRecordFn format = nullptr;
};

// Filled when the handler is installed, before the installer can call it.
RecordCalls g_record;

// A field of the record (1 and up), or the record formatted (0), through the installer's
// size-in, size-out buffer calls.
std::wstring RecordText(MSIHANDLE record, UINT field) {
    std::wstring text(256, L'\0');
    for (int call = 0; call < 2; ++call) {
        DWORD size = static_cast<DWORD>(text.size());
        const UINT result = field ? g_record.getString(record, field, text.data(), &size)
                                  : g_record.format(0, record, text.data(), &size);
        if (result == ERROR_SUCCESS) {
            text.resize(size);
            return text;
        }
        if (result != ERROR_MORE_DATA) break;
        text.assign(size + 1, L'\0');
    }
    return {};
}

InstallerMessage FromRecord(UINT type, MSIHANDLE record) {
    InstallerMessage message;
    message.type = type;
    if (!record) return message;
    // Some messages come with a handle of no record at all (-1 fields).
    UINT count = g_record.fieldCount(record);
    if (count > kMaxFields) count = 0;
    if ((type & kKindMask) == INSTALLMESSAGE_PROGRESS) {
        for (UINT i = 1; i <= 4 && i <= count; ++i) {
            const int value = g_record.getInteger(record, i);
            message.progress.field[i - 1] = value == static_cast<int>(MSI_NULL_INTEGER) ? 0 : value;
        }
        return message;
    }
    for (UINT i = 1; i <= count; ++i) message.fields.push_back(RecordText(record, i));
    if (count > 0) message.text = RecordText(record, 0);
    return message;
}

INT CALLBACK OnRecordMessage(LPVOID context, UINT type, MSIHANDLE record) {
    return static_cast<InstallerMessages*>(context)->Handle(FromRecord(type, record));
}

INT CALLBACK OnTextMessage(LPVOID context, UINT type, LPCWSTR text) {
    InstallerMessage message;
    message.type = type;
    message.text = text ? text : L"";
    if ((type & kKindMask) == INSTALLMESSAGE_PROGRESS) message.progress = ParseProgressText(message.text);
    return static_cast<InstallerMessages*>(context)->Handle(message);
}

bool IsNumber(const std::wstring& text) {
    if (text.empty()) return false;
    for (wchar_t c : text)
        if (!std::iswdigit(c)) return false;
    return true;
}

std::wstring Lines(const std::vector<std::wstring>& names) {
    std::wstring lines;
    for (const std::wstring& name : names) lines += L"\n" + name;
    return lines;
}

}  // namespace

std::vector<std::wstring> ApplicationsInUse(const std::vector<std::wstring>& fields) {
    std::vector<std::wstring> names;
    for (const std::wstring& field : fields) {
        if (field.empty() || IsNumber(field)) continue;
        bool seen = false;
        for (const std::wstring& name : names) seen = seen || _wcsicmp(name.c_str(), field.c_str()) == 0;
        if (!seen) names.push_back(field);
    }
    return names;
}

bool CancelShowOf(const InstallerMessage& message, bool* shown) {
    int kind = 0;
    int value = 0;
    if (message.fields.size() >= 2) {
        kind = _wtoi(message.fields[0].c_str());
        value = _wtoi(message.fields[1].c_str());
    } else if (message.fields.empty()) {
        const ProgressFields fields = ParseProgressText(message.text);
        kind = fields.field[0];
        value = fields.field[1];
    }
    if (kind != kCancelShow) return false;
    *shown = value != 0;
    return true;
}

int RestartManagerAnswer(int boxAnswer) {
    return boxAnswer == IDYES ? IDOK : boxAnswer == IDNO ? IDIGNORE : IDCANCEL;
}

INSTALLUILEVEL HandlerUiLevel(bool interactive) {
    return interactive ? static_cast<INSTALLUILEVEL>(INSTALLUILEVEL_NONE | INSTALLUILEVEL_SOURCERESONLY)
                       : INSTALLUILEVEL_NONE;
}

std::wstring ActionDescription(const InstallerMessage& message) {
    if (message.fields.size() >= 2 && !message.fields[1].empty()) return message.fields[1];
    if (!message.fields.empty()) return message.fields[0];
    const size_t end = message.text.find(L". ");
    return end == std::wstring::npos ? message.text : message.text.substr(end + 2);
}

int InstallerMessages::Continue() { return observer_.CancelRequested() ? IDCANCEL : IDOK; }

int InstallerMessages::Handle(const InstallerMessage& message) {
    const UINT kind = message.type & kKindMask;
    switch (kind) {
    case INSTALLMESSAGE_PROGRESS:
        progress_.OnProgress(message.progress);
        observer_.OnProgress(progress_.Permille());
        return Continue();
    case INSTALLMESSAGE_ACTIONSTART:
        progress_.OnActionStart();
        observer_.OnActionText(ActionDescription(message));
        return Continue();
    case INSTALLMESSAGE_ACTIONDATA:
        progress_.OnActionData();
        observer_.OnProgress(progress_.Permille());
        return Continue();
    case INSTALLMESSAGE_FATALEXIT:
    case INSTALLMESSAGE_ERROR:
    case INSTALLMESSAGE_WARNING:
    case INSTALLMESSAGE_USER: {
        if (kind == INSTALLMESSAGE_ERROR || kind == INSTALLMESSAGE_FATALEXIT) lastError_ = message.text;
        if (kind != INSTALLMESSAGE_USER)
            LogEvent(kind == INSTALLMESSAGE_WARNING ? "Windows Installer warning: " : "Windows Installer error: ",
                     message.text);
        // The premature end is told by the outcome, not by a box of its own.
        if (!interactive_ || kind == INSTALLMESSAGE_FATALEXIT || message.text.empty()) return 0;
        return observer_.Ask(message.text, message.type & kQuestionMask);
    }
    case INSTALLMESSAGE_FILESINUSE:
    case kRmFilesInUse: {
        if (!interactive_) return 0;
        const std::wstring names = Lines(ApplicationsInUse(message.fields));
        if (kind == INSTALLMESSAGE_FILESINUSE) {
            const int answer =
                observer_.Ask(fw::LoadResString(IDS_FILES_IN_USE) + names, MB_ABORTRETRYIGNORE | MB_ICONWARNING);
            return answer == IDABORT ? IDCANCEL : answer;
        }
        const std::wstring text = fw::ReplaceFirst(fw::LoadResString(IDS_RM_FILES_IN_USE), L"%s", names);
        return RestartManagerAnswer(observer_.Ask(text, MB_YESNOCANCEL | MB_ICONWARNING));
    }
    case INSTALLMESSAGE_COMMONDATA: {
        bool shown = true;
        if (CancelShowOf(message, &shown)) observer_.OnCancelShown(shown);
        return 0;
    }
    case INSTALLMESSAGE_OUTOFDISKSPACE:
        LogEvent("Windows Installer: out of disk space");
        if (!interactive_) return 0;
        return observer_.Ask(fw::LoadResString(IDS_OUT_OF_DISK_SPACE), MB_RETRYCANCEL | MB_ICONERROR);
    case INSTALLMESSAGE_INITIALIZE:
        return observer_.CancelRequested() ? IDCANCEL : 0;
    default: return 0;
    }
}

ExternalInstallerUi::ExternalInstallerUi(InstallerMessages& messages, bool interactive) {
    HMODULE msi = MsiLibrary();
    setInternal_ = reinterpret_cast<void*>(GetProcAddress(msi, "MsiSetInternalUI"));
    if (setInternal_) previousLevel_ = reinterpret_cast<SetInternalUiFn>(setInternal_)(HandlerUiLevel(interactive), nullptr);
    g_record.Load();
    auto setRecord = fw::ProcAddress<SetExternalUiRecordFn>(msi, "MsiSetExternalUIRecord");
    if (setRecord && g_record.Complete() && setRecord(OnRecordMessage, kMessages, &messages, nullptr) == ERROR_SUCCESS) {
        kind_ = kRecord;
        setHandler_ = reinterpret_cast<void*>(setRecord);
        return;
    }
    auto setText = fw::ProcAddress<SetExternalUiFn>(msi, "MsiSetExternalUIW");
    if (setText) {
        setText(OnTextMessage, kMessages, &messages);
        kind_ = kString;
        setHandler_ = reinterpret_cast<void*>(setText);
    }
}

ExternalInstallerUi::~ExternalInstallerUi() {
    if (kind_ == kRecord) reinterpret_cast<SetExternalUiRecordFn>(setHandler_)(nullptr, 0, nullptr, nullptr);
    if (kind_ == kString) reinterpret_cast<SetExternalUiFn>(setHandler_)(nullptr, 0, nullptr);
    if (setInternal_) reinterpret_cast<SetInternalUiFn>(setInternal_)(static_cast<INSTALLUILEVEL>(previousLevel_), nullptr);
}

const char* ExternalInstallerUi::Kind() const {
    return kind_ == kRecord ? "record" : kind_ == kString ? "string" : "none";
}

#include "pages/license_page.h"


#include <vector>

#include "env/system_checks.h"
#include "framework/message_box.h"
#include "framework/strings.h"
#include "pages/page_paths.h"
#include "resources/resource.h"
#include "ui/browser_controller.h"
#include "ui/item_theme.h"
#include "ui/skin_rules.h"
#include "framework/file.h"

CEulaDlg::CEulaDlg() : CBrowserPage(IDD_LICENSE_PAGE) { icon_ = ApplicationIcon(); }

CEulaDlg::~CEulaDlg() = default;

void CEulaDlg::DoDataExchange(fw::DataExchange& exchange) {
    CBrowserPage::DoDataExchange(exchange);
    exchange.Attach(IDC_EXIT_ITEM, exitItem_);
    exchange.Attach(IDC_LICENSE_NEXT_ITEM, nextItem_);
    exchange.Attach(IDC_LICENSE_TITLE, titleItem_);
    exchange.Attach(IDC_LICENSE_INSTRUCTION, instructionItem_);
    exchange.Attach(IDC_LICENSE_QUESTION, questionItem_);
    exchange.Attach(IDC_LICENSE_TEXT, licenseText_);
    exchange.Attach(IDC_SOFTWARE_LICENSE_CHECK, softwareLicense_);
    exchange.Attach(IDC_DATA_LICENSE_CHECK, dataLicense_);
}

BOOL CEulaDlg::OnInitDialog() {
    CBrowserPage::OnInitDialog();
    ApplySkin(BackgroundBitmapPath());

    exitItem_.SetCaption(IDS_EXIT);
    nextItem_.SetCaption(IDS_NEXT);
    nextItem_.Enable(false);
    SetPassiveText(titleItem_, 12, IDS_LICENSE_TITLE);
    SetPassiveText(instructionItem_, 8, IDS_LICENSE_INSTRUCTION);
    SetPassiveText(questionItem_, 8, IDS_LICENSE_QUESTION);
    SetPassiveText(softwareLicense_, 9, IDS_SOFTWARE_LICENSE);
    SetPassiveText(dataLicense_, 9, IDS_DATA_LICENSE);

    SetLicenseFont();
    LoadLicenseText();

    // Read from the top; the instruction just before the text box gives the box its name.
    // Tab reaches the text box, the checkboxes, "Next" and "Exit"; the page starts in the box.
    SetReadingOrder({{titleItem_.hwnd(), false},
                     {instructionItem_.hwnd(), false},
                     {licenseText_.hwnd(), true},
                     {questionItem_.hwnd(), false},
                     {softwareLicense_.hwnd(), true},
                     {dataLicense_.hwnd(), true},
                     {nextItem_.hwnd(), true},
                     {exitItem_.hwnd(), true}});
    SetStartFocus(licenseText_.hwnd());
    return TRUE;
}

BOOL CEulaDlg::SetLicenseFont() {
    if (licenseFontMade_) return TRUE;
    licenseFontMade_ = true;
    HFONT pageFont = reinterpret_cast<HFONT>(SendMessageW(hwnd(), WM_GETFONT, 0, 0));
    if (!pageFont) return TRUE;
    LOGFONTW description{};
    if (!GetObjectW(pageFont, sizeof description, &description)) return TRUE;
    HDC dc = GetDC(hwnd());
    // Windows 10's "Make text bigger" enlarges the license text; the box scrolls, so the page's
    // layout holds.
    description.lfHeight = ScaledFontHeight(8, GetDeviceCaps(dc, LOGPIXELSY), SystemTextScale());
    ReleaseDC(hwnd(), dc);
    description.lfWeight = FW_NORMAL;
    licenseFont_.reset(CreateFontIndirectW(&description));
    licenseText_.SetFont(static_cast<HFONT>(licenseFont_.get()), true);
    return TRUE;
}

bool CEulaDlg::ReadUnicodeTextFile(const std::wstring& path, std::wstring* text, fw::FileError* error) {
    // No license text is megabytes long: a larger file is read only in part.
    std::vector<uint8_t> bytes;
    uint64_t size = 0;
    const DWORD osError = fw::ReadFileHead(path, kMaxLicenseBytes, &bytes, &size);
    *text = LicenseTextFromBytes(bytes.data(), bytes.size());
    if (!osError) return true;
    // The callers' paths are full ones, as the report names them.
    if (error) *error = fw::FileError(fw::FileError::CauseFromOsError(osError), osError, path);
    return false;
}

BOOL CEulaDlg::LoadLicenseText() {
    if (!SetLicenseFont()) return FALSE;
    const std::wstring folder = GetSetupFolder();
    std::wstring general;
    // A name that leaves the medium's folder is never read: the English file stands in, and the
    // installation's medium check refuses the medium.
    std::wstring generalPath = fw::JoinBelow(folder, fw::LoadResString(IDS_GENERAL_LICENSE_FILE));
    if (generalPath.empty() || !fw::FileExists(generalPath)) generalPath = folder + licenseFileName_;
    fw::FileError error;
    if (fw::FileExists(generalPath) && !ReadUnicodeTextFile(generalPath, &general, &error)) {
        error.ReportError(MB_OK);
        return FALSE;
    }
    // A medium without the language's own data license has the English one.
    std::wstring dataPath = fw::JoinBelow(folder, fw::LoadResString(IDS_DATA_LICENSE_FILE));
    const std::wstring englishDataPath = folder + fw::LoadEnglishString(IDS_DATA_LICENSE_FILE);
    if (dataPath.empty() || (!fw::FileExists(dataPath) && fw::FileExists(englishDataPath))) dataPath = englishDataPath;
    std::wstring data;
    if (!ReadUnicodeTextFile(dataPath, &data, &error)) {
        error.ReportError(MB_OK);
        return FALSE;
    }
    licenseText_.SetText(JoinLicenseTexts(general, data));
    return TRUE;
}

bool CEulaDlg::OnCommand(UINT id, UINT code) {
    if (id == IDC_LICENSE_TEXT && code == EN_SETFOCUS) {
        OnLicenseEditFocus();
        return true;
    }
    if (code != 0) return false;
    // The exit confirmation and the installation run inside this handler and dispatch messages
    // meanwhile (message boxes, waits for programs): a command arriving then must not start a
    // second installation or end the setup under the first.
    if (busy_) return true;
    switch (id) {
    case IDC_EXIT_ITEM: ConfirmExit(); return true;
    case IDC_LICENSE_NEXT_ITEM: RunInstallSequence(); return true;
    case IDC_SOFTWARE_LICENSE_CHECK:
    case IDC_DATA_LICENSE_CHECK: UpdateNextEnabled(); return true;
    default: return false;
    }
}

void CEulaDlg::ConfirmExit() {
    busy_ = true;
    const int answer = fw::AppMessageBox(IDS_CONFIRM_EXIT, MB_YESNO | MB_ICONQUESTION);
    busy_ = false;
    if (answer == IDYES) Controller()->ExitSetup();
}

void CEulaDlg::UpdateNextEnabled() {
    const bool enabled = softwareLicense_.GetCheck() == BST_CHECKED && dataLicense_.GetCheck() == BST_CHECKED;
    nextItem_.Enable(enabled);
    nextItem_.RedrawInParent();
}

void CEulaDlg::OnLicenseEditFocus() {
    licenseText_.SetSel(-1, 0);
    licenseText_.ScrollCaret();
}

void CEulaDlg::RunInstallSequence() {
    busy_ = true;  // for good: the installation never comes back to this page
    install_(installContext_);
}

#pragma once
// Page 2: the license texts and the two acceptance checkboxes; "Next" runs the installation
// and is enabled only while both licenses are accepted.
#include <cstdint>
#include <string>

#include "framework/control.h"
#include "framework/file.h"
#include "framework/handle.h"
#include "pages/license_text.h"
#include "ui/browser_checkbox.h"
#include "ui/browser_menu_item.h"
#include "ui/browser_page.h"


class CEulaDlg : public CBrowserPage {
public:
    CEulaDlg();
    ~CEulaDlg() override;

    // What "Next" starts: the checks as the installation begins, then the installation.
    void SetInstall(void (*install)(void* context), void* context) {
        install_ = install;
        installContext_ = context;
    }

    BOOL SetLicenseFont();
    BOOL LoadLicenseText();
    // The text of a UTF-16 file whose first two bytes are a byte-order mark. False, with the
    // error filled, when the file cannot be opened or read.
    static bool ReadUnicodeTextFile(const std::wstring& path, std::wstring* text, fw::FileError* error);

protected:
    void DoDataExchange(fw::DataExchange& exchange) override;
    BOOL OnInitDialog() override;
    bool OnCommand(UINT id, UINT code) override;

private:
    void ConfirmExit();
    void UpdateNextEnabled();
    void OnLicenseEditFocus();
    void RunInstallSequence();

    fw::UniqueGdiObject licenseFont_;
    bool licenseFontMade_ = false;
    std::wstring licenseFileName_ = L"Eula.txt";
    bool busy_ = false;  // the exit confirmation or the installation is running
    void (*install_)(void*) = nullptr;
    void* installContext_ = nullptr;
    CBrowserMenuItem exitItem_;
    CBrowserMenuItem nextItem_;
    CBrowserMenuItem titleItem_;
    CBrowserMenuItem instructionItem_;
    CBrowserMenuItem questionItem_;
    fw::Edit licenseText_;
    CBrowserCheckbox softwareLicense_;
    CBrowserCheckbox dataLicense_;
};

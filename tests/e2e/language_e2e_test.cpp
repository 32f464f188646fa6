// setup.exe for a user whose Windows speaks another language (LC_ALL of the prefix): the main
// page, the license page, the installation's progress and its outcome in that language, read
// through the windows and a screen reader's objects; the language's own product package; the
// setup log in English; a refusal's message in the language and its log line in English.
#include <windows.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "framework/strings.h"
#include "resources/resource.h"
#include "tests/pages/page_test_kit.h"

namespace {

constexpr wchar_t kMedium[] = L"C:\\media\\languages\\";
constexpr wchar_t kProduct[] = L"Example Maps";
constexpr int kProgressTitle = 1010;

std::wstring UserLanguage() {
    wchar_t abbreviation[16] = {};
    GetLocaleInfoW(MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT), LOCALE_SABBREVLANGNAME, abbreviation, 16);
    return abbreviation;
}

// The texts of the medium's satellite library for this user.
class Texts {
public:
    explicit Texts(const std::wstring& language)
        : module_(LoadLibraryExW((std::wstring(kMedium) + L"setup" + language + L".dll").c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE)) {}
    ~Texts() {
        if (module_) FreeLibrary(module_);
    }
    Texts(const Texts&) = delete;
    Texts& operator=(const Texts&) = delete;
    bool loaded() const { return module_ != nullptr; }
    std::wstring operator()(UINT id) const { return fw::LoadStringFrom(module_, id); }
    std::wstring With(UINT id, const std::wstring& value) const { return fw::ReplaceFirst((*this)(id), L"%s", value); }

private:
    HMODULE module_;
};

// What a screen reader gets for an item.
struct Reader {
    std::wstring name, description, action;
};
Reader ReadItem(HWND item) {
    Reader read;
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(item, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&object))))
        return read;
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    auto text = [&](HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*)) {
        BSTR value = nullptr;
        std::wstring result = SUCCEEDED((object->*get)(self, &value)) && value ? std::wstring(value, SysStringLen(value)) : L"";
        SysFreeString(value);
        return result;
    };
    read = {text(&IAccessible::get_accName), text(&IAccessible::get_accDescription), text(&IAccessible::get_accDefaultAction)};
    object->Release();
    return read;
}

bool Ascii(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The names in the user's and the system's temporary folders.
std::set<std::wstring> TemporaryFiles() {
    wchar_t user[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, user);
    std::set<std::wstring> names;
    for (const std::wstring folder : {std::wstring(user), std::wstring(L"C:\\windows\\temp\\")}) {
        WIN32_FIND_DATAW found{};
        HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) continue;
        do names.insert(folder + found.cFileName);
        while (FindNextFileW(search, &found));
        FindClose(search);
    }
    return names;
}

// One run from the main page to the outcome, then one refused run. next: the literal "Next" of
// the language, so that a satellite of the wrong language cannot pass.
void RunInTheUsersLanguage(const std::wstring& language, const std::wstring& next) {
    ASSERT_EQ(UserLanguage(), language) << "the prefix's user language";
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    const Texts text(language);
    ASSERT_TRUE(text.loaded());
    ASSERT_EQ(text(IDS_NEXT), next);
    kit::MakeFolders(L"C:\\logs");
    const std::wstring log = L"C:\\logs\\" + language + L".log";
    const std::set<std::wstring> temporaryBefore = TemporaryFiles();
    kit::Process setup(std::wstring(L"\"") + kMedium + L"setup.exe\" /log " + log, kMedium);

    HWND main = pages::WaitForReadyMainPage(setup);
    ASSERT_NE(main, nullptr);
    // The satellite's texts come from its bytes in memory: no copy of it anywhere.
    EXPECT_EQ(TemporaryFiles(), temporaryBefore);
    EXPECT_EQ(kit::TextOf(main), text(IDS_APPLICATION_TITLE));
    EXPECT_EQ(kit::ItemText(main, kit::kTextItem), text.With(IDS_TITLE_FORMAT, kProduct));
    EXPECT_EQ(kit::ItemText(main, kit::kNextItem), next);
    EXPECT_EQ(kit::ItemText(main, kit::kExitItem), text(IDS_EXIT));
    const Reader nextItem = ReadItem(GetDlgItem(main, kit::kNextItem));
    EXPECT_EQ(nextItem.name, next);
    EXPECT_EQ(nextItem.description, text(IDS_NEXT_DESCRIPTION));
    EXPECT_EQ(nextItem.action, text(IDS_PRESS_ACTION));
    EXPECT_EQ(ReadItem(GetDlgItem(main, kit::kExitItem)).description, text(IDS_EXIT_DESCRIPTION));
    kit::SaveWindowPng(main, pages::ScreenshotPath(language + L"_main_page.png"));

    HWND license = pages::OpenLicensePage(setup);
    ASSERT_NE(license, nullptr);
    const std::pair<int, UINT> licenseItems[] = {{kit::kLicenseNextItem, IDS_NEXT},
                                                 {kit::kExitItem, IDS_EXIT},
                                                 {1005, IDS_LICENSE_TITLE},
                                                 {1006, IDS_LICENSE_INSTRUCTION},
                                                 {1007, IDS_LICENSE_QUESTION},
                                                 {kit::kSoftwareLicenseCheck, IDS_SOFTWARE_LICENSE},
                                                 {kit::kDataLicenseCheck, IDS_DATA_LICENSE}};
    // The medium has no data license of the language: the English one is shown.
    EXPECT_NE(kit::ItemText(license, kit::kLicenseText).find(L"KORVEL DATA LICENSE AGREEMENT"), std::wstring::npos);
    for (const auto& [item, id] : licenseItems) EXPECT_EQ(kit::ItemText(license, item), text(id)) << item;
    const Reader box = ReadItem(GetDlgItem(license, kit::kSoftwareLicenseCheck));
    EXPECT_EQ(box.name, text(IDS_SOFTWARE_LICENSE));
    EXPECT_EQ(box.action, text(IDS_CHECK_ACTION));
    kit::SaveWindowPng(license, pages::ScreenshotPath(language + L"_license_page.png"));
    ASSERT_TRUE(pages::AcceptBothLicenses(license));
    EXPECT_EQ(ReadItem(GetDlgItem(license, kit::kDataLicenseCheck)).action, text(IDS_UNCHECK_ACTION));
    kit::ClickItem(license, kit::kLicenseNextItem);

    // The product package takes seconds: its step shows while it installs.
    HWND progress = nullptr;
    const std::wstring installing = text.With(IDS_STEP_PRODUCT, kProduct);
    ASSERT_TRUE(kit::WaitUntil([&] {
        progress = kit::FindProgressPage(setup.id());
        return progress && IsWindowVisible(progress) && kit::ItemText(progress, kit::kProgressStep) == installing;
    }, 120000, 5)) << "no step \"" << fw::ToAnsi(installing) << "\"";
    EXPECT_EQ(kit::ItemText(progress, kProgressTitle), text.With(IDS_TITLE_FORMAT, kProduct));
    EXPECT_EQ(kit::ItemText(progress, kit::kProgressCancel), text(IDS_CANCEL));
    EXPECT_EQ(ReadItem(GetDlgItem(progress, kit::kProgressCancel)).action, text(IDS_PRESS_ACTION));
    kit::SaveWindowPng(progress, pages::ScreenshotPath(language + L"_progress.png"));

    HWND outcome = pages::WaitForOutcome(setup);
    ASSERT_NE(outcome, nullptr);
    EXPECT_EQ(kit::ItemText(outcome, kit::kProgressStep), text.With(IDS_INSTALLED, kProduct));
    EXPECT_EQ(kit::ItemText(outcome, kit::kProgressAction), text.With(IDS_INSTALLED_DRIVE, L"C:\\"));
    EXPECT_EQ(kit::ItemText(outcome, kit::kProgressFinish), text(IDS_FINISH));
    kit::SaveWindowPng(outcome, pages::ScreenshotPath(language + L"_outcome.png"));
    EXPECT_EQ(pages::FinishInstallation(setup), 0u);

    // The language's package was installed with the language; the log speaks English.
    const std::string written = kit::ReadBytes(log);
    const std::string package = "Setup_" + fw::ToAnsi(language) + ".msi";
    EXPECT_NE(written.find("] MsiInstallProductW(\"C:\\media\\languages\\" + package + "\", \"LANG=" +
                           fw::ToAnsi(language) + " TARGETDIR=C:\\"),
              std::string::npos) << written;
    EXPECT_NE(written.find("] Single instance: passed\r\n"), std::string::npos) << written;
    EXPECT_NE(written.find("] Satellite: C:\\media\\languages\\setup" + fw::ToAnsi(language) + ".dll, "),
              std::string::npos) << written;
    EXPECT_NE(written.find("] Outcome: Example Maps has been installed.\r\n"), std::string::npos) << written;
    EXPECT_NE(written.find("] Exit code 0\r\n"), std::string::npos) << written;
    EXPECT_TRUE(Ascii(written)) << written;

    // Refused: the message in the language, its log line in English.
    HANDLE installer = CreateMutexW(nullptr, FALSE, L"Global\\_MSISETUP_{2956EBA1-9B5A-4679-8618-357136DA66CA}");
    const std::wstring refusedLog = L"C:\\logs\\" + language + L"_refused.log";
    kit::Process refused(std::wstring(L"\"") + kMedium + L"setup.exe\" /log " + refusedLog, kMedium);
    HWND message = kit::WaitForMessageBox(refused.id(), 30000);
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(kit::MessageBoxText(message), text(IDS_ANOTHER_INSTALLATION));
    kit::PressButton(message, IDOK);
    EXPECT_EQ(refused.Wait(15000), 1u);
    CloseHandle(installer);
    EXPECT_NE(kit::ReadBytes(refusedLog).find(
                  "] Another installation is already running.  Wait for it to finish and try again.\r\n"),
              std::string::npos);
    CoUninitialize();
}

TEST(German, PagesProgressAndOutcomeInGermanAndTheLogInEnglish) { RunInTheUsersLanguage(L"DEU", L"Weiter"); }

TEST(French, PagesProgressAndOutcomeInFrenchAndTheLogInEnglish) { RunInTheUsersLanguage(L"FRA", L"Suivant"); }

}  // namespace

// Every satellite library beside setup.exe against the English table: the same entries, the same
// placeholders, the language's own file names, and captions that fit their items on every page,
// drawn as the items draw them, at the dialog font and 96 DPI. Then what a localiser checks: the
// buttons a message names are the ones its box shows in that language, the texts filled in with a
// product name and without one, the typography, and the library's version resource.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cwctype>
#include <functional>

#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "framework/pe_resources.h"
#include "framework/strings.h"
#include "install/install_sequence.h"
#include "pages/main_page.h"
#include "pages/outcome_texts.h"
#include "pages/progress_page.h"
#include "resources/resource.h"
#include "tests/kit/kit.h"
#include "ui/browser_checkbox.h"
#include "ui/browser_menu_item.h"

namespace {

// The languages every release carries, and the ones that take another's texts.
const std::vector<std::wstring> kLanguages = {L"DEU", L"FRA", L"ESN", L"ITA", L"NLD", L"PTB",
                                              L"PLK", L"SVE", L"DAN", L"NOR", L"FIN", L"CSY"};
const std::map<std::wstring, std::wstring> kTextsOf = {{L"ESP", L"ESN"}, {L"NON", L"NOR"}, {L"PTG", L"PTB"}};

const wchar_t kProduct[] = L"Example Maps";
const wchar_t kLogPath[] = L"C:\\Documents and Settings\\Administrator\\Local Settings\\Temp\\Example Maps Setup 2026-12-07.log";

std::wstring BuildFolder() { return kit::BinFolder() + L"..\\..\\"; }

struct Module {
    explicit Module(const std::wstring& path) : handle(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~Module() {
        if (handle) FreeLibrary(handle);
    }
    HMODULE handle;
};

BOOL CALLBACK AddBlock(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR blocks) {
    if (IS_INTRESOURCE(name)) reinterpret_cast<std::vector<UINT>*>(blocks)->push_back(LOWORD(name));
    return TRUE;
}

// Every entry of a module's string table.
std::map<UINT, std::wstring> StringTable(HMODULE module) {
    std::vector<UINT> blocks;
    EnumResourceNamesW(module, RT_STRING, &AddBlock, reinterpret_cast<LONG_PTR>(&blocks));
    std::map<UINT, std::wstring> table;
    for (UINT block : blocks) {
        for (UINT id = (block - 1) * 16; id < block * 16; ++id) {
            std::wstring text = fw::LoadStringFrom(module, id);
            if (!text.empty()) table[id] = text;
        }
    }
    return table;
}

// What a translation must keep: format markers, line breaks, tabs, the sentence gaps of two
// blanks, and the switches of the usage text.
std::multiset<std::wstring> Placeholders(const std::wstring& text) {
    // The usage text names its switches with "/" only: a word after " -" is a Finnish compound
    // ("Windows Installer -paketti").
    static const std::wregex marker(L"%[0-9a-z]|\n|\t|  |/[a-z?*]+");
    std::multiset<std::wstring> found;
    for (std::wsregex_iterator at(text.begin(), text.end(), marker), end; at != end; ++at) {
        const std::wstring token = at->str();
        const size_t position = static_cast<size_t>(at->position());
        // A switch begins a word: "und/oder" holds none.
        const bool switchLike = token[0] == L'/';
        if (switchLike && position > 0 && !std::iswspace(text[position - 1]) && text[position - 1] != L'[') continue;
        found.insert(token);
    }
    return found;
}

std::wstring WithLanguage(std::wstring text, const std::wstring& abbreviation) {
    for (size_t at; (at = text.find(L"ENU")) != std::wstring::npos;) text.replace(at, 3, abbreviation);
    return text;
}

std::wstring Printable(const std::wstring& text) {
    std::wstring shown;
    for (wchar_t c : text) shown += c == L'\n' ? std::wstring(L"\\n") : c == L'\t' ? std::wstring(L"\\t") : std::wstring(1, c);
    return shown;
}
std::string Narrow(const std::wstring& text) {
    std::string utf8(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr);
    utf8.pop_back();
    return utf8;
}

// Windows' own names of the message-box buttons in each language, without their access keys.
enum Button { kOk, kCancel, kAbort, kRetry, kIgnore, kYes, kNo, kTryAgain, kButtons };
struct ButtonNames {
    const wchar_t* language;
    const wchar_t* names[kButtons];
};
const ButtonNames kButtonNames[] = {
    {L"ENU", {L"OK", L"Cancel", L"Abort", L"Retry", L"Ignore", L"Yes", L"No", L"Try Again"}},
    {L"DEU", {L"OK", L"Abbrechen", L"Abbrechen", L"Wiederholen", L"Ignorieren", L"Ja", L"Nein", L"Wiederholen"}},
    {L"FRA", {L"OK", L"Annuler", L"Abandonner", L"Recommencer", L"Ignorer", L"Oui", L"Non", L"Réessayer"}},
    {L"ESN", {L"Aceptar", L"Cancelar", L"Anular", L"Reintentar", L"Omitir", L"Sí", L"No", L"Volver a intentarlo"}},
    {L"ITA", {L"OK", L"Annulla", L"Interrompi", L"Riprova", L"Ignora", L"Sì", L"No", L"Riprova"}},
    {L"NLD", {L"OK", L"Annuleren", L"Afbreken", L"Opnieuw", L"Negeren", L"Ja", L"Nee", L"Opnieuw proberen"}},
    {L"PTB", {L"OK", L"Cancelar", L"Anular", L"Repetir", L"Ignorar", L"Sim", L"Não", L"Tentar Novamente"}},
    {L"PLK", {L"OK", L"Anuluj", L"Przerwij", L"Ponów próbę", L"Ignoruj", L"Tak", L"Nie", L"Spróbuj ponownie"}},
    {L"SVE", {L"OK", L"Avbryt", L"Avbryt", L"Försök igen", L"Ignorera", L"Ja", L"Nej", L"Försök igen"}},
    {L"DAN", {L"OK", L"Annuller", L"Afbryd", L"Prøv igen", L"Ignorer", L"Ja", L"Nej", L"Prøv igen"}},
    {L"NOR", {L"OK", L"Avbryt", L"Avbryt", L"Prøv igjen", L"Ignorer", L"Ja", L"Nei", L"Prøv på nytt"}},
    {L"FIN", {L"OK", L"Peruuta", L"Keskeytä", L"Yritä uudelleen", L"Ohita", L"Kyllä", L"Ei", L"Yritä uudelleen"}},
    {L"CSY", {L"OK", L"Storno", L"Přerušit", L"Opakovat", L"Ignorovat", L"Ano", L"Ne", L"Zkusit znovu"}},
};

// The messages that name buttons of their own box, with the box's buttons.
struct BoxMessage {
    UINT id;
    std::vector<Button> buttons;
};
const BoxMessage kBoxMessages[] = {
    {IDS_FILES_IN_USE, {kAbort, kRetry, kIgnore}},      // MB_ABORTRETRYIGNORE
    {IDS_RM_FILES_IN_USE, {kYes, kNo, kCancel}},        // MB_YESNOCANCEL
    {IDS_OUT_OF_DISK_SPACE, {kRetry, kCancel}},         // MB_RETRYCANCEL
    {IDS_CONFIRM_EXIT, {kYes, kNo}},                    // MB_YESNO
    {IDS_CONFIRM_CANCEL, {kYes, kNo}},                  // MB_YESNO
};

bool HasWord(const std::wstring& text, const std::wstring& word) {
    for (size_t at = text.find(word); at != std::wstring::npos; at = text.find(word, at + 1)) {
        const size_t end = at + word.size();
        if ((at == 0 || !std::iswalpha(text[at - 1])) && (end == text.size() || !std::iswalpha(text[end]))) return true;
    }
    return false;
}

// Where a message names a button of its box, in the words of the language's Windows; and it never
// names the button another box type shows for trying again.
std::vector<std::string> ButtonNamesThatAreWrong(const std::wstring& language,
                                                 const std::function<std::wstring(UINT)>& text,
                                                 const std::function<std::wstring(UINT)>& english) {
    const ButtonNames* names = nullptr;
    const ButtonNames* englishNames = &kButtonNames[0];
    for (const ButtonNames& row : kButtonNames)
        if (language == row.language) names = &row;
    if (!names) return {"no button names for " + Narrow(language)};
    std::vector<std::string> wrong;
    for (const BoxMessage& message : kBoxMessages) {
        const std::wstring shown = text(message.id);
        const std::wstring source = english(message.id);
        bool namesTryAgain = HasWord(shown, names->names[kTryAgain]);
        for (Button button : message.buttons) {
            if (!HasWord(source, englishNames->names[button])) continue;
            if (!HasWord(shown, names->names[button]))
                wrong.push_back("entry " + std::to_string(message.id) + " does not name \"" +
                                Narrow(names->names[button]) + "\": " + Narrow(Printable(shown)));
            if (button == kRetry && names->names[kRetry] == std::wstring(names->names[kTryAgain])) namesTryAgain = false;
        }
        if (namesTryAgain)
            wrong.push_back("entry " + std::to_string(message.id) + " names \"" + Narrow(names->names[kTryAgain]) +
                            "\", a button its box does not show");
    }
    // The license question names the page's own "Exit".
    if (text(IDS_LICENSE_QUESTION).find(text(IDS_EXIT)) == std::wstring::npos)
        wrong.push_back("entry " + std::to_string(IDS_LICENSE_QUESTION) + " does not name the page's \"" +
                        Narrow(text(IDS_EXIT)) + "\"");
    return wrong;
}

// The texts that take the product's name, with a name and without one: the name stands in the
// named form, the unnamed form is the language's own entry, and nothing is left unfilled.
std::vector<std::string> FilledTextsThatAreWrong(const std::function<std::wstring(UINT)>& text) {
    InstallOutcome removed{}, kept{}, installed{};
    installed.productResult = ERROR_SUCCESS;
    removed.cancelled = kept.cancelled = true;
    removed.earlier = EarlierVersion::Removed;
    kept.earlier = EarlierVersion::Kept;
    auto details = [&](const InstallOutcome& outcome, const std::wstring& name) {
        return BuildOutcomeTexts(outcome, name, L"C:\\", L"", false, text).details;
    };
    const std::wstring question = text(IDS_CONFIRM_CANCEL) + L"\n\n";
    struct Row {
        std::wstring named, unnamed, expectedUnnamed;
    } rows[] = {
        {StepText(InstallStep::Product, false, kProduct, text), StepText(InstallStep::Product, false, L"", text),
         text(IDS_STEP_PRODUCT_UNNAMED)},
        {StepText(InstallStep::Removal, true, kProduct, text), StepText(InstallStep::Removal, true, L"", text),
         text(IDS_STEP_PRODUCT_REMOVAL_UNNAMED)},
        {CancelQuestion(true, kProduct, text), CancelQuestion(true, L"", text),
         question + text(IDS_CANCEL_AFTER_REMOVAL_UNNAMED)},
        {details(removed, kProduct), details(removed, L""), text(IDS_CANCELLED_EARLIER_REMOVED_UNNAMED)},
        {details(kept, kProduct), details(kept, L""), text(IDS_CANCELLED_EARLIER_KEPT_UNNAMED)},
        {BuildOutcomeTexts(installed, kProduct, L"C:\\", L"", false, text).headline,
         BuildOutcomeTexts(installed, L"", L"C:\\", L"", false, text).headline, text(IDS_INSTALLED_UNNAMED)},
    };
    std::vector<std::string> wrong;
    for (const Row& row : rows) {
        if (row.named.find(kProduct) == std::wstring::npos || row.named.find(L'%') != std::wstring::npos)
            wrong.push_back("named: " + Narrow(Printable(row.named)));
        if (row.unnamed != row.expectedUnnamed || row.expectedUnnamed.empty() || row.unnamed.find(L'%') != std::wstring::npos)
            wrong.push_back("unnamed: " + Narrow(Printable(row.unnamed)));
    }
    return wrong;
}

// A blank before a colon, semicolon, question or exclamation mark is a no-break one (French), or
// there is none; the same inside French quotation marks.
std::vector<std::string> BlanksThatBreak(const std::map<UINT, std::wstring>& table) {
    std::vector<std::string> wrong;
    for (const auto& [id, text] : table) {
        for (const wchar_t* pair : {L" :", L" ;", L" ?", L" !", L" \u00bb", L"\u00ab "}) {
            if (text.find(pair) != std::wstring::npos)
                wrong.push_back("entry " + std::to_string(id) + ": an ordinary blank in \"" + Narrow(pair) + "\"");
        }
    }
    return wrong;
}

struct VersionInfo {
    std::vector<BYTE> data;
    explicit VersionInfo(const std::wstring& path) {
        DWORD ignored = 0;
        data.resize(GetFileVersionInfoSizeW(path.c_str(), &ignored));
        if (!data.empty() && !GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(data.size()), data.data()))
            data.clear();
    }
    const VS_FIXEDFILEINFO* Fixed() {
        void* value = nullptr;
        UINT length = 0;
        return !data.empty() && VerQueryValueW(data.data(), L"\\", &value, &length) ? static_cast<VS_FIXEDFILEINFO*>(value)
                                                                                    : nullptr;
    }
    // The first language of the translation list.
    LANGID Language() {
        void* value = nullptr;
        UINT length = 0;
        if (data.empty() || !VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &value, &length) || length < 4)
            return 0;
        return static_cast<WORD*>(value)[0];
    }
    std::wstring Text(LANGID language, const wchar_t* name) {
        wchar_t key[64];
        wsprintfW(key, L"\\StringFileInfo\\%04X04B0\\%s", language, name);
        void* value = nullptr;
        UINT length = 0;
        if (data.empty() || !VerQueryValueW(data.data(), key, &value, &length) || length == 0) return L"";
        return static_cast<const wchar_t*>(value);
    }
};

BOOL CALLBACK FirstLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found) {
    *reinterpret_cast<LANGID*>(found) = language;
    return FALSE;
}

std::wstring AbbreviationOf(LANGID language) {
    wchar_t abbreviation[16] = {};
    GetLocaleInfoW(MAKELCID(language, SORT_DEFAULT), LOCALE_SABBREVLANGNAME, abbreviation, 16);
    return abbreviation;
}

// The texts each item of the pages shows at some time, in the font size the page gives it.
struct ItemTexts {
    UINT page;
    int item;
    int points;
    std::vector<std::wstring> texts;
};

std::vector<ItemTexts> PageTexts() {
    auto text = [](UINT id) { return fw::LoadResString(id); };
    const std::wstring title = MainPageTitle(text(IDS_TITLE_FORMAT), kProduct);
    std::vector<std::wstring> steps, headlines, details;
    for (InstallStep step : {InstallStep::Removal, InstallStep::Drivers, InstallStep::Product})
        for (bool productRemoval : {false, true})
            for (const wchar_t* name : {kProduct, L""}) steps.push_back(StepText(step, productRemoval, name, text));
    InstallOutcome outcomes[5]{};
    outcomes[1].restartNeeded = true;
    outcomes[2].productResult = ERROR_INSTALL_FAILURE;
    outcomes[3].cancelled = true;
    outcomes[3].earlier = EarlierVersion::Removed;  // the longest details: the removal, and the restart
    outcomes[3].restartNeeded = true;
    outcomes[4].cancelled = true;
    outcomes[4].earlier = EarlierVersion::Kept;
    for (const InstallOutcome& outcome : outcomes) {
        for (const wchar_t* name : {kProduct, L""}) {
            const bool pending = DecideRunEnd(outcome.productResult, outcome.restartNeeded, false, false).restartPending;
            OutcomeTexts shown = BuildOutcomeTexts(outcome, name, L"C:\\", kLogPath, pending, text);
            headlines.push_back(shown.headline);
            details.push_back(shown.details);
        }
    }
    steps.insert(steps.end(), headlines.begin(), headlines.end());
    // The read-through's step, and its cancel, which may stand as the page's headline.
    steps.push_back(text(IDS_STEP_CHECKING_MEDIUM));
    steps.push_back(text(IDS_CANCELLED_NOTHING_CHANGED));
    return {
        {IDD_MAIN_PAGE, IDC_EXIT_ITEM, 12, {text(IDS_EXIT)}},
        {IDD_MAIN_PAGE, IDC_NEXT_ITEM, 12, {text(IDS_NEXT)}},
        {IDD_MAIN_PAGE, IDC_TEXT_ITEM, 10, {title, text(IDS_EXIT_DESCRIPTION), text(IDS_NEXT_DESCRIPTION)}},
        {IDD_LICENSE_PAGE, IDC_EXIT_ITEM, 12, {text(IDS_EXIT)}},
        {IDD_LICENSE_PAGE, IDC_LICENSE_NEXT_ITEM, 12, {text(IDS_NEXT)}},
        {IDD_LICENSE_PAGE, IDC_LICENSE_TITLE, 12, {text(IDS_LICENSE_TITLE)}},
        {IDD_LICENSE_PAGE, IDC_LICENSE_INSTRUCTION, 8, {text(IDS_LICENSE_INSTRUCTION)}},
        {IDD_LICENSE_PAGE, IDC_LICENSE_QUESTION, 8, {text(IDS_LICENSE_QUESTION)}},
        {IDD_LICENSE_PAGE, IDC_SOFTWARE_LICENSE_CHECK, 9, {text(IDS_SOFTWARE_LICENSE)}},
        {IDD_LICENSE_PAGE, IDC_DATA_LICENSE_CHECK, 9, {text(IDS_DATA_LICENSE)}},
        {IDD_PROGRESS_PAGE, IDC_PROGRESS_TITLE, 12, {title.empty() ? text(IDS_APPLICATION_TITLE) : title, text(IDS_APPLICATION_TITLE)}},
        {IDD_PROGRESS_PAGE, IDC_PROGRESS_STEP, 9, steps},
        {IDD_PROGRESS_PAGE, IDC_PROGRESS_ACTION, 8, details},
        {IDD_PROGRESS_PAGE, IDC_PROGRESS_RESTART, 12, {text(IDS_RESTART_NOW)}},
        {IDD_PROGRESS_PAGE, IDC_PROGRESS_CANCEL, 12, {text(IDS_CANCEL)}},
        {IDD_PROGRESS_PAGE, IDC_PROGRESS_FINISH, 12, {text(IDS_FINISH), text(IDS_LATER)}},
    };
}

INT_PTR CALLBACK PlainDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The captions of the module's table that do not fit their items, one line each.
std::vector<std::string> CaptionsThatDoNotFit(HMODULE setup, const std::vector<uint8_t>& texts) {
    fw::SetSatelliteResources(texts);
    std::vector<std::string> failures;
    for (const ItemTexts& row : PageTexts()) {
        HWND page = CreateDialogParamW(setup, MAKEINTRESOURCEW(row.page), nullptr, &PlainDialog, 0);
        HWND window = GetDlgItem(page, row.item);
        if (!window) {
            failures.push_back("no item " + std::to_string(row.item) + " on page " + std::to_string(row.page));
            DestroyWindow(page);
            continue;
        }
        wchar_t className[32] = {};
        GetClassNameW(window, className, 32);
        CBrowserMenuItem menuItem;
        CBrowserCheckbox checkbox;
        const bool isCheckbox = lstrcmpiW(className, L"Button") == 0;
        if (isCheckbox) {
            checkbox.Attach(window);
            checkbox.SetFontSize(row.points);
        } else {
            menuItem.Attach(window);
            menuItem.SetFontSize(row.points);
        }
        for (const std::wstring& text : row.texts) {
            if (!(isCheckbox ? checkbox.CaptionFits(text) : menuItem.CaptionFits(text)))
                failures.push_back("page " + std::to_string(row.page) + " item " + std::to_string(row.item) + ": \"" +
                                   Narrow(Printable(text)) + "\"");
        }
        checkbox.Detach();
        menuItem.Detach();
        DestroyWindow(page);
    }
    fw::SetSatelliteResources({});
    return failures;
}

class Languages : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
        ASSERT_NE(setup_.handle, nullptr) << "setup.exe not found beside the build";
        english_ = StringTable(setup_.handle);
        ASSERT_GT(english_.size(), 40u);
        ASSERT_NE(setupVersion_.Fixed(), nullptr);
    }
    Module setup_{BuildFolder() + L"setup.exe"};
    VersionInfo setupVersion_{BuildFolder() + L"setup.exe"};
    std::map<UINT, std::wstring> english_;
};

TEST_F(Languages, EnglishCaptionsFitAndTextsRead) {
    for (const std::string& failure : CaptionsThatDoNotFit(setup_.handle, {})) ADD_FAILURE() << failure;
    const auto english = [&](UINT id) { return fw::LoadStringFrom(setup_.handle, id); };
    for (const std::string& failure : ButtonNamesThatAreWrong(L"ENU", english, english)) ADD_FAILURE() << failure;
    for (const std::string& failure : FilledTextsThatAreWrong(english)) ADD_FAILURE() << failure;
    for (const std::string& failure : BlanksThatBreak(english_)) ADD_FAILURE() << failure;
}

TEST_F(Languages, EverySatelliteHasEveryEntryWithItsPlaceholdersAndFits) {
    std::vector<std::wstring> all = kLanguages;
    for (const auto& [alias, source] : kTextsOf) all.push_back(alias);
    for (const std::wstring& language : all) {
        SCOPED_TRACE(Narrow(language));
        Module satellite(BuildFolder() + L"setup" + language + L".dll");
        ASSERT_NE(satellite.handle, nullptr) << "no setup" << Narrow(language) << ".dll beside setup.exe";
        const std::map<UINT, std::wstring> translated = StringTable(satellite.handle);
        const auto source = kTextsOf.find(language);
        const std::wstring files = source == kTextsOf.end() ? language : source->second;
        for (const auto& [id, text] : english_) {
            const auto found = translated.find(id);
            if (found == translated.end()) {
                ADD_FAILURE() << "entry " << id << " is missing";
                continue;
            }
            const std::wstring& translation = found->second;
            EXPECT_EQ(Placeholders(translation), Placeholders(text)) << "entry " << id << ": " << Narrow(Printable(translation));
            if (id >= IDS_DATA_LICENSE_FILE && id <= IDS_BACKGROUND_BITMAP)
                EXPECT_EQ(translation, WithLanguage(text, files)) << "entry " << id;
            else
                EXPECT_TRUE(translation != text || text.size() < 12 || id == IDS_APPLICATION_TITLE)
                    << "entry " << id << " is not translated";
        }
        for (const auto& [id, text] : translated)
            EXPECT_TRUE(english_.count(id)) << "entry " << id << " is not in the English table";
        if (source != kTextsOf.end()) {
            Module texts(BuildFolder() + L"setup" + source->second + L".dll");
            EXPECT_EQ(translated, StringTable(texts.handle)) << "not the texts of " << Narrow(source->second);
        }
        // The setup takes the texts from the library's bytes: every entry there is the one
        // LoadString finds, and so is every id it lacks.
        const std::string file = kit::ReadBytes(BuildFolder() + L"setup" + language + L".dll");
        const std::vector<uint8_t> bytes(file.begin(), file.end());
        EXPECT_EQ(fw::ResourceOnlyLibraryFault(bytes.data(), bytes.size()), nullptr);
        size_t found = 0;
        for (UINT id = 0; id < (translated.rbegin()->first | 15) + 64; ++id) {
            const std::wstring text = fw::LoadStringFrom(bytes, id);
            EXPECT_EQ(text, fw::LoadStringFrom(satellite.handle, id)) << "entry " << id;
            found += !text.empty();
        }
        EXPECT_EQ(found, translated.size());
        for (const std::string& failure : CaptionsThatDoNotFit(setup_.handle, bytes)) ADD_FAILURE() << failure;

        const auto text = [&](UINT id) { return fw::LoadStringFrom(satellite.handle, id); };
        const auto english = [&](UINT id) { return fw::LoadStringFrom(setup_.handle, id); };
        for (const std::string& failure : ButtonNamesThatAreWrong(files, text, english)) ADD_FAILURE() << failure;
        for (const std::string& failure : FilledTextsThatAreWrong(text)) ADD_FAILURE() << failure;
        for (const std::string& failure : BlanksThatBreak(translated)) ADD_FAILURE() << failure;

        // The version resource: setup's version, in the language of the library's texts, which is
        // the one Windows gives the abbreviation of those texts.
        VersionInfo version(BuildFolder() + L"setup" + language + L".dll");
        const VS_FIXEDFILEINFO* fixed = version.Fixed();
        ASSERT_NE(fixed, nullptr) << "no version resource";
        EXPECT_EQ(fixed->dwFileVersionMS, setupVersion_.Fixed()->dwFileVersionMS);
        EXPECT_EQ(fixed->dwFileVersionLS, setupVersion_.Fixed()->dwFileVersionLS);
        EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
        EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
        LANGID stringsLanguage = 0;
        EnumResourceLanguagesW(satellite.handle, RT_STRING, MAKEINTRESOURCEW(IDS_CANCEL / 16 + 1), &FirstLanguage,
                               reinterpret_cast<LONG_PTR>(&stringsLanguage));
        const LANGID versionLanguage = version.Language();
        EXPECT_EQ(versionLanguage, stringsLanguage);
        EXPECT_EQ(AbbreviationOf(versionLanguage), files);
        EXPECT_EQ(version.Text(versionLanguage, L"FileVersion"), setupVersion_.Text(0x0409, L"FileVersion"));
        EXPECT_EQ(version.Text(versionLanguage, L"OriginalFilename"), L"setup" + language + L".dll");
        EXPECT_FALSE(version.Text(versionLanguage, L"FileDescription").empty());
    }
}

}  // namespace

// Every satellite library beside setup.exe against the English table: the same entries, the same
// placeholders, the language's own file names, and captions that fit their items on every page,
// drawn as the items draw them, at the dialog font and 96 DPI.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cwctype>

#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

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
    static const std::wregex marker(L"%[0-9a-z]|\n|\t|  |[/-][a-z?*]+");
    std::multiset<std::wstring> found;
    for (std::wsregex_iterator at(text.begin(), text.end(), marker), end; at != end; ++at) {
        const std::wstring token = at->str();
        const size_t position = static_cast<size_t>(at->position());
        // A switch begins a word: "Korvel-Benutzer" holds none.
        const bool switchLike = token[0] == L'/' || token[0] == L'-';
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
        for (const wchar_t* name : {kProduct, L""}) steps.push_back(StepText(step, name, text));
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
std::vector<std::string> CaptionsThatDoNotFit(HMODULE setup, HMODULE texts) {
    fw::SetResourceModule(texts);
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
    fw::SetResourceModule(nullptr);
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
    }
    Module setup_{BuildFolder() + L"setup.exe"};
    std::map<UINT, std::wstring> english_;
};

TEST_F(Languages, EnglishCaptionsFit) {
    for (const std::string& failure : CaptionsThatDoNotFit(setup_.handle, setup_.handle)) ADD_FAILURE() << failure;
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
        for (const std::string& failure : CaptionsThatDoNotFit(setup_.handle, satellite.handle)) ADD_FAILURE() << failure;
    }
}

}  // namespace

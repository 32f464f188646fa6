// Both pages without a mouse: the Tab order, the keys, the focus cue, and what screen readers
// get through the system's accessibility interface (reading order, names, descriptions, focus,
// no action behind a message box); the license text under Windows' text scale. Real key
// presses through SendInput.
#include <windows.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <vector>

#include "framework/strings.h"
#include "resources/resource.h"
#include "tests/kit/window_kit.h"
#include "tests/pages/page_test_kit.h"

namespace {

using pages::Medium;
using pages::StartSetup;

enum class Key { Tab, ShiftTab, Enter, Escape, Space };

struct KeyStroke {
    WORD code;
    bool shift;
    const char* name;
};
constexpr KeyStroke kKeyStrokes[] = {
    {VK_TAB, false, "Tab"}, {VK_TAB, true, "Shift+Tab"}, {VK_RETURN, false, "Enter"}, {VK_ESCAPE, false, "Escape"},
    {VK_SPACE, false, "Space"}};

void Press(Key key) {
    const KeyStroke& stroke = kKeyStrokes[static_cast<int>(key)];
    std::vector<INPUT> inputs;
    auto add = [&](WORD code, DWORD flags) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = code;
        input.ki.dwFlags = flags;
        inputs.push_back(input);
    };
    if (stroke.shift) add(VK_SHIFT, 0);
    add(stroke.code, 0);
    add(stroke.code, KEYEVENTF_KEYUP);
    if (stroke.shift) add(VK_SHIFT, KEYEVENTF_KEYUP);
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    Sleep(80);
}

using kit::FocusOf;

// A key and where the focus is afterwards: a control of the page, or 0 for the page itself.
struct Step {
    Key key;
    int focus;
};

void ExpectFocusSteps(HWND page, const std::vector<Step>& steps) {
    for (size_t i = 0; i < steps.size(); ++i) {
        Press(steps[i].key);
        HWND expected = steps[i].focus ? GetDlgItem(page, steps[i].focus) : page;
        EXPECT_TRUE(kit::WaitUntil([&] { return FocusOf(page) == expected; }, 3000))
            << "step " << i << ": " << kKeyStrokes[static_cast<int>(steps[i].key)].name << " should leave the focus on "
            << (steps[i].focus ? steps[i].focus : 0) << ", it is on " << GetDlgCtrlID(FocusOf(page));
    }
}

// The item's pixels as they are on the screen.
std::vector<COLORREF> Look(HWND item) {
    RECT r{};
    GetWindowRect(item, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    std::vector<COLORREF> pixels;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP copy = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, copy);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) pixels.push_back(GetPixel(memory, x, y));
    SelectObject(memory, previous);
    DeleteObject(copy);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// The look once the page has finished painting it.
std::vector<COLORREF> SettledLook(HWND item) {
    std::vector<COLORREF> look = Look(item);
    for (int i = 0; i < 50; ++i) {
        Sleep(60);
        std::vector<COLORREF> again = Look(item);
        if (again == look) break;
        look = again;
    }
    return look;
}

bool LooksLike(HWND item, const std::vector<COLORREF>& look) {
    return kit::WaitUntil([&] { return Look(item) == look; }, 3000);
}
bool LooksUnlike(HWND item, const std::vector<COLORREF>& look) {
    return kit::WaitUntil([&] { return Look(item) != look; }, 3000);
}

TEST(Keyboard, TabOrderKeysAndFocusCueOnBothPages) {
    kit::Process setup = StartSetup(Medium(L"standard"));
    HWND main = pages::WaitForReadyMainPage(setup);
    ASSERT_NE(main, nullptr);
    SetForegroundWindow(main);
    HWND next = GetDlgItem(main, kit::kNextItem);
    HWND exit = GetDlgItem(main, kit::kExitItem);
    ASSERT_TRUE(kit::WaitUntil([&] { return FocusOf(main) == main; }, 3000)) << "no item has the focus at first";
    const std::vector<COLORREF> nextLook = SettledLook(next), exitLook = SettledLook(exit);

    // Enter and Escape with no item focused do nothing; then Tab goes round Next and Exit.
    ExpectFocusSteps(main, {{Key::Enter, 0}, {Key::Escape, 0}, {Key::Tab, kit::kNextItem}, {Key::Tab, kit::kExitItem},
                            {Key::Tab, kit::kNextItem}, {Key::ShiftTab, kit::kExitItem}});
    EXPECT_EQ(kit::FindMessageBox(setup.id()), nullptr);
    EXPECT_TRUE(IsWindowVisible(main));

    // The cue is on the focused item only.
    EXPECT_TRUE(LooksUnlike(exit, exitLook)) << "focused Exit";
    EXPECT_TRUE(LooksLike(next, nextLook)) << "Next after the focus left it";
    kit::SaveWindowPng(main, pages::ScreenshotPath(L"keyboard_focus_exit.png"));

    // Enter on Exit asks as a click does; No leaves the page as it was.
    Press(Key::Enter);
    HWND box = kit::WaitForMessageBox(setup.id(), 5000);
    ASSERT_NE(box, nullptr) << "no exit confirmation";
    EXPECT_EQ(kit::MessageBoxText(box), pages::kConfirmExitText);
    kit::PressButton(box, IDNO);
    ASSERT_TRUE(kit::WaitUntil([&] { return !IsWindow(box); }, 5000));
    Sleep(300);
    EXPECT_TRUE(setup.Running());
    EXPECT_TRUE(IsWindowVisible(main));

    // Space on Next goes on to the license page, whose text box has the focus.
    SetForegroundWindow(main);
    ExpectFocusSteps(main, {{Key::Tab, kit::kNextItem}});
    Press(Key::Space);
    HWND license = kit::WaitForLicensePage(setup.id());
    ASSERT_NE(license, nullptr);
    ASSERT_TRUE(kit::WaitUntil([&] { return FocusOf(license) == GetDlgItem(license, kit::kLicenseText); }, 3000));

    // Disabled "Next" is skipped until both boxes are checked; Enter and Escape in the text box
    // do nothing.
    HWND softwareBox = GetDlgItem(license, kit::kSoftwareLicenseCheck);
    const std::vector<COLORREF> softwareLook = SettledLook(softwareBox);
    ExpectFocusSteps(license, {{Key::Enter, kit::kLicenseText},
                               {Key::Escape, kit::kLicenseText},
                               {Key::Tab, kit::kSoftwareLicenseCheck},
                               {Key::Tab, kit::kDataLicenseCheck},
                               {Key::Tab, kit::kExitItem},
                               {Key::Tab, kit::kLicenseText},
                               {Key::ShiftTab, kit::kExitItem},
                               {Key::ShiftTab, kit::kDataLicenseCheck},
                               {Key::Space, kit::kDataLicenseCheck},
                               {Key::ShiftTab, kit::kSoftwareLicenseCheck},
                               {Key::Space, kit::kSoftwareLicenseCheck},
                               {Key::Tab, kit::kDataLicenseCheck},
                               {Key::Tab, kit::kLicenseNextItem},
                               {Key::Tab, kit::kExitItem}});
    EXPECT_EQ(kit::CheckState(license, kit::kSoftwareLicenseCheck), BST_CHECKED);
    EXPECT_EQ(kit::CheckState(license, kit::kDataLicenseCheck), BST_CHECKED);
    EXPECT_TRUE(kit::ItemEnabled(license, kit::kLicenseNextItem));
    EXPECT_EQ(kit::FindMessageBox(setup.id()), nullptr);
    EXPECT_TRUE(IsWindowVisible(license));

    // The checkbox's cue: Shift+Tab back onto it; Space unchecks it and "Next" is disabled again.
    ExpectFocusSteps(license, {{Key::ShiftTab, kit::kLicenseNextItem},
                               {Key::ShiftTab, kit::kDataLicenseCheck},
                               {Key::ShiftTab, kit::kSoftwareLicenseCheck},
                               {Key::Space, kit::kSoftwareLicenseCheck}});
    EXPECT_TRUE(kit::WaitUntil([&] { return !kit::ItemEnabled(license, kit::kLicenseNextItem); }, 3000));
    EXPECT_TRUE(LooksUnlike(softwareBox, softwareLook)) << "focused, unchecked software box";
    kit::SaveWindowPng(license, pages::ScreenshotPath(L"keyboard_focus_checkbox.png"));
    ExpectFocusSteps(license, {{Key::ShiftTab, kit::kLicenseText}});
    EXPECT_TRUE(LooksLike(softwareBox, softwareLook)) << "software box after the focus left it";

    // Given the focus with no element chosen (as Windows does on activation), the page starts in
    // its text box rather than on an item.
    ExpectFocusSteps(license, {{Key::ShiftTab, kit::kExitItem}});
    SendMessageW(license, WM_SETFOCUS, 0, 0);
    EXPECT_TRUE(kit::WaitUntil([&] { return FocusOf(license) == GetDlgItem(license, kit::kLicenseText); }, 3000));
    pages::ExitWithYes(license, setup);
}

// An item's accessible object as a screen reader gets it from another process.
class Accessible {
public:
    explicit Accessible(HWND item) {
        AccessibleObjectFromWindow(item, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&object_));
    }
    ~Accessible() {
        if (object_) object_->Release();
    }
    Accessible(const Accessible&) = delete;
    Accessible& operator=(const Accessible&) = delete;
    explicit operator bool() const { return object_ != nullptr; }
    IAccessible* operator->() const { return object_; }

    std::wstring Name() const { return Text(&IAccessible::get_accName); }
    std::wstring Description() const { return Text(&IAccessible::get_accDescription); }
    std::wstring DefaultAction() const { return Text(&IAccessible::get_accDefaultAction); }
    HRESULT DoDefaultAction() const { return object_->accDoDefaultAction(Self()); }
    HRESULT TakeFocus() const { return object_->accSelect(SELFLAG_TAKEFOCUS, Self()); }
    // The control ids of the children in the order a reader walks them.
    std::vector<int> ChildIds() const;
    LONG Role() const { return Number(&IAccessible::get_accRole); }
    LONG State() const { return Number(&IAccessible::get_accState); }

    static VARIANT Self() {
        VARIANT self;
        VariantInit(&self);
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        return self;
    }

private:
    std::wstring Text(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*)) const {
        BSTR text = nullptr;
        if (FAILED((object_->*get)(Self(), &text)) || !text) return L"<none>";
        std::wstring result(text, SysStringLen(text));
        SysFreeString(text);
        return result;
    }
    LONG Number(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*)) const {
        VARIANT value;
        VariantInit(&value);
        if (FAILED((object_->*get)(Self(), &value)) || value.vt != VT_I4) return -1;
        return value.lVal;
    }

    IAccessible* object_ = nullptr;
};

struct ItemRow {
    int id;
    const wchar_t* name;
    LONG role;
    LONG state;  // of the bits the items decide
    const wchar_t* action;
};

constexpr LONG kItemBits =
    STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED | STATE_SYSTEM_CHECKED | STATE_SYSTEM_READONLY;

void ExpectItems(HWND page, const std::vector<ItemRow>& rows, const char* when) {
    for (const ItemRow& row : rows) {
        Accessible item(GetDlgItem(page, row.id));
        ASSERT_TRUE(item) << row.id << " " << when;
        EXPECT_EQ(item.Name(), row.name) << row.id << " " << when;
        EXPECT_EQ(item.Role(), row.role) << row.id << " " << when;
        EXPECT_EQ(item.State() & kItemBits, row.state) << row.id << " " << when;
        EXPECT_EQ(item.DefaultAction(), row.action) << row.id << " " << when;
    }
}

// Events the setup raises, as a screen reader hears them.
std::vector<std::pair<DWORD, HWND>> heard;

void CALLBACK Hear(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD) {
    if (object == OBJID_CLIENT && child == CHILDID_SELF) heard.emplace_back(event, window);
}

bool Heard(DWORD event, HWND window) {
    return kit::PumpUntil([&] {
        for (const auto& [e, w] : heard)
            if (e == event && w == window) return true;
        return false;
    }, 3000);
}

TEST(ScreenReader, NameRoleStateActionAndEvents) {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    kit::Process setup = StartSetup(Medium(L"standard"));
    HWND main = pages::WaitForReadyMainPage(setup);
    ASSERT_NE(main, nullptr);
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_STATECHANGE, nullptr, Hear, setup.id(), 0,
                                         WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    SetForegroundWindow(main);
    Press(Key::Tab);
    HWND next = GetDlgItem(main, kit::kNextItem);
    ASSERT_TRUE(kit::WaitUntil([&] { return FocusOf(main) == next; }, 3000));
    EXPECT_TRUE(Heard(EVENT_OBJECT_FOCUS, next));
    ExpectItems(main,
                {{kit::kNextItem, L"Next", ROLE_SYSTEM_PUSHBUTTON, STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED, L"Press"},
                 {kit::kExitItem, L"Exit", ROLE_SYSTEM_PUSHBUTTON, STATE_SYSTEM_FOCUSABLE, L"Press"}},
                "main page");
    {
        // A label keeps the standard object of its control.
        Accessible title(GetDlgItem(main, kit::kTextItem));
        ASSERT_TRUE(title);
        EXPECT_NE(title.Role(), ROLE_SYSTEM_PUSHBUTTON);
    }

    // The default action of "Next" does what a click does.
    {
        Accessible item(next);
        ASSERT_TRUE(item);
        EXPECT_EQ(item->accDoDefaultAction(Accessible::Self()), S_OK);
    }
    HWND license = kit::WaitForLicensePage(setup.id());
    ASSERT_NE(license, nullptr);

    ExpectItems(license,
                {{kit::kLicenseNextItem, L"Next", ROLE_SYSTEM_PUSHBUTTON, STATE_SYSTEM_UNAVAILABLE, L"Press"},
                 {kit::kExitItem, L"Exit", ROLE_SYSTEM_PUSHBUTTON, STATE_SYSTEM_FOCUSABLE, L"Press"},
                 {kit::kSoftwareLicenseCheck, L"I accept the software License Agreement", ROLE_SYSTEM_CHECKBUTTON,
                  STATE_SYSTEM_FOCUSABLE, L"Check"},
                 {kit::kDataLicenseCheck, L"I accept the data License Agreement", ROLE_SYSTEM_CHECKBUTTON,
                  STATE_SYSTEM_FOCUSABLE, L"Check"}},
                "license page");

    // Space on the focused software box checks it; the reader hears the change.
    HWND softwareBox = GetDlgItem(license, kit::kSoftwareLicenseCheck);
    Press(Key::Tab);
    ASSERT_TRUE(kit::WaitUntil([&] { return FocusOf(license) == softwareBox; }, 3000));
    Press(Key::Space);
    ASSERT_TRUE(kit::WaitUntil([&] { return kit::CheckState(license, kit::kSoftwareLicenseCheck) == BST_CHECKED; }, 3000));
    EXPECT_TRUE(Heard(EVENT_OBJECT_STATECHANGE, softwareBox));
    // The data box checked through its default action; then "Next" is available.
    {
        Accessible dataBox(GetDlgItem(license, kit::kDataLicenseCheck));
        ASSERT_TRUE(dataBox);
        EXPECT_EQ(dataBox->accDoDefaultAction(Accessible::Self()), S_OK);
    }
    ASSERT_TRUE(kit::WaitUntil([&] { return kit::ItemEnabled(license, kit::kLicenseNextItem); }, 3000));
    ExpectItems(license,
                {{kit::kSoftwareLicenseCheck, L"I accept the software License Agreement", ROLE_SYSTEM_CHECKBUTTON,
                  STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_CHECKED, L"Uncheck"},
                 {kit::kDataLicenseCheck, L"I accept the data License Agreement", ROLE_SYSTEM_CHECKBUTTON,
                  STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED | STATE_SYSTEM_CHECKED, L"Uncheck"},
                 {kit::kLicenseNextItem, L"Next", ROLE_SYSTEM_PUSHBUTTON, STATE_SYSTEM_FOCUSABLE, L"Press"}},
                "both boxes checked");
    UnhookWinEvent(hook);
    pages::ExitWithYes(license, setup);
    CoUninitialize();
}

std::vector<int> Accessible::ChildIds() const {
    std::vector<int> ids;
    LONG count = 0;
    if (FAILED(object_->get_accChildCount(&count)) || count <= 0) return ids;
    std::vector<VARIANT> children(static_cast<size_t>(count));
    LONG got = 0;
    if (FAILED(AccessibleChildren(object_, 0, count, children.data(), &got))) return ids;
    for (LONG i = 0; i < got; ++i) {
        HWND window = nullptr;
        if (children[i].vt == VT_DISPATCH && children[i].pdispVal) {
            IAccessible* child = nullptr;
            if (SUCCEEDED(children[i].pdispVal->QueryInterface(IID_IAccessible, reinterpret_cast<void**>(&child)))) {
                WindowFromAccessibleObject(child, &window);
                child->Release();
            }
        }
        ids.push_back(window ? GetDlgCtrlID(window) : -1);
        VariantClear(&children[i]);
    }
    return ids;
}

std::vector<int> TabStops(HWND page) {
    std::vector<int> ids;
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetWindowLongPtrW(child, GWL_STYLE) & WS_TABSTOP) ids.push_back(GetDlgCtrlID(child));
    return ids;
}

// The height of a line of the license text box, from where its first two lines start.
int LicenseLineHeight(HWND license) {
    HWND box = GetDlgItem(license, kit::kLicenseText);
    const LRESULT second = SendMessageW(box, EM_LINEINDEX, 1, 0);
    if (second <= 0) return -1;
    const LRESULT top = SendMessageW(box, EM_POSFROMCHAR, 0, 0);
    const LRESULT next = SendMessageW(box, EM_POSFROMCHAR, static_cast<WPARAM>(second), 0);
    return static_cast<short>(HIWORD(next)) - static_cast<short>(HIWORD(top));
}

// Holds a while, then tells whether the condition still holds: for what must not happen.
bool StillHolds(const std::function<bool()>& condition, DWORD ms = 1000) {
    return !kit::WaitUntil([&] { return !condition(); }, ms);
}

TEST(Reading, OrderNamesDescriptionsFocusAndNoActionBehindABox) {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    kit::Process setup = StartSetup(Medium(L"standard"));
    HWND main = pages::WaitForReadyMainPage(setup);
    ASSERT_NE(main, nullptr);
    HWND next = GetDlgItem(main, kit::kNextItem);
    HWND exit = GetDlgItem(main, kit::kExitItem);
    {
        Accessible page(main);
        ASSERT_TRUE(page);
        EXPECT_EQ(page.ChildIds(), (std::vector<int>{kit::kTextItem, kit::kNextItem, kit::kExitItem}));
    }
    EXPECT_EQ(TabStops(main), (std::vector<int>{kit::kNextItem, kit::kExitItem}));

    // What the mouse shows on hover is each item's description; accSelect moves the focus.
    struct Described {
        HWND item;
        const wchar_t* description;
    } described[] = {{exit, L"Exit this installation program"}, {next, L"Continue with the installation"}};
    for (const Described& row : described) {
        Accessible item(row.item);
        ASSERT_TRUE(item);
        EXPECT_EQ(item.Description(), row.description);
        EXPECT_EQ(item.TakeFocus(), S_OK) << GetDlgCtrlID(row.item);
        EXPECT_TRUE(kit::WaitUntil([&] { return kit::FocusOf(main) == row.item; }, 3000)) << GetDlgCtrlID(row.item);
    }

    // With the exit question open, neither Next's default action nor a click sent to it acts.
    kit::ClickItem(main, kit::kExitItem);
    HWND box = kit::WaitForMessageBox(setup.id());
    ASSERT_NE(box, nullptr);
    {
        Accessible item(next);
        ASSERT_TRUE(item);
        EXPECT_NE(item.DoDefaultAction(), S_OK);
        EXPECT_NE(item.TakeFocus(), S_OK);
    }
    PostMessageW(next, BM_CLICK, 0, 0);
    const auto licenseShown = [&] {
        HWND license = kit::FindLicensePage(setup.id());
        return license && IsWindowVisible(license);
    };
    EXPECT_TRUE(StillHolds([&] { return !licenseShown() && IsWindowVisible(main); }));
    kit::PressButton(box, IDNO);
    ASSERT_TRUE(kit::WaitUntil([&] { return !IsWindow(box); }, 5000));
    EXPECT_TRUE(StillHolds([&] { return !licenseShown(); }, 500)) << "a click kept for after the box";

    // Without the box the default action goes on to the license page.
    {
        Accessible item(next);
        ASSERT_TRUE(item);
        EXPECT_EQ(item.DoDefaultAction(), S_OK);
    }
    HWND license = kit::WaitForLicensePage(setup.id());
    ASSERT_NE(license, nullptr);
    ASSERT_TRUE(kit::WaitUntil([&] { return !IsWindowVisible(main); }, 5000));

    // The hidden first page's "Exit" asks nothing.
    {
        Accessible item(exit);
        ASSERT_TRUE(item);
        EXPECT_NE(item.DoDefaultAction(), S_OK);
    }
    EXPECT_TRUE(StillHolds([&] { return kit::FindMessageBox(setup.id()) == nullptr; }));

    // The license page reads from top to bottom, and its text box is named by the line above.
    {
        Accessible page(license);
        ASSERT_TRUE(page);
        EXPECT_EQ(page.ChildIds(), (std::vector<int>{1005, 1006, kit::kLicenseText, 1007, kit::kSoftwareLicenseCheck,
                                                     kit::kDataLicenseCheck, kit::kLicenseNextItem, kit::kExitItem}));
        Accessible text(GetDlgItem(license, kit::kLicenseText));
        ASSERT_TRUE(text);
        EXPECT_EQ(text.Name(), fw::LoadResString(IDS_LICENSE_INSTRUCTION));
    }
    const int lineHeight = LicenseLineHeight(license);
    std::printf("license line height without a text scale: %d\n", lineHeight);
    EXPECT_TRUE(lineHeight > 0 && lineHeight < 18) << "8 points without a text scale: " << lineHeight;
    EXPECT_EQ(TabStops(license), (std::vector<int>{kit::kLicenseText, kit::kSoftwareLicenseCheck, kit::kDataLicenseCheck,
                                                   kit::kLicenseNextItem, kit::kExitItem}));

    // Under the exit question the checkboxes take neither a default action nor a click.
    kit::ClickItem(license, kit::kExitItem);
    box = kit::WaitForMessageBox(setup.id());
    ASSERT_NE(box, nullptr);
    {
        Accessible dataBox(GetDlgItem(license, kit::kDataLicenseCheck));
        ASSERT_TRUE(dataBox);
        EXPECT_NE(dataBox.DoDefaultAction(), S_OK);
    }
    PostMessageW(GetDlgItem(license, kit::kSoftwareLicenseCheck), BM_CLICK, 0, 0);
    EXPECT_TRUE(StillHolds([&] {
        return kit::CheckState(license, kit::kSoftwareLicenseCheck) == BST_UNCHECKED &&
               kit::CheckState(license, kit::kDataLicenseCheck) == BST_UNCHECKED;
    }));
    kit::PressButton(box, IDNO);
    ASSERT_TRUE(kit::WaitUntil([&] { return !IsWindow(box); }, 5000));
    {
        Accessible dataBox(GetDlgItem(license, kit::kDataLicenseCheck));
        ASSERT_TRUE(dataBox);
        EXPECT_EQ(dataBox.TakeFocus(), S_OK);
        EXPECT_TRUE(kit::WaitUntil([&] { return kit::FocusOf(license) == GetDlgItem(license, kit::kDataLicenseCheck); }, 3000));
        EXPECT_EQ(dataBox.DoDefaultAction(), S_OK);
    }
    EXPECT_TRUE(kit::WaitUntil([&] { return kit::CheckState(license, kit::kDataLicenseCheck) == BST_CHECKED; }, 3000));
    pages::ExitWithYes(license, setup);
    CoUninitialize();
}

// Windows 10's "Make text bigger" at 200 %: the license text is drawn twice as large, in the
// box of the same size.
TEST(Reading, TextScaleEnlargesTheLicenseText) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Accessibility", 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD percent = 200;
    RegSetValueExW(key, L"TextScaleFactor", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&percent), sizeof percent);
    kit::Process setup = StartSetup(Medium(L"standard"));
    HWND license = pages::OpenLicensePage(setup);
    RegDeleteValueW(key, L"TextScaleFactor");
    RegCloseKey(key);
    ASSERT_NE(license, nullptr);
    const int lineHeight = LicenseLineHeight(license);
    std::printf("license line height at 200 %%: %d\n", lineHeight);
    EXPECT_GE(lineHeight, 22) << "16 points";
    RECT box = kit::ChildRect(GetDlgItem(license, kit::kLicenseText));
    RECT question = kit::ChildRect(GetDlgItem(license, 1007));
    EXPECT_LT(box.bottom, question.top) << "the box keeps its place above the question";
    EXPECT_LT(box.bottom - box.top, 200);
    pages::ExitWithYes(license, setup);
}

}  // namespace

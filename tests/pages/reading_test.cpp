// The pages as a screen reader and a user of Windows' visual settings meet them: reading order
// and names through the system's accessibility interface, descriptions, focus by accSelect,
// no action under a message box or on a hidden page, and the page drawn in a high-contrast
// theme's colours, read from its real pixels.
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

VARIANT Self() {
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    return self;
}

// A window's client object, as a screen reader gets it from another process.
class Accessible {
public:
    explicit Accessible(HWND window) {
        AccessibleObjectFromWindow(window, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&object_));
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
    HRESULT DoDefaultAction() const { return object_->accDoDefaultAction(Self()); }
    HRESULT TakeFocus() const { return object_->accSelect(SELFLAG_TAKEFOCUS, Self()); }

    // The control ids of the children in the order a reader walks them.
    std::vector<int> ChildIds() const {
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

private:
    std::wstring Text(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*)) const {
        BSTR text = nullptr;
        if (FAILED((object_->*get)(Self(), &text)) || !text) return L"<none>";
        std::wstring result(text, SysStringLen(text));
        SysFreeString(text);
        return result;
    }

    IAccessible* object_ = nullptr;
};

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
    HWND license = kit::FindLicensePage(setup.id());
    ASSERT_NE(license, nullptr);
    EXPECT_TRUE(StillHolds([&] { return !IsWindowVisible(license) && IsWindowVisible(main); }));
    kit::PressButton(box, IDNO);
    ASSERT_TRUE(kit::WaitUntil([&] { return !IsWindow(box); }, 5000));
    EXPECT_TRUE(StillHolds([&] { return !IsWindowVisible(license); }, 500)) << "a click kept for after the box";

    // Without the box the default action goes on to the license page.
    {
        Accessible item(next);
        ASSERT_TRUE(item);
        EXPECT_EQ(item.DoDefaultAction(), S_OK);
    }
    ASSERT_TRUE(kit::WaitVisible(license, 5000));
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

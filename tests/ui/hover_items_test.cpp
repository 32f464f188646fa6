#include "ui/browser_checkbox.h"
#include "ui/browser_menu_item.h"

#include <oleacc.h>

#include <gtest/gtest.h>

#include <string>

#include "framework/strings.h"
#include "tests/kit/kit.h"
#include "tests/kit/window_kit.h"
#include "tests/ui/ui_test_ids.h"
#include "ui/browser_page.h"
#include "ui/item_theme.h"
#include "ui/skin_rules.h"

namespace {

// Items that count their paints and mouse moves.
class ProbeItem : public CBrowserMenuItem {
public:
    int paints = 0;
    int moves = 0;
    LRESULT uiState = -1;  // what WM_QUERYUISTATE answers, when not negative

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_PAINT) ++paints;
        if (message == WM_MOUSEMOVE) ++moves;
        if (message == WM_QUERYUISTATE && uiState >= 0) return uiState;
        return CBrowserMenuItem::WindowProc(message, wParam, lParam);
    }
};

class ProbeCheckbox : public CBrowserCheckbox {
public:
    int moves = 0;
    LRESULT forcedCheck = -1;  // what BM_GETCHECK answers, when not negative
    LRESULT uiState = -1;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_MOUSEMOVE) ++moves;
        if (message == WM_QUERYUISTATE && uiState >= 0) return uiState;
        if (message == BM_GETCHECK && forcedCheck >= 0) return forcedCheck;
        return CBrowserCheckbox::WindowProc(message, wParam, lParam);
    }
};

constexpr wchar_t kPageTitle[] = L"Page title";

class ItemsPage : public CBrowserPage {
public:
    ItemsPage() : CBrowserPage(IDD_PROBE_PAGE) {}
    ProbeItem exitItem, nextItem, textItem;
    ProbeCheckbox passiveBox, activeBox;
    int erases = 0;
    int clicksA = 0, clicksB = 0;

protected:
    void DoDataExchange(fw::DataExchange& exchange) override {
        CBrowserPage::DoDataExchange(exchange);
        exchange.Attach(IDC_PROBE_NEXT, nextItem);
        exchange.Attach(IDC_PROBE_EXIT, exitItem);
        exchange.Attach(IDC_PROBE_TEXT, textItem);
        exchange.Attach(IDC_PROBE_CHECK_A, passiveBox);
        exchange.Attach(IDC_PROBE_CHECK_B, activeBox);
    }
    BOOL OnInitDialog() override {
        CBrowserPage::OnInitDialog();
        SetBackgroundBitmap(kit::MakeBitmap(8, 8, [](int, int) { return RGB(255, 255, 255); }));
        textItem.SetFontSize(10);
        textItem.SetCaption(kPageTitle);
        textItem.SetPassive(true);
        exitItem.SetCaption(IDS_PROBE_EXIT);
        exitItem.SetHoverDescription(IDS_PROBE_EXIT_DESCRIPTION, &textItem, 0);
        nextItem.SetCaption(IDS_PROBE_NEXT);
        nextItem.SetHoverDescription(IDS_PROBE_NEXT_DESCRIPTION, &textItem, 0);
        passiveBox.SetFontSize(9);
        passiveBox.SetCaption(IDS_PROBE_CHECK_A);
        passiveBox.SetPassive(true);
        activeBox.SetFontSize(9);
        activeBox.SetCaption(IDS_PROBE_CHECK_B);
        return TRUE;
    }
    bool OnCommand(UINT id, UINT code) override {
        if (id == IDC_PROBE_CHECK_A && code == BN_CLICKED) ++clicksA;
        if (id == IDC_PROBE_CHECK_B && code == BN_CLICKED) ++clicksB;
        return id == IDC_PROBE_CHECK_A || id == IDC_PROBE_CHECK_B;
    }
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
        if (message == WM_ERASEBKGND) ++erases;
        return CBrowserPage::OnMessage(message, wParam, lParam, result);
    }
};

HCURSOR Hand() { return LoadCursorW(nullptr, IDC_HAND); }

bool IsDark(COLORREF c) { return GetRValue(c) < 0x60 && GetGValue(c) < 0x60 && GetBValue(c) < 0x60; }

class HoverItems : public ::testing::Test {
protected:
    void SetUp() override {
        ParkMouse();
        ASSERT_TRUE(page.Create());
        SetWindowPos(page.hwnd(), nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        page.Show(SW_SHOW);
        UpdateWindow(page.hwnd());
        kit::Activate(page.hwnd());
        kit::Pump(100);
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    }
    void TearDown() override { ParkMouse(); }

    // Away from every window of the test.
    static void ParkMouse() {
        kit::MouseMoveTo(POINT{1010, 750});
        kit::Pump(150);
    }

    // A real move to a point of the control; waits until the control has seen it.
    template <typename Item>
    void MoveOver(Item& item, POINT client) {
        int before = item.moves;
        kit::MouseMoveToClient(item.hwnd(), client);
        EXPECT_TRUE(kit::PumpUntil([&] { return item.moves > before; }, 2000)) << "no move reached the control";
        kit::Pump(30);
    }

    // The rows of the control's rectangle in the page that hold text pixels.
    int TextRows(HWND item, const std::function<bool(COLORREF)>& isText) {
        RECT r = kit::ChildRect(item);
        int rows = 0;
        for (int y = r.top; y < r.bottom; ++y) {
            RECT line{r.left, y, r.right, y + 1};
            if (kit::CountPixels(page.hwnd(), line, isText) > 0) ++rows;
        }
        return rows;
    }

    void Repaint() {
        kit::Pump(50);
        UpdateWindow(page.hwnd());
        kit::Pump(50);
    }

    ItemsPage page;
};

TEST_F(HoverItems, FirstMoveOnlyStartsTrackingAndTheHandFollows) {
    MoveOver(page.exitItem, POINT{6, 6});
    ASSERT_EQ(page.exitItem.moves, 1);
    EXPECT_NE(GetCursor(), Hand()) << "first move";
    EXPECT_EQ(page.textItem.Caption(), kPageTitle) << "first move";
    MoveOver(page.exitItem, POINT{7, 6});
    EXPECT_EQ(GetCursor(), Hand()) << "second move";
    EXPECT_EQ(page.textItem.Caption(), L"Leave the probe") << "second move";
}

TEST_F(HoverItems, DescriptionFollowsTheCaptionAndIsNotRestored) {
    RECT item = kit::ClientRectOf(page.exitItem.hwnd());
    MoveOver(page.exitItem, POINT{4, 4});  // tracking starts
    struct Step {
        const char* what;
        POINT p;
        bool hand;
        const wchar_t* description;
    } steps[] = {
        {"over the caption", {6, 6}, true, L"Leave the probe"},
        {"left edge, x = 0", {0, 6}, false, L""},
        {"x = 1", {1, 6}, true, L"Leave the probe"},
        {"blank space right of the caption", {item.right - 2, 6}, false, L""},
        {"back over the caption", {5, 5}, true, L"Leave the probe"},
    };
    for (const Step& step : steps) {
        MoveOver(page.exitItem, step.p);
        EXPECT_EQ(GetCursor() == Hand(), step.hand) << step.what;
        EXPECT_EQ(page.textItem.Caption(), step.description) << step.what;
    }
    ParkMouse();
    kit::PumpUntil([&] { return page.textItem.Caption().empty(); }, 3000);
    EXPECT_EQ(page.textItem.Caption(), L"") << "after leaving: emptied, the page's title not restored";
    EXPECT_NE(GetCursor(), Hand());
}

TEST_F(HoverItems, MovesWithinOneZoneDrawNothing) {
    RECT item = kit::ClientRectOf(page.exitItem.hwnd());
    MoveOver(page.exitItem, POINT{6, 6});
    struct Zone {
        const char* what;
        POINT first, second, third;
    } zones[] = {
        {"caption", {5, 5}, {8, 6}, {10, 7}},
        {"blank space", {item.right - 2, 6}, {item.right - 3, 7}, {item.right - 4, 5}},
    };
    for (const Zone& zone : zones) {
        MoveOver(page.exitItem, zone.first);  // may cross the edge: draws once
        Repaint();
        int textPaints = page.textItem.paints;
        int exitPaints = page.exitItem.paints;
        int erases = page.erases;
        MoveOver(page.exitItem, zone.second);
        MoveOver(page.exitItem, zone.third);
        Repaint();
        EXPECT_EQ(page.textItem.paints, textPaints) << zone.what;
        EXPECT_EQ(page.exitItem.paints, exitPaints) << zone.what;
        EXPECT_EQ(page.erases, erases) << zone.what;
    }
    // Crossing the edge does draw: the counting sees paints when there are some.
    int textPaints = page.textItem.paints;
    MoveOver(page.exitItem, POINT{6, 6});
    Repaint();
    EXPECT_GT(page.textItem.paints, textPaints);
}

TEST_F(HoverItems, DisabledItemDrawsPaleAndGetsNoMouseInput) {
    page.nextItem.Enable(false);
    Repaint();
    auto isDisabled = [](COLORREF c) { return c == kDisabledTextColour; };
    auto isBlack = [](COLORREF c) { return c == RGB(0, 0, 0); };
    RECT next = kit::ChildRect(page.nextItem.hwnd());
    RECT exit = kit::ChildRect(page.exitItem.hwnd());
    EXPECT_GT(kit::CountPixels(page.hwnd(), next, isDisabled), 0);
    EXPECT_EQ(kit::CountPixels(page.hwnd(), next, isBlack), 0);
    EXPECT_GT(kit::CountPixels(page.hwnd(), exit, isBlack), 0) << "the enabled item beside it";
    EXPECT_EQ(kit::CountPixels(page.hwnd(), exit, isDisabled), 0);

    for (int x : {6, 7, 8}) {
        kit::MouseMoveToClient(page.nextItem.hwnd(), POINT{x, 6});
        kit::Pump(80);
    }
    EXPECT_EQ(page.nextItem.moves, 0);
    EXPECT_NE(GetCursor(), Hand());
    EXPECT_EQ(page.textItem.Caption(), kPageTitle);

    page.nextItem.Enable(true);
    page.nextItem.RedrawInParent();
    Repaint();
    EXPECT_EQ(kit::CountPixels(page.hwnd(), next, isDisabled), 0) << "enabled again";
    EXPECT_GT(kit::CountPixels(page.hwnd(), next, isBlack), 0) << "enabled again";
}

TEST_F(HoverItems, SetCaptionWithTheSameTextRepaintsNothing) {
    Repaint();
    struct Row {
        const wchar_t* text;
        bool repaints;
    } rows[] = {{L"Exit", false}, {L"Quit", true}, {L"Quit", false}, {L"", true}};
    for (const Row& row : rows) {
        Repaint();
        int paints = page.exitItem.paints;
        int erases = page.erases;
        page.exitItem.SetCaption(row.text);
        RECT update{};
        EXPECT_EQ(GetUpdateRect(page.hwnd(), &update, FALSE) != FALSE, row.repaints) << "after \"" << row.text << "\"";
        Repaint();
        EXPECT_EQ(page.exitItem.paints > paints, row.repaints) << "\"" << row.text << "\"";
        EXPECT_EQ(page.erases > erases, row.repaints) << "\"" << row.text << "\"";
        EXPECT_EQ(page.exitItem.Caption(), row.text);
    }
}

TEST_F(HoverItems, CaptionFromAMissingStringIsEmptyAndDrawsNothing) {
    page.exitItem.SetCaption(static_cast<UINT>(IDS_PROBE_MISSING));
    Repaint();
    EXPECT_EQ(page.exitItem.Caption(), L"");
    EXPECT_EQ(kit::CountPixels(page.hwnd(), kit::ChildRect(page.exitItem.hwnd()), IsDark), 0);
}

TEST_F(HoverItems, SetFontSizeDrawsAtTheNewSize) {
    struct Row {
        int points;
    } rows[] = {{8}, {16}, {8}};
    int previous = 0;
    for (size_t i = 0; i < std::size(rows); ++i) {
        page.textItem.SetFontSize(rows[i].points);
        Repaint();
        int height = TextRows(page.textItem.hwnd(), IsDark);
        EXPECT_GT(height, 0) << rows[i].points << " points";
        if (i == 1) EXPECT_GT(height, previous * 3 / 2) << "16 points against 8";
        if (i == 2) EXPECT_LT(height * 3 / 2, previous) << "8 points against 16";
        previous = height;
    }
}

TEST_F(HoverItems, CheckboxDrawsItsColoursAndAnyNonZeroStateAsChecked) {
    auto isText = [](COLORREF c) { return c == kCheckboxTextColour; };
    auto isPale = [](COLORREF c) { return c == kDisabledTextColour; };
    RECT box = kit::ChildRect(page.activeBox.hwnd());
    RECT frame{box.left, box.top, box.left + 13, box.bottom};
    page.activeBox.forcedCheck = 0;
    page.activeBox.RedrawInParent();
    Repaint();
    int unchecked = kit::CountPixels(page.hwnd(), frame, IsDark);
    EXPECT_GT(kit::CountPixels(page.hwnd(), box, isText), 0);
    EXPECT_EQ(kit::CountPixels(page.hwnd(), box, isPale), 0);
    for (LRESULT state : {LRESULT(1), LRESULT(2), LRESULT(0x7F)}) {
        page.activeBox.forcedCheck = state;
        page.activeBox.RedrawInParent();
        Repaint();
        EXPECT_GT(kit::CountPixels(page.hwnd(), frame, IsDark), unchecked + 5) << "check state " << state;
    }
    page.activeBox.Enable(false);
    page.activeBox.RedrawInParent();
    Repaint();
    EXPECT_EQ(kit::CountPixels(page.hwnd(), box, isText), 0) << "disabled";
    EXPECT_GT(kit::CountPixels(page.hwnd(), box, isPale), 0) << "disabled";
}

TEST_F(HoverItems, PassiveCheckboxSetsNoCursorButTogglesAndNotifies) {
    struct Row {
        const char* what;
        ProbeCheckbox* box;
        int* clicks;
        bool hand;
    } rows[] = {
        {"passive", &page.passiveBox, &page.clicksA, false},
        {"active", &page.activeBox, &page.clicksB, true},
    };
    for (const Row& row : rows) {
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
        // 21: just right of the box, on the first letters of the caption.
        kit::MouseMoveToClient(row.box->hwnd(), POINT{21, 5});
        kit::Pump(100);
        kit::MouseMoveToClient(row.box->hwnd(), POINT{22, 6});
        kit::Pump(100);
        EXPECT_EQ(GetCursor() == Hand(), row.hand) << row.what;
        int before = row.box->GetCheck();
        kit::MouseButton(true);
        kit::Pump(50);
        kit::MouseButton(false);
        kit::PumpUntil([&] { return *row.clicks > 0; }, 2000);
        EXPECT_EQ(*row.clicks, 1) << row.what;
        EXPECT_EQ(row.box->GetCheck(), before == 0 ? 1 : 0) << row.what;
        ParkMouse();
        // Still drawn the skinned way: its text colour, and none of the standard face colour.
        kit::Pump(100);
        RECT box = kit::ChildRect(row.box->hwnd());
        EXPECT_GT(kit::CountPixels(page.hwnd(), box, [](COLORREF c) { return c == kCheckboxTextColour; }), 0)
            << row.what;
        EXPECT_EQ(kit::CountPixels(page.hwnd(), box, [](COLORREF c) { return c == GetSysColor(COLOR_3DFACE); }), 0)
            << row.what;
    }
}

// Windows hides focus cues until the keyboard is used, unless the user has them always shown;
// the cue follows the window's state as the system's own controls do.
TEST_F(HoverItems, FocusCueFollowsTheFocusAndTheKeyboardCueState) {
    struct Target {
        const char* what;
        HWND item;
        LRESULT* uiState;
        COLORREF text;
    } targets[] = {{"menu item", page.exitItem.hwnd(), &page.exitItem.uiState, kMenuItemTextColour},
                   {"checkbox", page.activeBox.hwnd(), &page.activeBox.uiState, kCheckboxTextColour}};
    struct Row {
        const char* what;
        bool focused;
        LRESULT uiState;
        bool cue;
    } rows[] = {
        {"focused", true, 0, true},
        {"focused, focus cues hidden", true, UISF_HIDEFOCUS, false},
        {"focused, only accelerator cues hidden", true, UISF_HIDEACCEL, true},
        {"focus elsewhere", false, 0, false},
    };
    HWND edit = GetDlgItem(page.hwnd(), IDC_PROBE_EDIT);
    for (const Target& target : targets) {
        auto textPixels = [&] {
            return kit::CountPixels(page.hwnd(), kit::ChildRect(target.item),
                                    [&](COLORREF c) { return c == target.text; });
        };
        SetFocus(edit);
        Repaint();
        const int plain = textPixels();
        for (const Row& row : rows) {
            *target.uiState = row.uiState;
            SetFocus(row.focused ? target.item : edit);
            // The state changes as the system tells it: WM_UPDATEUISTATE.
            SendMessageW(target.item, WM_UPDATEUISTATE, MAKEWPARAM(UIS_INITIALIZE, 0), 0);
            Repaint();
            EXPECT_EQ(textPixels() > plain, row.cue) << target.what << ", " << row.what;
        }
        *target.uiState = -1;
    }
}

// A reader may keep an item's object after the page has gone: its calls then fail cleanly.
TEST_F(HoverItems, AccessibleObjectOutlivesItsItem) {
    IAccessible* object = nullptr;
    ASSERT_EQ(AccessibleObjectFromWindow(page.exitItem.hwnd(), OBJID_CLIENT, IID_IAccessible,
                                         reinterpret_cast<void**>(&object)),
              S_OK);
    ASSERT_NE(object, nullptr);
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    EXPECT_EQ(object->get_accName(self, &name), S_OK);
    EXPECT_EQ(std::wstring(name ? name : L""), L"Exit");
    SysFreeString(name);
    page.DestroyWindow();
    name = nullptr;
    EXPECT_TRUE(FAILED(object->get_accName(self, &name)));
    EXPECT_EQ(name, nullptr);
    VARIANT state;
    VariantInit(&state);
    EXPECT_TRUE(FAILED(object->get_accState(self, &state)));
    EXPECT_TRUE(FAILED(object->accDoDefaultAction(self)));
    object->Release();
}

// Wine neither keeps nor reports the high-contrast setting: the test stands in for the system's
// answer, sets a high-contrast theme's colours through the real call, and tells the page of the
// change as Windows does. The page's pixels, read from the screen, must then be the theme's.
bool g_highContrast = false;
BOOL FakeHighContrast(HIGHCONTRASTW* setting) {
    setting->dwFlags = HCF_AVAILABLE | (g_highContrast ? HCF_HIGHCONTRASTON : 0);
    return TRUE;
}

TEST_F(HoverItems, HighContrastDrawsThePageInTheSystemColoursAndFollowsTheTheme) {
    // A dark theme: none of these is the probe bitmap's white or an item's own colour.
    const int elements[] = {COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_GRAYTEXT};
    const COLORREF theme[] = {RGB(0x00, 0x00, 0x60), RGB(0xFF, 0xFF, 0x00), RGB(0x3F, 0xF2, 0x3F)};
    COLORREF saved[3];
    for (int i = 0; i < 3; ++i) saved[i] = GetSysColor(elements[i]);
    SIZE savedFrame{1, 1};
    SystemParametersInfoW(SPI_GETFOCUSBORDERWIDTH, 0, &savedFrame.cx, 0);
    SystemParametersInfoW(SPI_GETFOCUSBORDERHEIGHT, 0, &savedFrame.cy, 0);
    ASSERT_TRUE(SetSysColors(3, elements, theme));
    SetHighContrastSource(&FakeHighContrast);
    auto announce = [&](bool on) {
        g_highContrast = on;
        SendMessageW(page.hwnd(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
        SendMessageW(page.hwnd(), WM_SYSCOLORCHANGE, 0, 0);
        Repaint();
    };
    // Background: the page's top right, where no item lies.
    RECT free{110, 10, 250, 50};
    MapDialogRect(page.hwnd(), &free);
    const int freePixels = (free.right - free.left) * (free.bottom - free.top);
    auto count = [&](HWND item, COLORREF colour) {
        return kit::CountPixels(page.hwnd(), item ? kit::ChildRect(item) : free, [=](COLORREF c) { return c == colour; });
    };
    page.nextItem.Enable(false);
    page.activeBox.uiState = 0;
    SetFocus(page.activeBox.hwnd());

    announce(false);
    EXPECT_EQ(count(nullptr, RGB(255, 255, 255)), freePixels) << "high contrast off: the bitmap";
    EXPECT_EQ(count(page.exitItem.hwnd(), theme[1]), 0);

    announce(true);
    EXPECT_EQ(count(nullptr, theme[0]), freePixels) << "the window colour instead of the bitmap";
    EXPECT_GT(count(page.exitItem.hwnd(), theme[1]), 0) << "a caption in the window text colour";
    EXPECT_EQ(count(page.exitItem.hwnd(), kMenuItemTextColour), 0) << "no text in the item's own colour";
    EXPECT_GT(count(page.nextItem.hwnd(), theme[2]), 0) << "a disabled item in grey text";
    EXPECT_EQ(count(page.nextItem.hwnd(), kDisabledTextColour), 0);
    const int boxText = count(page.activeBox.hwnd(), theme[1]);
    EXPECT_GT(boxText, 0) << "a checkbox caption and its focus frame in the window text colour";
    EXPECT_EQ(count(page.activeBox.hwnd(), kCheckboxTextColour), 0);

    // The focus frame as thick as the system's setting.
    SystemParametersInfoW(SPI_SETFOCUSBORDERWIDTH, 0, reinterpret_cast<void*>(3), 0);
    SystemParametersInfoW(SPI_SETFOCUSBORDERHEIGHT, 0, reinterpret_cast<void*>(3), 0);
    page.activeBox.RedrawInParent();
    Repaint();
    EXPECT_GT(count(page.activeBox.hwnd(), theme[1]), boxText + 20) << "a frame three pixels thick";

    announce(false);
    EXPECT_EQ(count(nullptr, RGB(255, 255, 255)), freePixels) << "high contrast off again: the bitmap is back";
    EXPECT_GT(count(page.exitItem.hwnd(), kMenuItemTextColour), 0);

    SetHighContrastSource(nullptr);
    SetSysColors(3, elements, saved);
    SystemParametersInfoW(SPI_SETFOCUSBORDERWIDTH, 0, reinterpret_cast<void*>(static_cast<UINT_PTR>(savedFrame.cx)), 0);
    SystemParametersInfoW(SPI_SETFOCUSBORDERHEIGHT, 0, reinterpret_cast<void*>(static_cast<UINT_PTR>(savedFrame.cy)), 0);
    page.activeBox.uiState = -1;
}

}  // namespace

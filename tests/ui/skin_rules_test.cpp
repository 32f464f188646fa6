#include "ui/skin_rules.h"

#include <oleacc.h>

#include <gtest/gtest.h>

#include "ui/item_accessible.h"

namespace {

TEST(SkinRules, MenuItemHitExcludesTheLeftEdgeAndTheFarEnds) {
    RECT extent = MenuItemCaptionExtent(SIZE{40, 18});
    struct Row {
        const char* what;
        POINT p;
        bool measured;
        bool hit;
    } rows[] = {
        {"x = 0 is never over the caption", {0, 5}, true, false},
        {"x = 1", {1, 5}, true, true},
        {"last column", {39, 5}, true, true},
        {"x = cx", {40, 5}, true, false},
        {"y = 0", {5, 0}, true, true},
        {"last row", {5, 17}, true, true},
        {"y = cy", {5, 18}, true, false},
        {"above", {5, -1}, true, false},
        {"left of the item", {-3, 5}, true, false},
        {"not measured yet", {5, 5}, false, false},
    };
    for (const Row& row : rows) EXPECT_EQ(MenuItemHit(extent, row.measured, row.p), row.hit) << row.what;
}

TEST(SkinRules, CheckboxHitIncludesTheTopLeftCorner) {
    SIZE extent{120, 15};
    struct Row {
        const char* what;
        POINT p;
        bool measured;
        bool hit;
    } rows[] = {
        {"top-left corner", {0, 0}, true, true},
        {"last column", {119, 3}, true, true},
        {"x = cx", {120, 3}, true, false},
        {"y = cy", {3, 15}, true, false},
        {"negative x", {-1, 3}, true, false},
        {"negative y", {3, -1}, true, false},
        {"not measured yet", {3, 3}, false, false},
    };
    for (const Row& row : rows) EXPECT_EQ(CheckboxHit(extent, row.measured, row.p), row.hit) << row.what;
}

TEST(SkinRules, FontHeightIsMinusPointsAtTheResolution) {
    struct Row {
        int points, dpi;
        LONG height;
    } rows[] = {{12, 96, -16}, {10, 96, -13}, {9, 96, -12}, {8, 96, -11}, {8, 120, -13}, {12, 120, -20}, {9, 144, -18}};
    for (const Row& row : rows)
        EXPECT_EQ(FontHeightForPoints(row.points, row.dpi), row.height) << row.points << " pt at " << row.dpi;
}

TEST(SkinRules, ScaledBitmapSizeTruncatesAndUsesTheHorizontalResolution) {
    struct Row {
        UINT width, height;
        int dpi;
        LONG cx, cy;
    } rows[] = {
        {400, 300, 96, 400, 300},  {400, 300, 120, 500, 375}, {401, 301, 120, 501, 376},
        {1, 1, 144, 1, 1},         {3, 5, 144, 4, 7},         {0, 0, 120, 0, 0},
        {640, 480, 72, 480, 360},
    };
    for (const Row& row : rows) {
        SIZE size = ScaledBitmapSize(row.width, row.height, row.dpi);
        EXPECT_EQ(size.cx, row.cx) << row.width << " at " << row.dpi;
        EXPECT_EQ(size.cy, row.cy) << row.height << " at " << row.dpi;
    }
}

TEST(SkinRules, AnyNonZeroCheckStateIsChecked) {
    struct Row {
        LRESULT state;
        UINT frame;
    } rows[] = {{0, DFCS_BUTTONCHECK},
                {1, DFCS_BUTTONCHECK | DFCS_CHECKED},
                {2, DFCS_BUTTONCHECK | DFCS_CHECKED},
                {0x7F, DFCS_BUTTONCHECK | DFCS_CHECKED},
                {-1, DFCS_BUTTONCHECK | DFCS_CHECKED}};
    for (const Row& row : rows) EXPECT_EQ(CheckboxFrameState(row.state), row.frame) << row.state;
}

TEST(SkinRules, LayoutRectangles) {
    RECT client{0, 0, 200, 16};
    RECT box = CheckboxBoxRect(client);
    RECT text = CheckboxTextRect(client);
    RECT wide = MenuItemRedrawRect(RECT{30, 40, 90, 56});
    struct Row {
        const char* what;
        RECT actual, expected;
    } rows[] = {
        {"box: 13 wide, full height", box, {0, 0, 13, 16}},
        {"text: from 20 on", text, {20, 0, 200, 16}},
        {"redraw: 5 wider each side, same height", wide, {25, 40, 95, 56}},
    };
    for (const Row& row : rows) EXPECT_TRUE(EqualRect(&row.actual, &row.expected)) << row.what;
}

TEST(SkinRules, DragPressKeepsTheLow16BitsOfEachCoordinate) {
    struct Row {
        int x, y;
        LPARAM lParam;
    } rows[] = {{10, 20, 0x0014000A}, {0, 0, 0}, {-3, 5, 0x0005FFFD}, {70000, 2, 0x00021170}};
    for (const Row& row : rows) EXPECT_EQ(DragPressLParam(row.x, row.y), row.lParam) << row.x << "," << row.y;
}

TEST(SkinRules, FocusCueAroundTheCaptionInsideTheItem) {
    RECT client{0, 0, 80, 19};
    struct Row {
        const char* what;
        RECT text, expected;
    } rows[] = {
        {"caption at the left edge: the cue starts there", {0, 0, 30, 17}, {0, 0, 32, 18}},
        {"checkbox caption from 20 on", {20, 0, 60, 15}, {18, 0, 62, 16}},
        {"caption as wide and high as the item", {0, 0, 80, 19}, {0, 0, 80, 19}},
    };
    for (const Row& row : rows) {
        RECT cue = FocusCueRect(row.text, client);
        EXPECT_TRUE(EqualRect(&cue, &row.expected)) << row.what;
    }
}

TEST(SkinRules, AccessibleStateOfAnItem) {
    // The standard object answers for the calling thread; its focus and check bits are replaced.
    constexpr LONG kOffscreen = STATE_SYSTEM_OFFSCREEN;
    struct State {
        const char* what;
        LONG standard;
        bool enabled, focused, checkable, checked;
        LONG state;
    } states[] = {
        {"enabled", kOffscreen, true, false, false, false, kOffscreen | STATE_SYSTEM_FOCUSABLE},
        {"disabled: not focusable", STATE_SYSTEM_FOCUSABLE, false, false, false, false, STATE_SYSTEM_UNAVAILABLE},
        {"focused", 0, true, true, false, false, STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED},
        {"focus the standard object got wrong", STATE_SYSTEM_FOCUSED, true, false, false, false, STATE_SYSTEM_FOCUSABLE},
        {"checked checkbox", 0, true, false, true, true, STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_CHECKED},
        {"unchecked checkbox", STATE_SYSTEM_CHECKED, true, false, true, false, STATE_SYSTEM_FOCUSABLE},
        {"a button is never checked", 0, true, false, false, true, STATE_SYSTEM_FOCUSABLE},
        {"a static's read only is not a button's", STATE_SYSTEM_READONLY, true, false, false, false,
         STATE_SYSTEM_FOCUSABLE},
    };
    for (const State& row : states)
        EXPECT_EQ(ItemAccessibleState(row.standard, row.enabled, row.focused, row.checkable, row.checked), row.state)
            << row.what;
}

TEST(SkinRules, ProgressValueIsAWholePercentageOfTheRange) {
    const struct {
        int position, low, high;
        const wchar_t* text;
    } rows[] = {{0, 0, 1000, L"0%"}, {455, 0, 1000, L"45%"}, {1000, 0, 1000, L"100%"}, {1200, 0, 1000, L"100%"},
                {-5, 0, 100, L"0%"},  {15, 10, 20, L"50%"},  {3, 5, 5, L""}};
    for (const auto& row : rows)
        EXPECT_EQ(ProgressValueText(row.position, row.low, row.high), row.text) << row.position << " " << row.low;
}

TEST(SkinRules, DefaultActionNamesComeFromTheStringTable) {
    EXPECT_EQ(ItemDefaultActionStringId(ItemRole::PushButton, false), 170u);
    EXPECT_EQ(ItemDefaultActionStringId(ItemRole::PushButton, true), 170u);
    EXPECT_EQ(ItemDefaultActionStringId(ItemRole::CheckBox, false), 171u);
    EXPECT_EQ(ItemDefaultActionStringId(ItemRole::CheckBox, true), 172u);
}

TEST(SkinRules, HighContrastColours) {
    constexpr COLORREF kText = RGB(0xFF, 0xFF, 0x00), kGray = RGB(0x3F, 0xF2, 0x3F), kFixed = RGB(1, 2, 3);
    struct Row {
        const char* what;
        DWORD flags;
        bool enabled;
        COLORREF colour;
    } rows[] = {
        {"off: the item's own colour", HCF_AVAILABLE, true, kFixed},
        {"off, disabled: still the item's own", 0, false, kFixed},
        {"on: window text", HCF_HIGHCONTRASTON | HCF_AVAILABLE, true, kText},
        {"on, disabled: grey text", HCF_HIGHCONTRASTON, false, kGray},
        {"other flags alone are not on", HCF_HOTKEYACTIVE | HCF_CONFIRMHOTKEY, true, kFixed},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ItemTextColour(kFixed, row.enabled, HighContrastOn(row.flags), kText, kGray), row.colour) << row.what;
}

TEST(SkinRules, FocusFrameThicknessTextScaleAndActions) {
    struct Frame {
        const char* what;
        bool gotWidth;
        UINT width;
        bool gotHeight;
        UINT height;
        SIZE thickness;
    } frames[] = {
        {"the system's values", true, 3, true, 2, {3, 2}},
        {"missing before Windows XP", false, 7, false, 7, {1, 1}},
        {"zero", true, 0, true, 4, {1, 4}},
    };
    for (const Frame& row : frames) {
        SIZE got = FocusFrameThickness(row.gotWidth, row.width, row.gotHeight, row.height);
        EXPECT_EQ(got.cx, row.thickness.cx) << row.what;
        EXPECT_EQ(got.cy, row.thickness.cy) << row.what;
    }
    struct Scale {
        bool present;
        DWORD value;
        UINT percent;
        LONG height;  // of 8 points at 96 pixels per inch
    } scales[] = {{false, 150, 100, -11}, {true, 100, 100, -11}, {true, 150, 150, -16},
                  {true, 225, 225, -24}, {true, 226, 100, -11}, {true, 99, 100, -11}};
    for (const Scale& row : scales) {
        EXPECT_EQ(EffectiveTextScale(row.present, row.value), row.percent) << row.value;
        EXPECT_EQ(ScaledFontHeight(8, 96, EffectiveTextScale(row.present, row.value)), row.height) << row.value;
    }
    struct Action {
        bool item, page, visible, acts;
    } actions[] = {{true, true, true, true}, {false, true, true, false}, {true, false, true, false},
                   {true, true, false, false}};
    for (const Action& row : actions)
        EXPECT_EQ(ItemActionAllowed(row.item, row.page, row.visible), row.acts)
            << row.item << row.page << row.visible;
}

}  // namespace

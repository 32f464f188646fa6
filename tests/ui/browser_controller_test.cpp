#include "ui/browser_controller.h"

#include <gtest/gtest.h>

#include <vector>

#include "framework/control.h"
#include "tests/kit/kit.h"
#include "tests/kit/window_kit.h"
#include "tests/ui/ui_test_ids.h"
#include "ui/browser_page.h"

namespace {

// Counts the WM_PAINT messages of a window. Without a message loop running, only sent ones
// can arrive.
class PaintCounter : public fw::Static {
public:
    int paints = 0;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_PAINT) ++paints;
        return fw::Static::WindowProc(message, wParam, lParam);
    }
};

class ProbePage : public CBrowserPage {
public:
    ProbePage() : CBrowserPage(IDD_PROBE_PLAIN) {}
    int shown = 0;
    int erases = 0;
    // Whether the watched page was visible each time this page was hidden.
    HWND watched = nullptr;
    std::vector<bool> watchedVisibleWhenHidden;

    void OnPageShown() override { ++shown; }

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
        if (message == WM_ERASEBKGND) ++erases;
        if (message == WM_SHOWWINDOW && !wParam && watched)
            watchedVisibleWhenHidden.push_back(IsWindowVisible(watched) != FALSE);
        return CBrowserPage::OnMessage(message, wParam, lParam, result);
    }
};

bool Visible(const ProbePage& page) { return IsWindowVisible(page.hwnd()) != FALSE; }

void DrainQuit() {
    MSG message;
    while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

TEST(BrowserController, AddPageHidesThePageAndKeepsTheFirstOfANumber) {
    CBrowserController controller;
    ProbePage first, second;
    ASSERT_TRUE(first.Create());
    ASSERT_TRUE(second.Create());
    first.Show(SW_SHOW);
    second.Show(SW_SHOW);
    controller.AddPage(1, &first);
    EXPECT_FALSE(Visible(first)) << "a visible page is hidden when added";
    controller.AddPage(1, &second);
    EXPECT_FALSE(Visible(second)) << "the page of a taken number is hidden all the same";
    controller.ShowPage(1);
    EXPECT_TRUE(Visible(first));
    EXPECT_FALSE(Visible(second));
    EXPECT_EQ(first.shown, 1);
    EXPECT_EQ(second.shown, 0);
}

TEST(BrowserController, ShowPageShowsTheNewPageBeforeHidingTheOthers) {
    CBrowserController controller;
    ProbePage a, b, c;
    ASSERT_TRUE(a.Create());
    ASSERT_TRUE(b.Create());
    ASSERT_TRUE(c.Create());
    controller.AddPage(1, &a);
    controller.AddPage(2, &b);
    controller.AddPage(3, &c);
    // Each page watches the one that replaces it.
    a.watched = b.hwnd();
    b.watched = c.hwnd();
    c.watched = a.hwnd();
    struct Step {
        int number;
        bool a, b, c;
        int aShown, bShown, cShown;
    } steps[] = {
        {1, true, false, false, 1, 0, 0},
        {2, false, true, false, 1, 1, 0},
        {3, false, false, true, 1, 1, 1},
        {1, true, false, false, 2, 1, 1},
    };
    for (const Step& step : steps) {
        // Each step starts with the page of the previous one visible.
        controller.ShowPage(step.number);
        EXPECT_EQ(Visible(a), step.a) << "page " << step.number;
        EXPECT_EQ(Visible(b), step.b) << "page " << step.number;
        EXPECT_EQ(Visible(c), step.c) << "page " << step.number;
        EXPECT_EQ(a.shown, step.aShown) << "page " << step.number;
        EXPECT_EQ(b.shown, step.bShown) << "page " << step.number;
        EXPECT_EQ(c.shown, step.cShown) << "page " << step.number;
        kit::Pump(50);
    }
    // Each page was hidden once, and only after the page replacing it had become visible.
    for (const ProbePage* page : {&a, &b, &c}) {
        ASSERT_EQ(page->watchedVisibleWhenHidden.size(), 1u);
        EXPECT_TRUE(page->watchedVisibleWhenHidden.front());
    }
}

TEST(BrowserController, ShowingTheVisiblePageRepaintsItAndRunsTheHookAgain) {
    CBrowserController controller;
    ProbePage page;
    ASSERT_TRUE(page.Create());
    // A child and a grandchild: the repaint reaches every level.
    HWND child = CreateWindowExW(0, L"Static", L"", WS_CHILD | WS_VISIBLE, 5, 5, 60, 40, page.hwnd(), nullptr,
                                 nullptr, nullptr);
    HWND grandchild =
        CreateWindowExW(0, L"Static", L"", WS_CHILD | WS_VISIBLE, 2, 2, 20, 20, child, nullptr, nullptr, nullptr);
    PaintCounter childPaints, grandchildPaints;
    ASSERT_TRUE(childPaints.Attach(child));
    ASSERT_TRUE(grandchildPaints.Attach(grandchild));
    controller.AddPage(2, &page);
    controller.ShowPage(2);
    kit::Pump(100);
    ASSERT_TRUE(Visible(page));
    int erasesBefore = page.erases;
    int childBefore = childPaints.paints;
    int grandchildBefore = grandchildPaints.paints;

    controller.ShowPage(2);
    // The paint messages are sent during the call, before any queued paint.
    EXPECT_EQ(childPaints.paints, childBefore + 1);
    EXPECT_EQ(grandchildPaints.paints, grandchildBefore + 1);
    EXPECT_TRUE(Visible(page));
    EXPECT_EQ(page.shown, 2);
    RECT update{};
    EXPECT_TRUE(GetUpdateRect(page.hwnd(), &update, FALSE)) << "the whole page waits for repainting";
    RECT client = kit::ClientRectOf(page.hwnd());
    EXPECT_TRUE(EqualRect(&update, &client));
    kit::Pump(100);
    EXPECT_GT(page.erases, erasesBefore) << "the background is erased again";
}

TEST(BrowserController, ShowingAnUnknownNumberHidesEveryPageAndRunsNoHook) {
    CBrowserController controller;
    ProbePage a, b;
    ASSERT_TRUE(a.Create());
    ASSERT_TRUE(b.Create());
    controller.AddPage(1, &a);
    controller.AddPage(2, &b);
    controller.ShowPage(1);
    controller.ShowPage(7);
    EXPECT_FALSE(Visible(a));
    EXPECT_FALSE(Visible(b));
    EXPECT_EQ(a.shown, 1);
    EXPECT_EQ(b.shown, 0);
}

// Makes page 2 when asked, once; any other number it cannot make.
class TwoMaker : public PageMaker {
public:
    ProbePage page;
    std::vector<int> asked;
    CBrowserPage* MakePage(int pageNumber) override {
        asked.push_back(pageNumber);
        return pageNumber == 2 && page.Create() ? &page : nullptr;
    }
    int exits = 0;
    void ExitSetup() override { ++exits; }
};

TEST(BrowserController, APageNotRegisteredIsMadeWhenFirstShown) {
    CBrowserController controller;
    TwoMaker maker;
    ProbePage first;
    ASSERT_TRUE(first.Create());
    controller.AddPage(1, &first);
    controller.SetPageMaker(&maker);
    controller.ShowPage(1);
    controller.ShowPage(2);
    controller.ShowPage(2);  // registered now: not made again
    EXPECT_TRUE(Visible(maker.page));
    EXPECT_FALSE(Visible(first));
    EXPECT_EQ(maker.page.shown, 2);
    controller.ShowPage(3);  // the maker cannot: every page is hidden, as for an unknown number
    EXPECT_FALSE(Visible(maker.page));
    EXPECT_EQ(maker.asked, (std::vector<int>{2, 3}));
}

// A page's "Exit" reaches whoever runs the setup, each time, and ends nothing by itself.
TEST(BrowserController, ExitSetupAsksTheMakerEachTime) {
    DrainQuit();
    CBrowserController controller;
    TwoMaker maker;
    controller.SetPageMaker(&maker);
    controller.ExitSetup();
    controller.ExitSetup();
    EXPECT_EQ(maker.exits, 2);
    MSG message{};
    EXPECT_FALSE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

}  // namespace

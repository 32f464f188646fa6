#include "ui/dialog_sk.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "framework/strings.h"
#include "tests/kit/kit.h"
#include "tests/kit/window_kit.h"
#include "tests/ui/ui_test_ids.h"
#include "ui/app_title.h"
#include "ui/browser_page.h"

namespace {

constexpr COLORREF kTopLeft = RGB(200, 0, 0);
constexpr COLORREF kTopRight = RGB(0, 200, 0);
constexpr COLORREF kBottomLeft = RGB(0, 0, 200);
constexpr COLORREF kBottomRight = RGB(200, 200, 0);

COLORREF Quadrant(int x, int y, int width, int height) {
    bool right = x >= width / 2;
    bool bottom = y >= height / 2;
    return bottom ? (right ? kBottomRight : kBottomLeft) : (right ? kTopRight : kTopLeft);
}

HBITMAP QuadrantBitmap(int width, int height) {
    return kit::MakeBitmap(width, height, [=](int x, int y) { return Quadrant(x, y, width, height); });
}

COLORREF DefaultBackground() { return GetSysColor(COLOR_3DFACE); }

// The quadrants as an 8-bit file with a colour table of four, its rows stored from the top.
std::string TopDownPaletteBmpFile(int width, int height) {
    const COLORREF table[] = {kTopLeft, kTopRight, kBottomLeft, kBottomRight};
    const int stride = (width + 3) & ~3;
    BITMAPINFOHEADER header{sizeof header, width, -height, 1, 8};
    header.biClrUsed = 4;
    BITMAPFILEHEADER file{0x4D42};
    file.bfOffBits = sizeof file + sizeof header + sizeof table;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&header), sizeof header);
    for (COLORREF c : table)
        bytes += {static_cast<char>(GetBValue(c)), static_cast<char>(GetGValue(c)), static_cast<char>(GetRValue(c)), 0};
    for (int y = 0; y < height; ++y) {
        std::string line(static_cast<size_t>(stride), '\0');
        for (int x = 0; x < width; ++x) line[x] = static_cast<char>((y >= height / 2) * 2 + (x >= width / 2));
        bytes += line;
    }
    return bytes;
}

// Counts what reaches the dialog's hooks.
class ProbeSk : public CDialogSK {
public:
    explicit ProbeSk(UINT id = IDD_PROBE_PLAIN) : CDialogSK(id) {}
    int oks = 0;
    int cancels = 0;

protected:
    void OnOK() override {
        ++oks;
        CDialogSK::OnOK();
    }
    void OnCancel() override {
        ++cancels;
        CDialogSK::OnCancel();
    }
};

class ProbePage : public CBrowserPage {
public:
    explicit ProbePage(UINT id = IDD_PROBE_PAGE) : CBrowserPage(id) {}
    int oks = 0;
    int cancels = 0;

protected:
    void OnOK() override {
        ++oks;
        CBrowserPage::OnOK();
    }
    void OnCancel() override {
        ++cancels;
        CBrowserPage::OnCancel();
    }
};

void ShowAndPaint(fw::Dialog& dialog) {
    dialog.Show(SW_SHOW);
    UpdateWindow(dialog.hwnd());
    kit::Pump(100);
}

int ExpectedDpi() {
    const char* value = std::getenv("UI_DPI");
    return value ? std::atoi(value) : 96;
}

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
}

SIZE SizeOf(const RECT& r) { return SIZE{r.right - r.left, r.bottom - r.top}; }

class SkinnedDialog : public ::testing::Test {
protected:
    void SetUp() override { SetApplicationTitle(fw::LoadResString(IDS_PROBE_TITLE)); }
};

// The four corners and both sides of the middle show the quadrant they must.
void ExpectStretched(HWND window, const char* what) {
    RECT client = kit::ClientRectOf(window);
    int w = client.right;
    int h = client.bottom;
    struct Probe {
        int x, y;
        COLORREF colour;
    } probes[] = {
        {3, 3, kTopLeft},          {w - 4, 3, kTopRight},          {3, h - 4, kBottomLeft},
        {w - 4, h - 4, kBottomRight}, {w / 2 - 6, h / 2 - 6, kTopLeft}, {w / 2 + 6, h / 2 + 6, kBottomRight},
    };
    for (const Probe& p : probes) {
        EXPECT_EQ(kit::ClientPixel(window, p.x, p.y), p.colour) << what << " at " << p.x << "," << p.y;
    }
}

TEST_F(SkinnedDialog, StretchesTheBitmapOverTheClientArea) {
    struct Row {
        const char* what;
        int width, height;
    } rows[] = {
        {"tiny bitmap, enlarged", 2, 2},
        {"wide bitmap", 64, 8},
        {"large bitmap, shrunk", 1200, 900},
    };
    for (const Row& row : rows) {
        ProbeSk dialog;
        ASSERT_TRUE(dialog.Create());
        EXPECT_TRUE(dialog.SetBackgroundBitmap(QuadrantBitmap(row.width, row.height)));
        ShowAndPaint(dialog);
        ExpectStretched(dialog.hwnd(), row.what);
    }
}

TEST_F(SkinnedDialog, LoadsTheBackgroundFromAFile) {
    kit::TempFolder folder;
    kit::WriteBytes(folder / L"bkgnd.bmp", kit::BmpFile(40, 30, [](int x, int y) { return Quadrant(x, y, 40, 30); }));
    kit::WriteBytes(folder / L"palette.bmp", TopDownPaletteBmpFile(40, 30));
    kit::WriteBytes(folder / L"text.bmp", "not a bitmap at all");
    const std::string whole = kit::BmpFile(40, 30, [](int x, int y) { return Quadrant(x, y, 40, 30); });
    kit::WriteBytes(folder / L"cut.bmp", whole.substr(0, whole.size() - 1));
    struct Row {
        const char* what;
        std::wstring file;
        bool stretched;
    } rows[] = {
        {"a bitmap file", L"bkgnd.bmp", true},
        {"a bitmap of 8 bits with a colour table, stored from the top", L"palette.bmp", true},
        {"a missing file", L"missing.bmp", false},
        {"a file that is no bitmap", L"text.bmp", false},
        {"a bitmap cut short", L"cut.bmp", false},
    };
    for (const Row& row : rows) {
        ProbeSk dialog;
        ASSERT_TRUE(dialog.Create());
        // A bitmap first, so that the load must replace it.
        dialog.SetBackgroundBitmap(kit::MakeBitmap(4, 4, [](int, int) { return RGB(1, 2, 3); }));
        EXPECT_TRUE(dialog.LoadBackgroundBitmap(folder / row.file)) << row.what;
        ShowAndPaint(dialog);
        if (row.stretched) {
            ExpectStretched(dialog.hwnd(), row.what);
        } else {
            RECT client = kit::ClientRectOf(dialog.hwnd());
            EXPECT_EQ(kit::ClientPixel(dialog.hwnd(), client.right - 4, client.bottom - 4), DefaultBackground())
                << row.what;
        }
    }
}

TEST_F(SkinnedDialog, NullOrUnreadableBitmapLeavesTheDefaultBackground) {
    struct Row {
        const char* what;
        HBITMAP (*make)();
        BOOL result;
    } rows[] = {
        {"null handle", [] { return HBITMAP(nullptr); }, TRUE},
        {"deleted bitmap", [] {
             HBITMAP b = QuadrantBitmap(4, 4);
             DeleteObject(b);
             return b;
         }, FALSE},
        {"a font, not a bitmap", [] { return reinterpret_cast<HBITMAP>(CreateFontW(12, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, L"Arial")); }, FALSE},
    };
    for (const Row& row : rows) {
        ProbeSk dialog;
        ASSERT_TRUE(dialog.Create());
        HBITMAP first = QuadrantBitmap(2, 2);
        ASSERT_TRUE(dialog.SetBackgroundBitmap(first));
        ShowAndPaint(dialog);
        HBITMAP replacement = row.make();
        EXPECT_EQ(dialog.SetBackgroundBitmap(replacement), row.result) << row.what;
        EXPECT_EQ(GetObjectType(first), 0u) << row.what << ": the replaced bitmap is deleted";
        if (replacement) EXPECT_EQ(GetObjectType(replacement), 0u) << row.what << ": the refused handle is deleted";
        InvalidateRect(dialog.hwnd(), nullptr, TRUE);
        UpdateWindow(dialog.hwnd());
        RECT client = kit::ClientRectOf(dialog.hwnd());
        EXPECT_EQ(kit::ClientPixel(dialog.hwnd(), 3, 3), DefaultBackground()) << row.what;
        EXPECT_EQ(kit::ClientPixel(dialog.hwnd(), client.right - 4, client.bottom - 4), DefaultBackground())
            << row.what;
    }
}

TEST_F(SkinnedDialog, DestroyingTheDialogDeletesItsBitmap) {
    HBITMAP bitmap = QuadrantBitmap(8, 8);
    {
        ProbeSk dialog;
        ASSERT_TRUE(dialog.Create());
        dialog.SetBackgroundBitmap(bitmap);
        EXPECT_EQ(GetObjectType(bitmap), static_cast<DWORD>(OBJ_BITMAP));
    }
    EXPECT_EQ(GetObjectType(bitmap), 0u);
}

TEST_F(SkinnedDialog, FitWindowBeforeTheBitmapResizesNothing) {
    ProbeSk dialog;
    ASSERT_TRUE(dialog.Create());
    RECT before = kit::WindowRect(dialog.hwnd());
    dialog.SetBackgroundStyle(CDialogSK::BackgroundFitWindow);
    RECT afterStyle = kit::WindowRect(dialog.hwnd());
    EXPECT_EQ(SizeOf(afterStyle).cx, SizeOf(before).cx);
    EXPECT_EQ(SizeOf(afterStyle).cy, SizeOf(before).cy);
    ASSERT_TRUE(dialog.SetBackgroundBitmap(QuadrantBitmap(400, 300)));
    ShowAndPaint(dialog);
    RECT afterBitmap = kit::WindowRect(dialog.hwnd());
    EXPECT_EQ(SizeOf(afterBitmap).cx, SizeOf(before).cx);
    EXPECT_EQ(SizeOf(afterBitmap).cy, SizeOf(before).cy);
    ASSERT_NE(SizeOf(before).cx, 400) << "the template must differ from the bitmap for this test";
    ExpectStretched(dialog.hwnd(), "template size");
}

TEST_F(SkinnedDialog, FitWindowAfterTheBitmapTakesItsScaledSize) {
    ASSERT_EQ(ScreenDpi(), ExpectedDpi()) << "the prefix's display resolution";
    struct Row {
        int dpi;
        SIZE size;
    } rows[] = {{96, {400, 300}}, {120, {500, 375}}};
    for (const Row& row : rows) {
        if (row.dpi != ExpectedDpi()) continue;
        ProbeSk other;
        ProbeSk dialog;
        ASSERT_TRUE(dialog.Create());
        ASSERT_TRUE(other.Create());
        SetWindowPos(dialog.hwnd(), nullptr, 37, 41, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        ShowAndPaint(dialog);
        ShowAndPaint(other);  // now above the dialog
        ASSERT_TRUE(dialog.SetBackgroundBitmap(QuadrantBitmap(400, 300)));
        dialog.SetBackgroundStyle(CDialogSK::BackgroundFitWindow);
        kit::Pump(100);
        RECT r = kit::WindowRect(dialog.hwnd());
        EXPECT_EQ(SizeOf(r).cx, row.size.cx) << row.dpi << " dpi";
        EXPECT_EQ(SizeOf(r).cy, row.size.cy) << row.dpi << " dpi";
        EXPECT_EQ(r.left, 37);
        EXPECT_EQ(r.top, 41);
        // Raised: the other window now comes after it in the Z order.
        bool dialogFirst = false;
        for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
            if (w == dialog.hwnd()) {
                dialogFirst = true;
                break;
            }
            if (w == other.hwnd()) break;
        }
        EXPECT_TRUE(dialogFirst) << "the resized dialog is on top";
        ExpectStretched(dialog.hwnd(), "fitted window");
    }
}

TEST_F(SkinnedDialog, ResizingRepaintsTheWholeStretchedBackground) {
    ProbeSk dialog;
    ASSERT_TRUE(dialog.Create());
    dialog.SetBackgroundBitmap(QuadrantBitmap(2, 2));
    ShowAndPaint(dialog);
    ExpectStretched(dialog.hwnd(), "before");
    struct Row {
        const char* what;
        int width, height;
    } rows[] = {{"narrower", 260, 200}, {"wider", 640, 260}, {"smaller still", 120, 90}};
    for (const Row& row : rows) {
        // Shrinking exposes nothing new: only the dialog's own repaint can move the quadrants.
        SetWindowPos(dialog.hwnd(), nullptr, 0, 0, row.width, row.height, SWP_NOMOVE | SWP_NOZORDER);
        UpdateWindow(dialog.hwnd());
        kit::Pump(100);
        ExpectStretched(dialog.hwnd(), row.what);
    }
}

struct DragScript {
    POINT start;
    POINT end;
};

DWORD WINAPI RunDrag(void* context) {
    auto* script = static_cast<DragScript*>(context);
    kit::MouseMoveTo(script->start);
    Sleep(150);
    kit::MouseButton(true);
    Sleep(200);
    for (int step = 1; step <= 5; ++step) {
        POINT p{script->start.x + (script->end.x - script->start.x) * step / 5,
                script->start.y + (script->end.y - script->start.y) * step / 5};
        kit::MouseMoveTo(p);
        Sleep(80);
    }
    kit::MouseButton(false);
    Sleep(200);
    return 0;
}

TEST_F(SkinnedDialog, DragMovesTheWindowOnlyWhenEnabled) {
    struct Row {
        BOOL drag;
        bool moves;
    } rows[] = {{TRUE, true}, {FALSE, false}};
    for (const Row& row : rows) {
        ProbeSk dialog;
        ASSERT_TRUE(dialog.Create());
        dialog.SetBackgroundBitmap(QuadrantBitmap(2, 2));
        SetWindowPos(dialog.hwnd(), nullptr, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        dialog.EnableDragMove(row.drag);
        ShowAndPaint(dialog);
        kit::Activate(dialog.hwnd());
        RECT before = kit::WindowRect(dialog.hwnd());
        // A point of the background away from every control.
        DragScript script{kit::ClientToScreenPoint(dialog.hwnd(), POINT{20, 60}), {}};
        script.end = POINT{script.start.x + 60, script.start.y + 40};
        HANDLE thread = CreateThread(nullptr, 0, RunDrag, &script, 0, nullptr);
        kit::PumpUntil([&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }, 10000);
        kit::Pump(200);
        CloseHandle(thread);
        RECT after = kit::WindowRect(dialog.hwnd());
        if (row.moves) {
            EXPECT_EQ(after.left - before.left, 60) << "drag enabled";
            EXPECT_EQ(after.top - before.top, 40) << "drag enabled";
        } else {
            EXPECT_EQ(after.left, before.left) << "drag disabled";
            EXPECT_EQ(after.top, before.top) << "drag disabled";
        }
    }
}

enum class Input { Enter, Escape, Close };

// Gives the input to the dialog with the focus in its edit box and waits until OK or Cancel
// has been handled; gives whether the dialog is still visible afterwards.
template <typename Probe>
bool StaysVisibleAfter(Probe& dialog, Input input) {
    ShowAndPaint(dialog);
    kit::Activate(dialog.hwnd());
    SetFocus(GetDlgItem(dialog.hwnd(), IDC_PROBE_EDIT));
    kit::Pump(50);
    if (input == Input::Enter) kit::KeyPress(VK_RETURN);
    if (input == Input::Escape) kit::KeyPress(VK_ESCAPE);
    if (input == Input::Close) PostMessageW(dialog.hwnd(), WM_CLOSE, 0, 0);
    kit::PumpUntil([&] { return dialog.oks + dialog.cancels > 0; }, 3000);
    kit::Pump(100);
    return IsWindowVisible(dialog.hwnd()) != FALSE;
}

TEST_F(SkinnedDialog, EnterEscapeAndCloseLeaveAPageOpen) {
    struct Row {
        const char* what;
        Input input;
        int oks, cancels;
    } rows[] = {{"Enter", Input::Enter, 1, 0}, {"Escape", Input::Escape, 0, 1}, {"close request", Input::Close, 0, 1}};
    for (const Row& row : rows) {
        ProbePage page;
        ASSERT_TRUE(page.Create());
        EXPECT_TRUE(StaysVisibleAfter(page, row.input)) << row.what;
        EXPECT_EQ(page.oks, row.oks) << row.what;
        EXPECT_EQ(page.cancels, row.cancels) << row.what;
        EXPECT_TRUE(IsWindow(page.hwnd())) << row.what;
        page.Show(SW_HIDE);

        // The same input ends a dialog that is not a page.
        ProbeSk plain(IDD_PROBE_PAGE);
        ASSERT_TRUE(plain.Create());
        EXPECT_FALSE(StaysVisibleAfter(plain, row.input)) << row.what;
        EXPECT_EQ(plain.oks, row.oks) << row.what;
        EXPECT_EQ(plain.cancels, row.cancels) << row.what;
    }
}

TEST_F(SkinnedDialog, WindowTextIsTheApplicationTitle) {
    struct Row {
        const char* what;
        UINT templateId;
    } rows[] = {{"template without text", IDD_PROBE_PAGE}, {"template with its own text", IDD_PROBE_CAPTIONED}};
    for (const Row& row : rows) {
        ProbeSk dialog(row.templateId);
        ASSERT_TRUE(dialog.Create());
        EXPECT_EQ(kit::TextOf(dialog.hwnd()), L"Probe Installer Title") << row.what;
    }
}

}  // namespace

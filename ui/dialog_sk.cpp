#include "ui/dialog_sk.h"

#include <cstring>
#include <vector>

#include "framework/file.h"
#include "ui/app_title.h"
#include "ui/bitmap_file.h"
#include "ui/item_theme.h"
#include "ui/skin_rules.h"

namespace {

// The bitmap of a file on the medium, read into memory (LoadImage would read it through a
// mapped view, where a read error of the disc ends the process) and checked before GDI sees
// it; null when it cannot be read or is no bitmap this dialog can show.
HBITMAP BitmapFromFile(const std::wstring& path) {
    std::vector<uint8_t> bytes;
    uint64_t size = 0;
    if (fw::ReadFileHead(path, kMaxBitmapFileBytes, &bytes, &size) != ERROR_SUCCESS || size > bytes.size())
        return nullptr;
    BitmapFileLayout layout;
    if (!ReadBitmapFileLayout(bytes.data(), bytes.size(), &layout)) return nullptr;
    // The header and colour table, aligned as GDI expects them.
    std::vector<uint32_t> info((layout.infoSize + 3) / 4);
    std::memcpy(info.data(), bytes.data() + layout.info, layout.infoSize);
    const auto* header = reinterpret_cast<const BITMAPINFO*>(info.data());
    // Held in 32 bits, the screen's usual format, and converted once here: a device bitmap takes
    // twice as long to make, and a section in the file's format converts at every painting.
    BITMAPINFOHEADER format = header->bmiHeader;
    format.biSize = sizeof format;
    format.biBitCount = 32;
    format.biCompression = BI_RGB;
    format.biSizeImage = 0;
    format.biClrUsed = 0;
    void* pixels = nullptr;
    HBITMAP bitmap =
        CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&format), DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (!bitmap) return nullptr;
    const LONG rows = format.biHeight < 0 ? -format.biHeight : format.biHeight;
    HDC screen = GetDC(nullptr);
    const int copied = SetDIBits(screen, bitmap, 0, static_cast<UINT>(rows), bytes.data() + layout.bits, header,
                                 DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (copied == rows) return bitmap;
    DeleteObject(bitmap);
    return nullptr;
}

}  // namespace

CDialogSK::CDialogSK(UINT templateId, HWND parent) : fw::Dialog(templateId, parent) {}

CDialogSK::~CDialogSK() = default;

BOOL CDialogSK::SetBackgroundBitmap(HBITMAP bitmap) {
    background_.reset();
    if (bitmap) {
        background_.reset(bitmap);
        BITMAP header{};
        // The type check keeps a pen or font handle from being taken for a bitmap whose
        // header happens to be readable.
        if (GetObjectType(bitmap) != OBJ_BITMAP || GetObjectW(bitmap, sizeof header, &header) == 0) {
            background_.reset();
            return FALSE;
        }
        bitmapWidth_ = static_cast<UINT>(header.bmWidth);
        bitmapHeight_ = static_cast<UINT>(header.bmHeight);
        SIZE scaled = ScaledBitmapSize(bitmapWidth_, bitmapHeight_, SystemPixelsPerInch());
        scaledWidth_ = scaled.cx;
        scaledHeight_ = scaled.cy;
    }
    Invalidate(true);
    return TRUE;
}

BOOL CDialogSK::LoadBackgroundBitmap(const std::wstring& path) {
    return SetBackgroundBitmap(BitmapFromFile(path));
}

void CDialogSK::SetBackgroundStyle(BackgroundStyle style) {
    style_ = style;
    if (style == BackgroundFitWindow && background_ && hwnd())
        SetWindowPos(hwnd(), nullptr, 0, 0, scaledWidth_, scaledHeight_, SWP_NOMOVE | SWP_NOOWNERZORDER);
}

void CDialogSK::EnableDragMove(BOOL enable) { dragEnabled_ = enable; }

void CDialogSK::OnWindowCreated() {
    // A dialog's procedure never sees WM_CREATE; this is the first point where the window is
    // ours, still before the page's own initialisation.
    SetWindowTextW(hwnd(), ApplicationTitle().c_str());
}

void CDialogSK::DoDataExchange(fw::DataExchange& exchange) { fw::Dialog::DoDataExchange(exchange); }

BOOL CDialogSK::OnInitDialog() {
    fw::Dialog::OnInitDialog();
    return TRUE;
}

bool CDialogSK::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    switch (message) {
    case WM_ERASEBKGND:
        *result = OnEraseBackground(reinterpret_cast<HDC>(wParam));
        return true;
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
        // A theme change while the page is open (high contrast on or off, other colours):
        // the page and every item on it are drawn again in the new look.
        *result = Default(message, wParam, lParam);
        RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
        return true;
    case WM_SIZE:
        *result = Default(message, wParam, lParam);
        if (background_) Invalidate(true);
        return true;
    case WM_LBUTTONDOWN:
        if (dragEnabled_) {
            // The client point as received: the system only needs to know a caption was hit.
            PostMessageW(hwnd(), WM_NCLBUTTONDOWN, HTCAPTION,
                         DragPressLParam(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))));
        }
        *result = Default(message, wParam, lParam);
        return true;
    default:
        return fw::Dialog::OnMessage(message, wParam, lParam, result);
    }
}

LRESULT CDialogSK::OnEraseBackground(HDC dc) {
    if (HighContrastActive()) {
        // The theme's window colour instead of the bitmap, as the system's own windows do.
        RECT client{};
        GetClientRect(hwnd(), &client);
        FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
        return TRUE;
    }
    LRESULT erased = Default(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    if (!background_) return erased;
    RECT client{};
    GetClientRect(hwnd(), &client);
    fw::UniqueMemoryDc memory(CreateCompatibleDC(dc));
    if (!memory) return erased;
    HGDIOBJ previous = SelectObject(memory.get(), background_.get());
    StretchBlt(dc, 0, 0, client.right - client.left, client.bottom - client.top, memory.get(), 0, 0,
               static_cast<int>(bitmapWidth_), static_cast<int>(bitmapHeight_), SRCCOPY);
    SelectObject(memory.get(), previous);
    return erased;
}

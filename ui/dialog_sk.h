#pragma once
// A modeless dialog skinned by a background bitmap stretched over its client area. It owns
// the bitmap, can be dragged by pressing anywhere on it, and shows the application title as
// its window text.
#include <windows.h>

#include <string>

#include "framework/dialog.h"
#include "framework/handle.h"

class CDialogSK : public fw::Dialog {
public:
    enum BackgroundStyle { BackgroundDefault = 0, BackgroundFitWindow = 4 };

    explicit CDialogSK(UINT templateId, HWND parent = nullptr);
    ~CDialogSK() override;

    // Takes ownership of the bitmap (null: no background). FALSE when the handle is not a
    // bitmap that can be measured; it is deleted then.
    BOOL SetBackgroundBitmap(HBITMAP bitmap);
    // A missing or unreadable file leaves no background and still gives TRUE.
    BOOL LoadBackgroundBitmap(const std::wstring& path);
    // BackgroundFitWindow resizes the window to the bitmap's scaled size, only when a bitmap
    // is present now.
    void SetBackgroundStyle(BackgroundStyle style);
    void EnableDragMove(BOOL enable);

protected:
    void OnWindowCreated() override;
    void DoDataExchange(fw::DataExchange& exchange) override;
    BOOL OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    LRESULT OnEraseBackground(HDC dc);

    fw::UniqueGdiObject background_;
    UINT bitmapWidth_ = 0;
    UINT bitmapHeight_ = 0;
    int scaledWidth_ = 0;
    int scaledHeight_ = 0;
    BackgroundStyle style_ = BackgroundDefault;
    BOOL dragEnabled_ = TRUE;
};

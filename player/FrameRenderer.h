// Draws the video area where the video renderer does not: the idle picture while stopped, a
// notice while connecting, and the background behind the picture.
#pragma once

#include <windows.h>

#include <string>

#include "product/PlayerContract.h"

struct FrameContent {
    PlayState state;
    const std::wstring& address;
};

class CFrameRenderer {
public:
    CFrameRenderer() = default;
    ~CFrameRenderer();
    CFrameRenderer(const CFrameRenderer&) = delete;
    CFrameRenderer& operator=(const CFrameRenderer&) = delete;

    // False when the file is no readable bitmap: the stopped area then shows the background.
    bool SetIdlePicture(const std::wstring& path);
    void SetBackColor(COLORREF color) { m_backColor = color; }

    void Draw(HDC dc, const RECT& rect, const FrameContent& frame) const;
    // Draws through an off-screen bitmap so that a window never shows a half-drawn frame.
    void DrawBuffered(HDC dc, const RECT& rect, const FrameContent& frame) const;

private:
    void DrawStopped(HDC dc, const RECT& rect) const;
    void DrawConnecting(HDC dc, const RECT& rect, const FrameContent& frame) const;

    HBITMAP m_idlePicture = nullptr;
    SIZE m_pictureSize = {};
    COLORREF m_backColor = RGB(0, 0, 0);
};

// Draws the video area: the idle picture while stopped, a notice while connecting and the test
// card while playing or paused.
#pragma once

#include <windows.h>

#include <string>

#include "PlayerIds.h"

struct FrameContent {
    PlayState state;
    const std::wstring& address;
    LONG volume;
    const SYSTEMTIME& time;
    unsigned frameNumber;
};

class CFrameRenderer {
public:
    // Frames the moving bar takes to cross the card.
    static constexpr unsigned kSweepFrames = 40;

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
    void DrawTestCard(HDC dc, const RECT& rect, const FrameContent& frame) const;
    static void DrawPauseMark(HDC dc, const RECT& rect);

    HBITMAP m_idlePicture = nullptr;
    SIZE m_pictureSize = {};
    COLORREF m_backColor = RGB(0, 0, 0);
};

#include "FrameRenderer.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Behind the video renderer's window, seen only where the picture leaves room.
const COLORREF kPictureBackground = RGB(0, 0, 0);

void FillSolid(HDC dc, const RECT& rect, COLORREF color)
{
    COLORREF old = SetBkColor(dc, color);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    SetBkColor(dc, old);
}

// Text that reads on the given background.
COLORREF ContrastingText(COLORREF back)
{
    int luma = GetRValue(back) * 299 + GetGValue(back) * 587 + GetBValue(back) * 114;
    return luma > 128 * 1000 ? RGB(0, 0, 0) : RGB(255, 255, 255);
}

class CScopedFont {
public:
    CScopedFont(HDC dc, int height, int weight) : m_dc(dc)
    {
        m_font = CreateFontA(-std::max(height, 8), 0, 0, 0, weight, FALSE, FALSE, FALSE, GB2312_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_SWISS, "宋体");
        m_old = SelectObject(dc, m_font);
    }
    ~CScopedFont()
    {
        SelectObject(m_dc, m_old);
        DeleteObject(m_font);
    }
    CScopedFont(const CScopedFont&) = delete;
    CScopedFont& operator=(const CScopedFont&) = delete;

private:
    HDC m_dc;
    HFONT m_font;
    HGDIOBJ m_old;
};

void DrawLine(HDC dc, const RECT& rect, const std::wstring& text, UINT format)
{
    RECT r = rect;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
              format | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

int Height(const RECT& r) { return r.bottom - r.top; }
int Width(const RECT& r) { return r.right - r.left; }

}  // namespace

CFrameRenderer::~CFrameRenderer()
{
    if (m_idlePicture)
        DeleteObject(m_idlePicture);
}

bool CFrameRenderer::SetIdlePicture(const std::wstring& path)
{
    if (m_idlePicture) {
        DeleteObject(m_idlePicture);
        m_idlePicture = nullptr;
    }
    if (path.empty())
        return false;
    m_idlePicture = static_cast<HBITMAP>(
        LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    BITMAP info;
    if (!m_idlePicture || !GetObjectA(m_idlePicture, sizeof(info), &info)) {
        if (m_idlePicture)
            DeleteObject(m_idlePicture);
        m_idlePicture = nullptr;
        return false;
    }
    m_pictureSize = {info.bmWidth, std::abs(info.bmHeight)};
    return true;
}

void CFrameRenderer::DrawBuffered(HDC dc, const RECT& rect, const FrameContent& frame) const
{
    const int width = Width(rect);
    const int height = Height(rect);
    if (width <= 0 || height <= 0)
        return;
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
    if (!memory || !bitmap) {
        // Out of GDI resources: drawing directly beats showing nothing.
        if (bitmap)
            DeleteObject(bitmap);
        if (memory)
            DeleteDC(memory);
        Draw(dc, rect, frame);
        return;
    }
    HGDIOBJ old = SelectObject(memory, bitmap);
    Draw(memory, RECT{0, 0, width, height}, frame);
    BitBlt(dc, rect.left, rect.top, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
}

void CFrameRenderer::Draw(HDC dc, const RECT& rect, const FrameContent& frame) const
{
    switch (frame.state) {
    case PLAYSTATE_STOPPED:
        DrawStopped(dc, rect);
        break;
    case PLAYSTATE_CONNECTING:
        DrawConnecting(dc, rect, frame);
        break;
    case PLAYSTATE_PLAYING:
    case PLAYSTATE_PAUSED:
        FillSolid(dc, rect, kPictureBackground);
        break;
    }
}

void CFrameRenderer::DrawStopped(HDC dc, const RECT& rect) const
{
    if (!m_idlePicture) {
        FillSolid(dc, rect, m_backColor);
        return;
    }
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, m_idlePicture);
    int oldMode = SetStretchBltMode(dc, HALFTONE);
    POINT oldOrigin;
    SetBrushOrgEx(dc, 0, 0, &oldOrigin);
    StretchBlt(dc, rect.left, rect.top, Width(rect), Height(rect), source, 0, 0, m_pictureSize.cx,
               m_pictureSize.cy, SRCCOPY);
    SetBrushOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
    SetStretchBltMode(dc, oldMode);
    SelectObject(source, old);
    DeleteDC(source);
}

void CFrameRenderer::DrawConnecting(HDC dc, const RECT& rect, const FrameContent& frame) const
{
    FillSolid(dc, rect, m_backColor);
    const int lineHeight = std::max(Height(rect) / 10, 14);
    const int middle = (rect.top + rect.bottom) / 2;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ContrastingText(m_backColor));
    CScopedFont font(dc, lineHeight * 2 / 3, FW_BOLD);
    DrawLine(dc, RECT{rect.left + 8, middle - lineHeight, rect.right - 8, middle}, L"正在连接…",
             DT_CENTER);
    DrawLine(dc, RECT{rect.left + 8, middle, rect.right - 8, middle + lineHeight}, frame.address,
             DT_CENTER);
}

// Points and rectangles over the platform's POINT and RECT.
#pragma once

#include <windows.h>

class CPoint : public POINT {
public:
    CPoint(int initX, int initY) { x = initX; y = initY; }
};

class CRect : public RECT {
public:
    CRect() { left = top = right = bottom = 0; }
    CRect(const RECT& rc) { ::CopyRect(this, &rc); }

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    void InflateRect(int dx, int dy) { ::InflateRect(this, dx, dy); }

    bool operator==(const RECT& other) const { return ::EqualRect(this, &other) != FALSE; }
};

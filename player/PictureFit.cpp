#include "PictureFit.h"

RECT FitPicture(const RECT& area, LONG aspectX, LONG aspectY)
{
    const LONGLONG width = area.right - area.left, height = area.bottom - area.top;
    if (aspectX <= 0 || aspectY <= 0 || width <= 0 || height <= 0)
        return area;
    // Rounded to the nearest pixel, in 64 bits: a monitor's size times an aspect's part overflows none.
    LONGLONG fitWidth = width, fitHeight = (width * aspectY * 2 + aspectX) / (aspectX * 2);
    if (fitHeight > height) {
        fitHeight = height;
        fitWidth = (height * aspectX * 2 + aspectY) / (aspectY * 2);
    }
    RECT fitted;
    fitted.left = area.left + static_cast<LONG>((width - fitWidth) / 2);
    fitted.top = area.top + static_cast<LONG>((height - fitHeight) / 2);
    fitted.right = fitted.left + static_cast<LONG>(fitWidth);
    fitted.bottom = fitted.top + static_cast<LONG>(fitHeight);
    return fitted;
}

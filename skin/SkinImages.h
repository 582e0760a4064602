// The skin bitmaps the window's image statics show.
#pragma once

#include <windows.h>

#include "AfxWnd.h"
#include "skin/BitmapCache.h"

class CSkinImages {
public:
    // The images go to the statics of this window.
    void Attach(CWnd* pWnd) { m_pWnd = pWnd; }

    // Gives every image static the bitmap style, and click notifications where it takes clicks.
    void PrepareStatics();
    void ShowStartImages();
    void Show(UINT nCtrlId, UINT nBitmapId);
    // Every channel button in its normal look but the current channel's; the featured channel has no button.
    void ShowCurrentChannel(int nChannel);

    // Every skin bitmap, loaded once per resource id.
    CBitmapCache m_bitmaps;

private:
    CWnd* m_pWnd = nullptr;
};

#include "skin/SkinImages.h"

#include "skin/SkinCatalogue.h"

void CSkinImages::PrepareStatics()
{
    for (const ImageStatic& image : kImageStatics) {
        const DWORD dwClicks = image.bTakesClicks ? SS_NOTIFY : 0;
        m_pWnd->GetDlgItem(static_cast<int>(image.nCtrlId))->ModifyStyle(0, SS_BITMAP | dwClicks, 0);
    }
}

void CSkinImages::ShowStartImages()
{
    for (const ImageStatic& image : kImageStatics)
        Show(image.nCtrlId, image.nStartBitmap);
}

void CSkinImages::Show(UINT nCtrlId, UINT nBitmapId)
{
    m_pWnd->GetDlgItem(static_cast<int>(nCtrlId))
        ->SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_bitmaps.Get(nBitmapId)));
}

void CSkinImages::ShowCurrentChannel(int nChannel)
{
    for (const ChannelButton& button : kChannelButtons)
        Show(button.nCtrlId, StartBitmapOf(button.nCtrlId));
    if (nChannel < kChannelButtonCount)
        Show(kChannelButtons[nChannel].nCtrlId, kChannelButtons[nChannel].nSelectedBitmap);
}

#include "mainwnd/TvClientDlg.h"

namespace {

// The channel index of a channel button, or -1 for any other control.
int ChannelIndexOf(UINT nCtrlId)
{
    for (int i = 0; i < kChannelButtonCount; ++i) {
        if (kChannelButtonIds[i] == nCtrlId)
            return i;
    }
    return -1;
}

constexpr int kFeaturedChannel = 14;

}  // namespace

// A single click shows the channel's programme list; the channel playing stays as it is.
void CTvClientDlg::OnChannelClicked(UINT nID)
{
    int nChannel = ChannelIndexOf(nID);
    if (nChannel < 0)
        return;
    m_webList.Navigate(MakeListUrl(m_arrChannelNum.GetAt(nChannel)));
}

void CTvClientDlg::OnChannelDblClk(UINT nID)
{
    int nChannel = ChannelIndexOf(nID);
    if (nChannel < 0 || nChannel == m_nCurChannel)
        return;
    m_nCurChannel = nChannel;
    ResetChannelButtons();
    ShowBitmap(kChannelButtonIds[nChannel], kChannelSelectedBitmaps[nChannel]);
    RestartChannel();
}

// The featured channel has no button to select: every button shows its normal look.
void CTvClientDlg::OnTickerClicked()
{
    if (m_nCurChannel == kFeaturedChannel)
        return;
    m_nCurChannel = kFeaturedChannel;
    ResetChannelButtons();
    RestartChannel();
}

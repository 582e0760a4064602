// The channel buttons' tooltips, which tell how many viewers watch each channel.
#pragma once

#include "Afx.h"
#include "channels/OnlineCounts.h"
#include "skin/SkinCatalogue.h"

class CChannelTips {
public:
    // One red tooltip per channel button; the featured link has none.
    void Create(CStatic (&channelButtons)[kChannelButtonCount]);
    // The tooltips do not subclass their buttons: this is how they see the mouse.
    void RelayEvent(MSG* pMsg);
    // Rebuilds every tip's text from the counts.
    void ShowCounts(const COnlineCounts& counts);

    CWnd* m_pChannelButton[kChannelButtonCount] = {};
    CToolTipCtrl m_tipChannel[kChannelButtonCount];
};

// The channel buttons' tooltips, which tell how many viewers watch each channel.
#pragma once

#include "AfxControls.h"
#include "channels/OnlineCounts.h"
#include "skin/SkinCatalogue.h"

// Tooltips show at most 80 characters; a count longer than fits is cut at a character's end.
constexpr int kMaxCountBytes = 40;

// The tip of a channel with this count.
CString MakeCountTip(LPCSTR lpszCount);

class CChannelTips {
public:
    // One red tooltip per channel button; the featured link has none.
    void Create(CStatic (&channelButtons)[kChannelButtonCount]);
    // The tooltips do not subclass their buttons: this is how they see the mouse.
    void RelayEvent(MSG* pMsg);
    // Rebuilds every tip's text from the counts.
    void ShowCounts(const COnlineCounts& counts);
    const CToolTipCtrl& Tip(int nButton) const { return m_tipChannel[nButton]; }

private:
    CWnd* m_pChannelButton[kChannelButtonCount] = {};
    CToolTipCtrl m_tipChannel[kChannelButtonCount];
};

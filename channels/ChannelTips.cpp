#include "channels/ChannelTips.h"

namespace {

const char kOnlineTipPrefix[] = "当前在线人数：";
const char kOnlineTipSuffix[] = ".双击收看";
constexpr COLORREF kTipTextColor = RGB(255, 0, 0);
constexpr int kTipDelayMs = 150;

}  // namespace

void CChannelTips::Create(CStatic (&channelButtons)[kChannelButtonCount])
{
    for (int i = 0; i < kChannelButtonCount; ++i)
        m_pChannelButton[i] = &channelButtons[i];
    for (int i = 0; i < kChannelButtonCount; ++i) {
        m_tipChannel[i].Create(m_pChannelButton[i], TTS_ALWAYSTIP);
        m_tipChannel[i].AddTool(m_pChannelButton[i], LPSTR_TEXTCALLBACKA);
        m_tipChannel[i].SetTipTextColor(kTipTextColor);
        m_tipChannel[i].SetDelayTime(TTDT_AUTOMATIC, kTipDelayMs);
    }
}

void CChannelTips::RelayEvent(MSG* pMsg)
{
    for (CToolTipCtrl& tip : m_tipChannel) {
        if (tip.m_hWnd != nullptr)
            tip.RelayEvent(pMsg);
    }
}

CString MakeCountTip(LPCSTR lpszCount)
{
    const CString count(lpszCount);
    int nEnd = 0;
    while (nEnd < count.GetLength() && nEnd + AfxCharSize(count, nEnd) <= kMaxCountBytes)
        nEnd += AfxCharSize(count, nEnd);
    return CString(kOnlineTipPrefix) + count.Left(nEnd) + kOnlineTipSuffix;
}

void CChannelTips::ShowCounts(const COnlineCounts& counts)
{
    for (int i = 0; i < kChannelButtonCount; ++i)
        m_tipChannel[i].UpdateTipText(MakeCountTip(counts.CountOf(i)), m_pChannelButton[i]);
}

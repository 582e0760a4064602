#include "mainwnd/TvClientDlg.h"

CString CTvClientDlg::MakeListUrl(LPCSTR lpszChannelNum) const
{
    return CString(m_szListUrl) + lpszChannelNum;
}

void CTvClientDlg::InitWebPanes()
{
    m_bListHidden = 0;
    config::ReadString(config::kListUrl, m_strIniFile, m_szListUrl);
    config::ReadString(config::kAppUrl, m_strIniFile, m_szAppUrl);
    config::ReadString(config::kMiddleUrl, m_strIniFile, m_szMiddleUrl);
    config::ReadString(config::kRightUrl, m_strIniFile, m_szRightUrl);
    config::ReadString(config::kHelpUrl, m_strIniFile, m_szHelpUrl);
    // Without channel numbers there is no first list page: the pane stays blank and the rest
    // of the start goes on.
    if (!m_arrChannelNum.IsEmpty())
        m_webList.Navigate(MakeListUrl(m_arrChannelNum.GetAt(0)));
    m_webRight.Navigate(m_szRightUrl);
    m_webMiddle.Navigate(m_szMiddleUrl);
    InitSkinImages();
}

#include "mainwnd/TvClientDlg.h"

#include "channels/ChannelTable.h"
#include "config/Configuration.h"

namespace {
const char kChannelListError[] = "频道列表配置错误！";
constexpr UINT kChannelListErrorHelpId = 1;
}  // namespace

void CTvClientDlg::LoadChannelList()
{
    try {
        channels::ReadPlayUrls(config::kChannelFile, m_arrPlayUrl);
    } catch (...) {
        // Unreadable, or more than memory holds: the client cannot run without its channels,
        // whatever the answer.
        AfxMessageBox(kChannelListError, MB_OKCANCEL, kChannelListErrorHelpId);
        ::ExitProcess(1);
    }
    channels::ReadChannelNumbers(m_strIniFile, m_arrChannelNum);
}

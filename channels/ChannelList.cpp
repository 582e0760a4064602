#include "mainwnd/TvClientDlg.h"

#include <new>

#include "channels/ChannelTable.h"
#include "config/Configuration.h"

namespace {
const char kChannelListError[] = "频道列表配置错误！";
constexpr UINT kChannelListErrorHelpId = 1;
}  // namespace

void CTvClientDlg::LoadChannelList()
{
    bool bLoaded = false;
    try {
        channels::ReadPlayUrls(config::kChannelFile, m_arrPlayUrl);
        bLoaded = true;
    } catch (const CException&) {
    } catch (const std::bad_alloc&) {
    }
    if (!bLoaded) {
        AfxMessageBox(kChannelListError, MB_OKCANCEL, kChannelListErrorHelpId);
        ::ExitProcess(1);  // the client cannot run without its channels, whatever the answer
    }
    channels::ReadChannelNumbers(m_strIniFile, m_arrChannelNum);
}

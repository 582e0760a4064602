// Static controls and tooltips.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "AfxWnd.h"

class CStatic : public CWnd {};

// A tooltip whose tools are whole windows.
class CToolTipCtrl : public CWnd {
public:
    BOOL Create(CWnd* pParentWnd, DWORD dwStyle);

    BOOL AddTool(CWnd* pWnd, LPCSTR lpszText);
    void UpdateTipText(LPCSTR lpszText, CWnd* pWnd);

    void SetTipTextColor(COLORREF clr);
    void SetDelayTime(DWORD dwDuration, int iTime);
    void RelayEvent(LPMSG lpMsg);

private:
    static TOOLINFOA MakeToolInfo(CWnd* pWnd, LPCSTR lpszText);
};

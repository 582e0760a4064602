// Static controls and tooltips.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "AfxWnd.h"

class CStatic : public CWnd {
public:
    // Returns the image the control showed before.
    HBITMAP SetBitmap(HBITMAP hBitmap);
    HBITMAP GetBitmap() const;
};

class CToolTipCtrl : public CWnd {
public:
    BOOL Create(CWnd* pParentWnd, DWORD dwStyle = 0);

    // A tool without a rectangle and id 0 is the whole window pWnd.
    BOOL AddTool(CWnd* pWnd, LPCSTR lpszText = LPSTR_TEXTCALLBACKA, LPCRECT lpRectTool = nullptr,
                 UINT_PTR nIDTool = 0);
    void UpdateTipText(LPCSTR lpszText, CWnd* pWnd, UINT_PTR nIDTool = 0);
    void GetText(CString& rString, CWnd* pWnd, UINT_PTR nIDTool = 0) const;
    int GetToolCount() const;

    void SetTipTextColor(COLORREF clr);
    COLORREF GetTipTextColor() const;
    void SetDelayTime(DWORD dwDuration, int iTime);
    int GetDelayTime(DWORD dwDuration) const;
    void RelayEvent(LPMSG lpMsg);

private:
    static TOOLINFOA MakeToolInfo(CWnd* pWnd, UINT_PTR nIDTool);
};

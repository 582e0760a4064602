// CExplorerWebpage: the wrapper of a hosted WebBrowser control.
#pragma once

#include <windows.h>

#include "AfxWnd.h"

class CExplorerWebpage : public CWnd {
public:
    enum Dispid : DISPID { dispidNavigate = 104 };

    // Opens the address in the pane itself. The optional arguments that are null are not passed.
    void Navigate(LPCSTR lpszUrl, VARIANT* pvarFlags = nullptr, VARIANT* pvarTargetFrameName = nullptr,
                  VARIANT* pvarPostData = nullptr, VARIANT* pvarHeaders = nullptr);
};

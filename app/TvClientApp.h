// CTvClientApp: the process's application object.
#pragma once

#include "AfxApp.h"

class CTvClientApp : public CWinApp {
public:
    CTvClientApp();

    BOOL InitInstance() override;
    int ExitInstance() override;

private:
    HANDLE m_hMutex;
};

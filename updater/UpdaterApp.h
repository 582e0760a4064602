// CUpdaterApp: the updater's application object.
#pragma once

#include "AfxApp.h"

class CUpdaterApp : public CWinApp {
public:
    BOOL InitInstance() override;
    // 0 once the new version is in place, else 1.
    int ExitInstance() override;

private:
    int m_nExitCode = 1;
};

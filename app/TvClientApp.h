// CTvClientApp: the process's application object.
#pragma once

#include "Afx.h"

class CTvClientApp : public CWinApp {
public:
    CTvClientApp();

    // Held for as long as the client runs: a second copy refuses to start, the updater waits for it to go.
    static constexpr char kSingleInstanceMutex[] = "VORENP2P";

    BOOL InitInstance() override;
    int ExitInstance() override;

private:
    HANDLE m_hMutex;
};

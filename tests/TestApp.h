// The tests' application object: answers message boxes from a script and records them.
#pragma once

#include <deque>
#include <vector>

#include "AfxApp.h"
#include "AfxString.h"

struct RecordedMessageBox {
    CString text;
    CString caption;
    UINT type;
    HWND owner;
    DWORD helpId;
};

class CTestApp : public CWinApp {
public:
    int ShowMessageBox(HWND hWndOwner, LPCSTR lpszText, LPCSTR lpszCaption, UINT nType,
                       DWORD dwContextHelpId) override;

    // Answers for the next message boxes, in order; IDOK once they run out.
    std::deque<int> m_answers;
    std::vector<RecordedMessageBox> m_messages;
};

CTestApp& TestApp();

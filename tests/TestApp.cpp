#include "TestApp.h"

namespace {
CTestApp theTestApp;
}

CTestApp& TestApp() { return theTestApp; }

int CTestApp::ShowMessageBox(HWND hWndOwner, LPCSTR lpszText, LPCSTR lpszCaption, UINT nType, DWORD dwContextHelpId)
{
    m_messages.push_back({CString(lpszText), CString(lpszCaption), nType, hWndOwner, dwContextHelpId});
    if (m_answers.empty())
        return IDOK;
    int answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

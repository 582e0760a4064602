#include "ProgressDlg.h"

#include <commctrl.h>

#include <string>

#include "UpdaterResource.h"

namespace {

constexpr UINT WM_UPDATE_STEP = WM_APP + 1;
constexpr UINT WM_UPDATE_BYTES = WM_APP + 2;
constexpr UINT WM_UPDATE_FINISHED = WM_APP + 3;

constexpr int kBarRange = 1000;

struct CBytes {
    ULONGLONG nDone;
    ULONGLONG nTotal;
};

}  // namespace

BEGIN_MESSAGE_MAP(CProgressDlg, CDialog)
    ON_MESSAGE(WM_UPDATE_STEP, OnStep)
    ON_MESSAGE(WM_UPDATE_BYTES, OnBytes)
    ON_MESSAGE(WM_UPDATE_FINISHED, OnFinished)
END_MESSAGE_MAP()

CProgressDlg::CProgressDlg() : CDialog(IDD_UPDATE), m_failure{0, CString()} {}

// Only when the window went before the update ended; every wait of the update is bounded.
CProgressDlg::~CProgressDlg()
{
    if (m_update.joinable())
        m_update.join();
}

BOOL CProgressDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    GetDlgItem(IDC_UPDATE_BAR)->SendMessage(PBM_SETRANGE32, 0, kBarRange);
    m_update = std::thread([this] {
        WPARAM nResult = IDOK;
        try {
            RunUpdate(*this);
        } catch (const CUpdateFailure& failure) {
            m_failure = failure;
            nResult = IDABORT;
        }
        ::PostMessageA(m_hWnd, WM_UPDATE_FINISHED, nResult, 0);
    });
    return TRUE;
}

void CProgressDlg::ShowStep(UINT nIDStep, LPCSTR lpszDetail)
{
    ::SendMessageA(m_hWnd, WM_UPDATE_STEP, nIDStep, reinterpret_cast<LPARAM>(lpszDetail));
}

void CProgressDlg::ShowBytes(ULONGLONG nDone, ULONGLONG nTotal)
{
    CBytes bytes{nDone, nTotal};
    ::SendMessageA(m_hWnd, WM_UPDATE_BYTES, 0, reinterpret_cast<LPARAM>(&bytes));
}

LRESULT CProgressDlg::OnStep(WPARAM wParam, LPARAM lParam)
{
    GetDlgItem(IDC_UPDATE_STEP)->SetWindowText(LoadText(static_cast<UINT>(wParam), {reinterpret_cast<LPCSTR>(lParam)}));
    return 0;
}

LRESULT CProgressDlg::OnBytes(WPARAM, LPARAM lParam)
{
    const CBytes& bytes = *reinterpret_cast<const CBytes*>(lParam);
    const ULONGLONG nPos = bytes.nTotal == 0 ? kBarRange : bytes.nDone * kBarRange / bytes.nTotal;
    GetDlgItem(IDC_UPDATE_BAR)->SendMessage(PBM_SETPOS, static_cast<WPARAM>(nPos));
    GetDlgItem(IDC_UPDATE_BYTES)->SetWindowText(
        LoadText(IDS_BYTES, {std::to_string(bytes.nDone).c_str(), std::to_string(bytes.nTotal).c_str()}));
    return 0;
}

LRESULT CProgressDlg::OnFinished(WPARAM wParam, LPARAM)
{
    m_update.join();
    EndDialog(static_cast<int>(wParam));
    return 0;
}

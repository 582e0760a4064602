#include "ProgressDlg.h"

#include <commctrl.h>

#include <cstdlib>
#include <string>

#include "UpdaterResource.h"

namespace {

constexpr UINT WM_UPDATE_STEP = WM_APP + 1;
constexpr UINT WM_UPDATE_BYTES = WM_APP + 2;
constexpr UINT WM_UPDATE_DURABLE_STEP = WM_APP + 3;
constexpr UINT WM_UPDATE_FINISHED = WM_APP + 4;

constexpr int kBarRange = 1000;

struct CAmount {
    ULONGLONG nDone;
    ULONGLONG nTotal;
};

#ifdef UPDATER_CUT_OFF_VARIABLE
// Only in the tests' build of the updater: the process ends as a kill would, without a word or any
// clean-up, once it has made as many durable steps as the variable says, or at the first downloaded
// piece when it says 0.
void CutOffAfter(size_t nStep)
{
    char szStep[16] = "";
    if (::GetEnvironmentVariableA(UPDATER_CUT_OFF_VARIABLE, szStep, sizeof(szStep)) > 0 &&
        std::strtoul(szStep, nullptr, 10) == nStep)
        ::TerminateProcess(::GetCurrentProcess(), UPDATER_CUT_OFF_EXIT_CODE);
}
#endif

}  // namespace

BEGIN_MESSAGE_MAP(CProgressDlg, CDialog)
    ON_MESSAGE(WM_UPDATE_STEP, OnStep)
    ON_MESSAGE(WM_UPDATE_BYTES, OnBytes)
    ON_MESSAGE(WM_UPDATE_DURABLE_STEP, OnDurableStep)
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
            RunUpdate(*this, m_stop);
        } catch (const CUpdateFailure& failure) {
            m_failure = failure;
            nResult = IDABORT;
        } catch (const CUpdateCancelled&) {
            nResult = IDCANCEL;
        }
        ::PostMessageA(m_hWnd, WM_UPDATE_FINISHED, nResult, 0);
    });
    return TRUE;
}

void CProgressDlg::OnCancel()
{
    m_stop.Cancel();
    ::EnableWindow(GetDlgItem(IDCANCEL)->GetSafeHwnd(), FALSE);
}

void CProgressDlg::ShowStep(UINT nIDStep, LPCSTR lpszDetail)
{
    ::SendMessageA(m_hWnd, WM_UPDATE_STEP, nIDStep, reinterpret_cast<LPARAM>(lpszDetail));
}

void CProgressDlg::ShowBytes(ULONGLONG nDone, ULONGLONG nTotal)
{
#ifdef UPDATER_CUT_OFF_VARIABLE
    CutOffAfter(0);
#endif
    CAmount bytes{nDone, nTotal};
    ::SendMessageA(m_hWnd, WM_UPDATE_BYTES, 0, reinterpret_cast<LPARAM>(&bytes));
}

void CProgressDlg::ShowDurableStep(size_t nDone, size_t nSteps)
{
#ifdef UPDATER_CUT_OFF_VARIABLE
    static size_t nMade = 0;
    CutOffAfter(++nMade);
#endif
    CAmount steps{nDone, nSteps};
    ::SendMessageA(m_hWnd, WM_UPDATE_DURABLE_STEP, 0, reinterpret_cast<LPARAM>(&steps));
}

LRESULT CProgressDlg::OnStep(WPARAM wParam, LPARAM lParam)
{
    GetDlgItem(IDC_UPDATE_STEP)->SetWindowText(LoadText(static_cast<UINT>(wParam), {reinterpret_cast<LPCSTR>(lParam)}));
    return 0;
}

LRESULT CProgressDlg::OnBytes(WPARAM, LPARAM lParam)
{
    const CAmount& bytes = *reinterpret_cast<const CAmount*>(lParam);
    ShowBar(bytes.nDone, bytes.nTotal);
    GetDlgItem(IDC_UPDATE_BYTES)->SetWindowText(
        LoadText(IDS_BYTES, {std::to_string(bytes.nDone).c_str(), std::to_string(bytes.nTotal).c_str()}));
    return 0;
}

LRESULT CProgressDlg::OnDurableStep(WPARAM, LPARAM lParam)
{
    const CAmount& steps = *reinterpret_cast<const CAmount*>(lParam);
    ShowBar(steps.nDone, steps.nTotal);
    return 0;
}

void CProgressDlg::ShowBar(ULONGLONG nDone, ULONGLONG nTotal)
{
    const ULONGLONG nPos = nTotal == 0 ? kBarRange : nDone * kBarRange / nTotal;
    GetDlgItem(IDC_UPDATE_BAR)->SendMessage(PBM_SETPOS, static_cast<WPARAM>(nPos));
}

LRESULT CProgressDlg::OnFinished(WPARAM wParam, LPARAM)
{
    m_update.join();
    EndDialog(static_cast<int>(wParam));
    return 0;
}

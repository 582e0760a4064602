#include "AfxDialog.h"

#include "AfxApp.h"
#include "AfxException.h"
#include "AfxOleControl.h"

namespace {

// The window's own procedure does the work; the dialog manager's callback only has to exist.
INT_PTR CALLBACK AfxDlgProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

}  // namespace

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (!rControl.SubclassDlgItem(static_cast<UINT>(nIDC), pDX->m_pDlgWnd))
        AfxThrowInvalidArgException();
}

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_MESSAGE(WM_INITDIALOG, HandleInitDialog)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd), m_bModal(false), m_bContinueModal(false),
      m_nModalResult(-1)
{
}

BOOL CDialog::CreateFromTemplate(bool bModal)
{
    HINSTANCE hInstance = AfxGetResourceHandle();
    // A private copy, so that the dialog can be created hidden whatever its template says.
    if (!m_template.Load(hInstance, m_nIDTemplate))
        return FALSE;
    if (bModal)
        m_template.SetStyle(m_template.GetStyle() & ~WS_VISIBLE);

    m_bModal = bModal;
    m_bContinueModal = bModal;
    m_nModalResult = -1;
    HWND hWndParent = GetOwnerHwnd();
    HWND hWnd;
    {
        CControlCreationScope controls(hInstance, m_nIDTemplate, m_template);
        CWndCreationHook hook(this);
        hWnd = ::CreateDialogIndirectParamA(hInstance, m_template.Get(), hWndParent, AfxDlgProc, 0);
    }
    if (hWnd == nullptr && m_hWnd != nullptr)
        UnsubclassWindow();  // the system destroyed a window that failed to initialise
    return hWnd != nullptr;
}

// Without a parent of its own, a dialog belongs to the application's main window, if there is one.
HWND CDialog::GetOwnerHwnd() const
{
    CWnd* pOwner = m_pParentWnd != nullptr ? m_pParentWnd : AfxGetApp()->m_pMainWnd;
    return pOwner != nullptr && pOwner != this ? pOwner->GetSafeHwnd() : nullptr;
}

BOOL CDialog::Create(UINT nIDTemplate)
{
    m_nIDTemplate = nIDTemplate;
    return CreateFromTemplate(false);
}

INT_PTR CDialog::DoModal()
{
    HWND hWndParent = GetOwnerHwnd();
    bool bParentEnabled = hWndParent != nullptr && ::IsWindowEnabled(hWndParent);
    if (bParentEnabled)
        ::EnableWindow(hWndParent, FALSE);

    if (CreateFromTemplate(true)) {
        // A dialog ended during its initialisation is never shown.
        if (m_bContinueModal) {
            ShowWindow(SW_SHOWNORMAL);
            RunModalLoop();
        }
        DestroyWindow();
    }

    if (bParentEnabled) {
        ::EnableWindow(hWndParent, TRUE);
        ::SetActiveWindow(hWndParent);
    }
    return m_nModalResult;
}

void CDialog::RunModalLoop()
{
    MSG msg;
    while (m_bContinueModal) {
        if (::GetMessageA(&msg, nullptr, 0, 0) <= 0) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));  // leave the quit to an outer loop
            return;
        }
        if (!WalkPreTranslateTree(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (!::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE))
            DeleteTempMap();
    }
}

void CDialog::EndDialog(int nResult)
{
    m_nModalResult = nResult;
    if (m_bModal) {
        m_bContinueModal = false;
        ::PostMessageA(m_hWnd, WM_NULL, 0, 0);  // wakes the modal loop
    }
    ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::OnInitDialog()
{
    UpdateData();
    return TRUE;
}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM)
{
    CRect rcBeforeInit;
    GetWindowRect(&rcBeforeInit);
    BOOL bResult = OnInitDialog();
    if (ShouldCenterAfterInit(rcBeforeInit))
        CenterWindow();
    return bResult;
}

// Centres a modal dialog placed at (0, 0) with no owner, unless it was shown, moved or ended
// during its initialisation, or its template asks for its own alignment.
bool CDialog::ShouldCenterAfterInit(const RECT& rcBeforeInit) const
{
    if (!m_bModal || !m_bContinueModal || m_hWnd == nullptr)
        return false;
    POINT position = m_template.GetPosition();
    if (position.x != 0 || position.y != 0 || (m_template.GetStyle() & (DS_CENTER | DS_CENTERMOUSE | DS_ABSALIGN)) != 0)
        return false;
    if (::GetWindow(m_hWnd, GW_OWNER) != nullptr || IsWindowVisible())
        return false;
    CRect rcNow;
    GetWindowRect(&rcNow);
    return rcNow == rcBeforeInit;
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg)
{
    return ::IsDialogMessageA(m_hWnd, pMsg);
}

void CDialog::OnOK()
{
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

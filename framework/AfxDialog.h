// Dialogs from templates and the binding of their controls to members.
#pragma once

#include <windows.h>

#include "AfxDialogTemplate.h"
#include "AfxWnd.h"

class CDataExchange {
public:
    explicit CDataExchange(CWnd* pDlgWnd) : m_pDlgWnd(pDlgWnd) {}

    CWnd* m_pDlgWnd;
};

// Subclasses control nIDC of the dialog to rControl; a missing control is an invalid argument.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    // Runs the dialog with its own message loop; -1 when it cannot be created.
    virtual INT_PTR DoModal();
    // Creates the dialog without a modal loop.
    BOOL Create(UINT nIDTemplate);
    void EndDialog(int nResult);

    virtual BOOL OnInitDialog();
    BOOL PreTranslateMessage(MSG* pMsg) override;

protected:
    virtual void OnOK();
    virtual void OnCancel();

    DECLARE_MESSAGE_MAP()

private:
    LRESULT HandleInitDialog(WPARAM wParam, LPARAM lParam);
    BOOL CreateFromTemplate(bool bModal);
    HWND GetOwnerHwnd() const;
    bool ShouldCenterAfterInit(const RECT& rcBeforeInit) const;
    void RunModalLoop();

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    CDialogTemplate m_template;
    bool m_bModal;
    bool m_bContinueModal;
    int m_nModalResult;
};

// Dialogs from templates and the binding of their controls to members.
#pragma once

#include <windows.h>

#include "AfxApp.h"
#include "AfxDialogTemplate.h"
#include "AfxWnd.h"

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
};

// Subclasses control nIDC of the dialog to rControl, once; a missing control is an invalid argument.
void AFXAPI DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    // Runs the dialog with its own message loop; -1 when it cannot be created.
    virtual INT_PTR DoModal();
    // Creates the dialog without a modal loop.
    BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    void EndDialog(int nResult);

    virtual BOOL OnInitDialog();
    BOOL PreTranslateMessage(MSG* pMsg) override;

protected:
    virtual void OnOK();
    virtual void OnCancel();

    LRESULT HandleInitDialog(WPARAM wParam, LPARAM lParam);

    UINT m_nIDHelp;
    CWnd* m_pParentWnd;

    DECLARE_MESSAGE_MAP()

private:
    BOOL CreateFromTemplate(UINT nIDTemplate, CWnd* pParentWnd, bool bModal);
    bool ShouldCenterAfterInit(const RECT& rcBeforeInit) const;
    void RunModalLoop();

    CDialogTemplate m_template;
    bool m_bModal;
    bool m_bContinueModal;
    int m_nModalResult;
};

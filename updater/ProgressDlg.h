// The updater's window: runs the update on a thread of its own and shows how far it is, the step,
// the file and the bytes, while its own thread keeps the window painted and answers Cancel.
#pragma once

#include <thread>

#include "AfxDialog.h"
#include "Update.h"
#include "UpdateStop.h"
#include "UpdateText.h"

class CProgressDlg : public CDialog, private IUpdateProgress {
public:
    CProgressDlg();
    ~CProgressDlg() override;

    // DoModal returns IDOK once the update is in place, IDCANCEL when the user cancelled it and it was
    // undone; any other result means it stopped, and why.
    const CUpdateFailure& Failure() const { return m_failure; }

protected:
    BOOL OnInitDialog() override;
    // Enter does nothing: the update ends by itself.
    void OnOK() override {}
    // The Cancel button and Esc: the update stops at its next step and is undone.
    void OnCancel() override;

    LRESULT OnStep(WPARAM wParam, LPARAM lParam);
    LRESULT OnBytes(WPARAM wParam, LPARAM lParam);
    LRESULT OnDurableStep(WPARAM wParam, LPARAM lParam);
    // wParam is IDOK when the update is in place, IDCANCEL when it was cancelled, else IDABORT.
    LRESULT OnFinished(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()

private:
    // Called on the update's thread; they hand over to the window's thread and wait for it.
    void ShowStep(UINT nIDStep, LPCSTR lpszDetail) override;
    void ShowBytes(ULONGLONG nDone, ULONGLONG nTotal) override;
    void ShowDurableStep(size_t nDone, size_t nSteps) override;

    void ShowBar(ULONGLONG nDone, ULONGLONG nTotal);

    std::thread m_update;
    CUpdateStop m_stop;
    CUpdateFailure m_failure;
};

// CAboutDlg: the about box that the window menu opens.
#pragma once

#include "AfxDialog.h"
#include "resource.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg() : CDialog(IDD_ABOUTBOX) {}
};

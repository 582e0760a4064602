// CExplorerWebpage: the wrapper of a hosted WebBrowser control.
#pragma once

#include "Afx.h"

class CExplorerWebpage : public CWnd {
};

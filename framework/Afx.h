// The application framework in one include.
#pragma once

#include "AfxApp.h"
#include "AfxControls.h"
#include "AfxDialog.h"
#include "AfxException.h"
#include "AfxFile.h"
#include "AfxGeometry.h"
#include "AfxMenu.h"
#include "AfxOleControl.h"
#include "AfxString.h"
#include "AfxWnd.h"

// Where a picture goes in the area it is shown in: as large as fits with its shape kept, centred,
// with bars on the two sides it does not fill.
#pragma once

#include <windows.h>

// An aspect of zero in either part keeps the whole area.
RECT FitPicture(const RECT& area, LONG aspectX, LONG aspectY);

// Where the minimised window draws its icon.
#pragma once

#include "AfxGeometry.h"

// Centred in the client area; the division truncates toward zero, as the frame always drew it.
inline CPoint MinimisedIconPosition(int nClientWidth, int nClientHeight, int nIconWidth, int nIconHeight)
{
    return CPoint((nClientWidth - nIconWidth + 1) / 2, (nClientHeight - nIconHeight + 1) / 2);
}

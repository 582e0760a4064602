// COleVariant: a VARIANT that owns its contents, for the dispatch calls of hosted controls.
#pragma once

#include <windows.h>
#include <ole2.h>

#include "AfxString.h"

// Texts cross to COM in the system's ANSI code page.
class COleVariant : public tagVARIANT {
public:
    COleVariant();
    COleVariant(LPCSTR lpszSrc);
    // vtSrc is VT_I4, VT_I2 or VT_BOOL.
    COleVariant(long lSrc, VARTYPE vtSrc = VT_I4);
    COleVariant(const COleVariant& varSrc);
    COleVariant& operator=(const COleVariant&) = delete;
    ~COleVariant();

    // The value as a number or a text; a value that cannot be converted throws COleException.
    long ToLong() const;
    CString ToString() const;
};

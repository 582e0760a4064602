// Splits a list such as "a;b;c" into its entries.
#pragma once

#include "AfxString.h"

class CTokenizer {
public:
    CTokenizer();
    virtual ~CTokenizer() = default;

    // Keeps the source without the white space at its two ends; inner white space stays.
    void SetSource(const CString& strSource);
    void SetDelimiter(const CString& strDelimiter);

    // Appends the entries of the source to arr, leaving arr's earlier entries and this object as they are.
    // A delimiter is only found at a character boundary: the trail byte of a double-byte character
    // never ends an entry. An empty delimiter throws CInvalidArgException.
    void Split(CStringArray& arr) const;

    CString m_strDelimiter;
    // Empty entries, as between two delimiters in a row, are dropped.
    bool m_bSkipEmpty;
    CString m_strSource;
};

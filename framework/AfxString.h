// Byte strings in the ANSI code page, and arrays of them.
// A lead byte and its trail byte are one character: searching and trimming never look at a
// trail byte on its own, so a trail byte equal to '|' or '\\' is not taken for one.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class CString {
public:
    CString() = default;
    CString(LPCSTR psz);  // NULL gives an empty string
    CString(LPCSTR pch, int nLength);
    CString(const CString&) = default;
    CString(CString&&) noexcept = default;

    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) noexcept = default;
    CString& operator=(LPCSTR psz);

    operator LPCSTR() const { return m_str.c_str(); }

    int GetLength() const { return static_cast<int>(m_str.size()); }
    BOOL IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    char GetAt(int nIndex) const;

    CString& operator+=(const CString& str);

    // Counts are in bytes and clamp to the string.
    CString Left(int nCount) const;
    CString Mid(int iFirst, int nCount) const;
    CString Right(int nCount) const;

    // Searches from iStart, which must be at a character boundary; -1 when not found
    // or when iStart lies past the end.
    int Find(LPCSTR pszSub, int iStart = 0) const;

    // Removes white space (space, \t, \n, \v, \f and \r) from both ends.
    CString& Trim();

    // Loads a string resource of the running program; FALSE when there is none.
    BOOL LoadString(UINT nID);

    friend bool operator==(const CString& str1, const CString& str2);

private:
    std::string m_str;
};

CString operator+(const CString& str1, const CString& str2);
// Byte for byte, over the whole length.
bool operator==(const CString& str1, const CString& str2);
// Without it, != would compare the two strings' addresses.
inline bool operator!=(const CString& str1, const CString& str2) { return !(str1 == str2); }

// Text of the ANSI code page as UTF-16, for the interfaces that take nothing else, and as UTF-8.
std::wstring Widen(LPCSTR lpszText);
std::string ToUtf8(LPCSTR lpszText);

// Bytes taken by the character at iPos: 2 for a lead byte followed by its trail byte, else 1.
int AfxCharSize(const CString& str, int iPos);

class CStringArray {
public:
    INT_PTR GetSize() const { return static_cast<INT_PTR>(m_items.size()); }
    BOOL IsEmpty() const { return m_items.empty(); }

    // An index out of range throws CInvalidArgException.
    const CString& GetAt(INT_PTR nIndex) const;

    // Grows the array with empty strings up to nIndex; a negative index throws.
    void SetAtGrow(INT_PTR nIndex, LPCSTR newElement);
    INT_PTR Add(const CString& newElement);

private:
    std::vector<CString> m_items;
};

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
    CString& operator+=(LPCSTR psz);
    CString& operator+=(char ch);

    // strcmp order of the bytes.
    int Compare(LPCSTR psz) const;

    // Counts are in bytes and clamp to the string.
    CString Left(int nCount) const;
    CString Mid(int iFirst) const;
    CString Mid(int iFirst, int nCount) const;
    CString Right(int nCount) const;

    // Search from iStart, which must be at a character boundary; -1 when not found
    // or when iStart lies past the end.
    int Find(char ch, int iStart = 0) const;
    int Find(LPCSTR pszSub, int iStart = 0) const;

    // White space: space, \t, \n, \v, \f and \r.
    CString& Trim();
    CString& TrimLeft();
    CString& TrimRight();

    void Format(LPCSTR pszFormat, ...);

    // Loads a string resource of the running program; FALSE when there is none.
    BOOL LoadString(UINT nID);

    // The buffer holds at least nMinBufLength bytes plus the terminating zero.
    LPSTR GetBuffer(int nMinBufLength);
    // -1: the string ends at the first zero byte of the buffer.
    void ReleaseBuffer(int nNewLength = -1);

private:
    std::string m_str;
};

CString operator+(const CString& str1, const CString& str2);
CString operator+(const CString& str1, LPCSTR psz2);
CString operator+(LPCSTR psz1, const CString& str2);
CString operator+(const CString& str1, char ch2);
CString operator+(char ch1, const CString& str2);

bool operator==(const CString& str1, const CString& str2);
bool operator==(const CString& str1, LPCSTR psz2);
bool operator==(LPCSTR psz1, const CString& str2);
bool operator!=(const CString& str1, const CString& str2);
bool operator!=(const CString& str1, LPCSTR psz2);
bool operator!=(LPCSTR psz1, const CString& str2);
bool operator<(const CString& str1, const CString& str2);
bool operator<(const CString& str1, LPCSTR psz2);
bool operator<(LPCSTR psz1, const CString& str2);

// Bytes taken by the character at iPos: 2 for a lead byte followed by its trail byte, else 1.
int AfxCharSize(const CString& str, int iPos);

class CStringArray {
public:
    INT_PTR GetSize() const { return static_cast<INT_PTR>(m_items.size()); }
    INT_PTR GetCount() const { return GetSize(); }
    BOOL IsEmpty() const { return m_items.empty(); }

    // An index out of range throws CInvalidArgException.
    const CString& GetAt(INT_PTR nIndex) const;
    CString& operator[](INT_PTR nIndex);
    const CString& operator[](INT_PTR nIndex) const;
    void SetAt(INT_PTR nIndex, LPCSTR newElement);

    // Grows the array with empty strings up to nIndex; a negative index throws.
    void SetAtGrow(INT_PTR nIndex, LPCSTR newElement);
    INT_PTR Add(LPCSTR newElement);
    INT_PTR Add(const CString& newElement);
    void RemoveAll() { m_items.clear(); }

private:
    void CheckIndex(INT_PTR nIndex) const;

    std::vector<CString> m_items;
};

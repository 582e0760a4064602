#include "AfxString.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "AfxException.h"

namespace {

bool IsWhiteSpace(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r';
}

}  // namespace

CString::CString(LPCSTR psz) : m_str(psz != NULL ? psz : "") {}

CString::CString(LPCSTR pch, int nLength)
{
    if (nLength < 0 || (pch == NULL && nLength > 0))
        AfxThrowInvalidArgException();
    if (nLength > 0)
        m_str.assign(pch, static_cast<size_t>(nLength));
}

CString& CString::operator=(LPCSTR psz)
{
    m_str = psz != NULL ? psz : "";
    return *this;
}

char CString::GetAt(int nIndex) const
{
    if (nIndex < 0 || nIndex >= GetLength())
        AfxThrowInvalidArgException();
    return m_str[static_cast<size_t>(nIndex)];
}

CString& CString::operator+=(const CString& str)
{
    m_str += str.m_str;
    return *this;
}

CString& CString::operator+=(LPCSTR psz)
{
    if (psz != NULL)
        m_str += psz;
    return *this;
}

CString& CString::operator+=(char ch)
{
    m_str += ch;
    return *this;
}

int CString::Compare(LPCSTR psz) const
{
    return strcmp(m_str.c_str(), psz != NULL ? psz : "");
}

CString CString::Left(int nCount) const
{
    if (nCount < 0)
        nCount = 0;
    if (nCount >= GetLength())
        return *this;
    return CString(m_str.data(), nCount);
}

CString CString::Mid(int iFirst) const
{
    return Mid(iFirst, GetLength());
}

CString CString::Mid(int iFirst, int nCount) const
{
    if (iFirst < 0)
        iFirst = 0;
    if (nCount < 0)
        nCount = 0;
    if (iFirst >= GetLength())
        return CString();
    if (nCount > GetLength() - iFirst)
        nCount = GetLength() - iFirst;
    return CString(m_str.data() + iFirst, nCount);
}

CString CString::Right(int nCount) const
{
    if (nCount < 0)
        nCount = 0;
    if (nCount >= GetLength())
        return *this;
    return CString(m_str.data() + GetLength() - nCount, nCount);
}

int CString::Find(char ch, int iStart) const
{
    if (iStart < 0)
        AfxThrowInvalidArgException();
    for (int pos = iStart; pos < GetLength();) {
        int size = AfxCharSize(*this, pos);
        if (size == 1 && m_str[pos] == ch)
            return pos;
        pos += size;
    }
    return -1;
}

int CString::Find(LPCSTR pszSub, int iStart) const
{
    if (iStart < 0)
        AfxThrowInvalidArgException();
    if (iStart > GetLength())
        return -1;
    const int subLength = pszSub != NULL ? static_cast<int>(strlen(pszSub)) : 0;
    if (subLength == 0)
        return iStart;
    for (int pos = iStart; pos + subLength <= GetLength(); pos += AfxCharSize(*this, pos)) {
        if (m_str[pos] == pszSub[0] && memcmp(m_str.data() + pos, pszSub, static_cast<size_t>(subLength)) == 0)
            return pos;
    }
    return -1;
}

CString& CString::Trim()
{
    TrimRight();
    return TrimLeft();
}

CString& CString::TrimLeft()
{
    size_t first = 0;
    while (first < m_str.size() && IsWhiteSpace(m_str[first]))
        ++first;
    m_str.erase(0, first);
    return *this;
}

CString& CString::TrimRight()
{
    // Walk forward: only this way is each byte known to be a lead, a trail or a single byte.
    int end = 0;
    for (int pos = 0; pos < GetLength();) {
        int size = AfxCharSize(*this, pos);
        pos += size;
        if (size == 2 || !IsWhiteSpace(m_str[pos - 1]))
            end = pos;
    }
    m_str.erase(static_cast<size_t>(end));
    return *this;
}

void CString::Format(LPCSTR pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    va_list counting;
    va_copy(counting, args);
    int length = vsnprintf(NULL, 0, pszFormat, counting);
    va_end(counting);
    if (length < 0) {
        va_end(args);
        AfxThrowInvalidArgException();
    }
    std::string result(static_cast<size_t>(length), '\0');
    vsnprintf(&result[0], result.size() + 1, pszFormat, args);
    va_end(args);
    m_str.swap(result);
}

BOOL CString::LoadString(UINT nID)
{
    HINSTANCE hInstance = GetModuleHandleA(NULL);
    std::vector<char> buffer(256);
    for (;;) {
        int length = ::LoadStringA(hInstance, nID, buffer.data(), static_cast<int>(buffer.size()));
        if (length <= 0)
            return FALSE;
        // Two bytes to spare prove nothing was cut, not even half of a double-byte character.
        if (static_cast<size_t>(length) + 2 < buffer.size()) {
            m_str.assign(buffer.data(), static_cast<size_t>(length));
            return TRUE;
        }
        buffer.resize(buffer.size() * 2);
    }
}

LPSTR CString::GetBuffer(int nMinBufLength)
{
    if (nMinBufLength > GetLength())
        m_str.resize(static_cast<size_t>(nMinBufLength));
    return &m_str[0];
}

void CString::ReleaseBuffer(int nNewLength)
{
    if (nNewLength > GetLength())
        AfxThrowInvalidArgException();
    m_str.resize(nNewLength < 0 ? strlen(m_str.c_str()) : static_cast<size_t>(nNewLength));
}

CString operator+(const CString& str1, const CString& str2)
{
    CString result(str1);
    return result += str2;
}

CString operator+(const CString& str1, LPCSTR psz2)
{
    CString result(str1);
    return result += psz2;
}

CString operator+(LPCSTR psz1, const CString& str2)
{
    CString result(psz1);
    return result += str2;
}

CString operator+(const CString& str1, char ch2)
{
    CString result(str1);
    return result += ch2;
}

CString operator+(char ch1, const CString& str2)
{
    CString result(&ch1, 1);
    return result += str2;
}

bool operator==(const CString& str1, const CString& str2) { return str1.Compare(str2) == 0; }
bool operator==(const CString& str1, LPCSTR psz2) { return str1.Compare(psz2) == 0; }
bool operator==(LPCSTR psz1, const CString& str2) { return str2.Compare(psz1) == 0; }
bool operator!=(const CString& str1, const CString& str2) { return str1.Compare(str2) != 0; }
bool operator!=(const CString& str1, LPCSTR psz2) { return str1.Compare(psz2) != 0; }
bool operator!=(LPCSTR psz1, const CString& str2) { return str2.Compare(psz1) != 0; }
bool operator<(const CString& str1, const CString& str2) { return str1.Compare(str2) < 0; }
bool operator<(const CString& str1, LPCSTR psz2) { return str1.Compare(psz2) < 0; }
bool operator<(LPCSTR psz1, const CString& str2) { return str2.Compare(psz1) > 0; }

int AfxCharSize(const CString& str, int iPos)
{
    return IsDBCSLeadByte(static_cast<BYTE>(str.GetAt(iPos))) && iPos + 1 < str.GetLength() ? 2 : 1;
}

const CString& CStringArray::GetAt(INT_PTR nIndex) const
{
    CheckIndex(nIndex);
    return m_items[static_cast<size_t>(nIndex)];
}

CString& CStringArray::operator[](INT_PTR nIndex)
{
    CheckIndex(nIndex);
    return m_items[static_cast<size_t>(nIndex)];
}

const CString& CStringArray::operator[](INT_PTR nIndex) const
{
    return GetAt(nIndex);
}

void CStringArray::SetAt(INT_PTR nIndex, LPCSTR newElement)
{
    CheckIndex(nIndex);
    m_items[static_cast<size_t>(nIndex)] = newElement;
}

void CStringArray::SetAtGrow(INT_PTR nIndex, LPCSTR newElement)
{
    if (nIndex < 0)
        AfxThrowInvalidArgException();
    if (nIndex >= GetSize())
        m_items.resize(static_cast<size_t>(nIndex) + 1);
    m_items[static_cast<size_t>(nIndex)] = newElement;
}

INT_PTR CStringArray::Add(LPCSTR newElement)
{
    m_items.emplace_back(newElement);
    return GetSize() - 1;
}

INT_PTR CStringArray::Add(const CString& newElement)
{
    m_items.push_back(newElement);
    return GetSize() - 1;
}

void CStringArray::CheckIndex(INT_PTR nIndex) const
{
    if (nIndex < 0 || nIndex >= GetSize())
        AfxThrowInvalidArgException();
}

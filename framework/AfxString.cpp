#include "AfxString.h"

#include <cstring>

#include "AfxApp.h"
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

CString CString::Left(int nCount) const
{
    if (nCount < 0)
        nCount = 0;
    if (nCount >= GetLength())
        return *this;
    return CString(m_str.data(), nCount);
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

int CString::Find(LPCSTR pszSub, int iStart) const
{
    if (iStart < 0)
        AfxThrowInvalidArgException();
    if (iStart > GetLength())
        return -1;
    const int subLength = static_cast<int>(strlen(pszSub));
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
    // Walk forward: only this way is each byte known to be a lead, a trail or a single byte.
    int end = 0;
    for (int pos = 0; pos < GetLength();) {
        int size = AfxCharSize(*this, pos);
        pos += size;
        if (size == 2 || !IsWhiteSpace(m_str[pos - 1]))
            end = pos;
    }
    m_str.erase(static_cast<size_t>(end));
    size_t first = 0;
    while (first < m_str.size() && IsWhiteSpace(m_str[first]))
        ++first;
    m_str.erase(0, first);
    return *this;
}

BOOL CString::LoadString(UINT nID)
{
    HINSTANCE hInstance = AfxGetResourceHandle();
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

CString operator+(const CString& str1, const CString& str2)
{
    CString result(str1);
    return result += str2;
}

bool operator==(const CString& str1, const CString& str2) { return str1.m_str == str2.m_str; }

int AfxCharSize(const CString& str, int iPos)
{
    return IsDBCSLeadByte(static_cast<BYTE>(str.GetAt(iPos))) && iPos + 1 < str.GetLength() ? 2 : 1;
}

const CString& CStringArray::GetAt(INT_PTR nIndex) const
{
    if (nIndex < 0 || nIndex >= GetSize())
        AfxThrowInvalidArgException();
    return m_items[static_cast<size_t>(nIndex)];
}

void CStringArray::SetAtGrow(INT_PTR nIndex, LPCSTR newElement)
{
    if (nIndex < 0)
        AfxThrowInvalidArgException();
    if (nIndex >= GetSize())
        m_items.resize(static_cast<size_t>(nIndex) + 1);
    m_items[static_cast<size_t>(nIndex)] = newElement;
}

INT_PTR CStringArray::Add(const CString& newElement)
{
    m_items.push_back(newElement);
    return GetSize() - 1;
}

std::wstring Widen(LPCSTR lpszText)
{
    const int nLength = ::MultiByteToWideChar(CP_ACP, 0, lpszText, -1, nullptr, 0);
    std::wstring text(nLength > 0 ? nLength : 1, L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, lpszText, -1, &text[0], nLength);
    text.resize(text.size() - 1);  // the terminator
    return text;
}

std::string ToUtf8(LPCSTR lpszText)
{
    const std::wstring wide = Widen(lpszText);
    const int nLength = ::WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string text(nLength > 0 ? nLength : 1, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, &text[0], nLength, nullptr, nullptr);
    text.resize(text.size() - 1);  // the terminator
    return text;
}

#include "channels/Tokenizer.h"

#include "AfxException.h"

namespace {

// Whether text ends with suffix, the suffix starting at a character boundary.
bool EndsWithCharacters(const CString& text, const CString& suffix)
{
    const int start = text.GetLength() - suffix.GetLength();
    if (start < 0)
        return false;
    int pos = 0;
    while (pos < start)
        pos += AfxCharSize(text, pos);
    return pos == start && text.Right(suffix.GetLength()) == suffix;
}

}  // namespace

CTokenizer::CTokenizer() : m_strDelimiter(","), m_bSkipEmpty(true)
{
    SetSource(CString());
}

void CTokenizer::SetSource(const CString& strSource)
{
    m_strSource = strSource;
    m_strSource.Trim();
}

void CTokenizer::SetDelimiter(const CString& strDelimiter)
{
    m_strDelimiter = strDelimiter;
}

void CTokenizer::Split(CStringArray& arr) const
{
    // An empty delimiter would be found everywhere and end nothing.
    if (m_strDelimiter.IsEmpty())
        AfxThrowInvalidArgException();
    const CString& text = m_strSource;
    // One delimiter character goes with each entry, as in the lists this client has always read.
    const int step = AfxCharSize(m_strDelimiter, 0);
    // Entries are cut out where they stand: copying the rest of a long list for every entry would not scale.
    int start = 0;
    for (int found = text.Find(m_strDelimiter, start); found >= 0; found = text.Find(m_strDelimiter, start)) {
        CString entry = text.Mid(start, found - start);
        if (!m_bSkipEmpty || !entry.IsEmpty())
            arr.Add(entry);
        start = found + step;
    }
    // The last entry needs no delimiter. None is appended: it would pair with a final lead byte and hide the entry.
    if (!EndsWithCharacters(text, m_strDelimiter) && (!m_bSkipEmpty || start < text.GetLength()))
        arr.Add(text.Mid(start, text.GetLength() - start));
}

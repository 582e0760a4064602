#include "UpdateText.h"

#include "UpdaterResource.h"

void ThrowUpdateFailure(UINT nIDMessage, const CString& strDetail)
{
    throw CUpdateFailure{nIDMessage, strDetail};
}

CString LoadText(UINT nID, std::initializer_list<LPCSTR> values)
{
    CString strFormat;
    strFormat.LoadString(nID);
    CString strText;
    int iFrom = 0;
    for (LPCSTR lpszValue : values) {
        const int iMark = strFormat.Find("%s", iFrom);
        if (iMark < 0)
            break;
        strText += strFormat.Mid(iFrom, iMark - iFrom) + lpszValue;
        iFrom = iMark + 2;
    }
    return strText + strFormat.Mid(iFrom, strFormat.GetLength() - iFrom);
}

CString FailureMessage(const CUpdateFailure& failure)
{
    const bool bNotUndone = failure.nIDMessage == IDS_FAIL_ROLLBACK || failure.nIDMessage == IDS_FAIL_JOURNAL;
    return LoadText(failure.nIDMessage, {failure.strDetail}) + "\n" +
           LoadText(bNotUndone ? IDS_BACKUPS_KEPT : IDS_NOTHING_CHANGED);
}

bool ParseNumber(const CString& str, int nMaxDigits, ULONGLONG& nValue)
{
    if (str.IsEmpty() || str.GetLength() > nMaxDigits)
        return false;
    nValue = 0;
    for (int i = 0; i < str.GetLength(); ++i) {
        const char c = str.GetAt(i);
        if (c < '0' || c > '9')
            return false;
        nValue = nValue * 10 + static_cast<ULONGLONG>(c - '0');
    }
    return true;
}

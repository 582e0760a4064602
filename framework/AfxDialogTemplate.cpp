#include "AfxDialogTemplate.h"

#include <cwchar>

namespace {

// The extended layout's headers; the system's headers declare only the classic ones.
#pragma pack(push, 2)
struct DLGTEMPLATEEX {
    WORD dlgVer;
    WORD signature;
    DWORD helpID;
    DWORD exStyle;
    DWORD style;
    WORD cDlgItems;
    short x;
    short y;
    short cx;
    short cy;
};

struct DLGITEMTEMPLATEEX {
    DWORD helpID;
    DWORD exStyle;
    DWORD style;
    short x;
    short y;
    short cx;
    short cy;
    DWORD id;
};
#pragma pack(pop)

const WORD kExtendedVersion = 1;
const WORD kExtendedSignature = 0xFFFF;
// The first word of a name-or-ordinal field: no name at all, or a number in the next word.
const WORD kNoName = 0x0000;
const WORD kOrdinalFollows = 0xFFFF;

// Skips a name-or-ordinal field; pName receives the name, and stays empty for an ordinal.
const WORD* SkipNameOrOrdinal(const WORD* p, std::wstring* pName = nullptr)
{
    if (*p == kNoName)
        return p + 1;
    if (*p == kOrdinalFollows)
        return p + 2;
    const wchar_t* name = reinterpret_cast<const wchar_t*>(p);
    size_t length = std::wcslen(name);
    if (pName != nullptr)
        pName->assign(name, length);
    return p + length + 1;
}

// Items start at DWORD boundaries of the template.
const WORD* AlignToDword(const WORD* p, const BYTE* pBase)
{
    const BYTE* pByte = reinterpret_cast<const BYTE*>(p);
    return reinterpret_cast<const WORD*>(pBase + ((pByte - pBase + 3) & ~static_cast<ptrdiff_t>(3)));
}

}  // namespace

std::vector<BYTE> AfxLoadResourceBytes(HINSTANCE hInstance, UINT nID, LPCSTR lpszType)
{
    HRSRC hResource = ::FindResourceA(hInstance, MAKEINTRESOURCEA(nID), lpszType);
    HGLOBAL hData = hResource != nullptr ? ::LoadResource(hInstance, hResource) : nullptr;
    const BYTE* pData = hData != nullptr ? static_cast<const BYTE*>(::LockResource(hData)) : nullptr;
    if (pData == nullptr)
        return {};
    return std::vector<BYTE>(pData, pData + ::SizeofResource(hInstance, hResource));
}

BOOL CDialogTemplate::Load(HINSTANCE hInstance, UINT nID)
{
    m_bytes = AfxLoadResourceBytes(hInstance, nID, RT_DIALOG);
    return !m_bytes.empty();
}

bool CDialogTemplate::IsExtended() const
{
    const auto* pHeader = reinterpret_cast<const DLGTEMPLATEEX*>(m_bytes.data());
    return pHeader->dlgVer == kExtendedVersion && pHeader->signature == kExtendedSignature;
}

DWORD CDialogTemplate::GetStyle() const
{
    if (IsExtended())
        return reinterpret_cast<const DLGTEMPLATEEX*>(m_bytes.data())->style;
    return reinterpret_cast<const DLGTEMPLATE*>(m_bytes.data())->style;
}

void CDialogTemplate::SetStyle(DWORD dwStyle)
{
    if (IsExtended())
        reinterpret_cast<DLGTEMPLATEEX*>(m_bytes.data())->style = dwStyle;
    else
        reinterpret_cast<DLGTEMPLATE*>(m_bytes.data())->style = dwStyle;
}

POINT CDialogTemplate::GetPosition() const
{
    if (IsExtended()) {
        const auto* pHeader = reinterpret_cast<const DLGTEMPLATEEX*>(m_bytes.data());
        return {pHeader->x, pHeader->y};
    }
    const auto* pHeader = reinterpret_cast<const DLGTEMPLATE*>(m_bytes.data());
    return {pHeader->x, pHeader->y};
}

std::vector<std::wstring> CDialogTemplate::GetItemClassNames() const
{
    const BYTE* pBase = m_bytes.data();
    const bool bExtended = IsExtended();
    const WORD nItems = bExtended ? reinterpret_cast<const DLGTEMPLATEEX*>(pBase)->cDlgItems
                                  : reinterpret_cast<const DLGTEMPLATE*>(pBase)->cdit;
    const WORD* p = reinterpret_cast<const WORD*>(pBase + (bExtended ? sizeof(DLGTEMPLATEEX) : sizeof(DLGTEMPLATE)));
    p = SkipNameOrOrdinal(p);  // menu
    p = SkipNameOrOrdinal(p);  // window class
    p = SkipNameOrOrdinal(p);  // title
    if (GetStyle() & DS_SETFONT) {
        // The point size; the extended layout adds the weight, the italic flag and the character set.
        p += bExtended ? 3 : 1;
        p = SkipNameOrOrdinal(p);  // typeface
    }
    std::vector<std::wstring> names;
    for (WORD i = 0; i < nItems; ++i) {
        p = AlignToDword(p, pBase);
        p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(p) +
                                          (bExtended ? sizeof(DLGITEMTEMPLATEEX) : sizeof(DLGITEMTEMPLATE)));
        std::wstring className;
        p = SkipNameOrOrdinal(p, &className);
        p = SkipNameOrOrdinal(p);  // title
        const WORD nCreationBytes = *p++;
        p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(p) + nCreationBytes);
        if (!className.empty())
            names.push_back(className);
    }
    return names;
}

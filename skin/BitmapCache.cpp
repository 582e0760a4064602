#include "skin/BitmapCache.h"

CBitmapCache::~CBitmapCache()
{
    for (auto& entry : m_bitmaps) {
        if (entry.second != nullptr)
            ::DeleteObject(entry.second);
    }
}

HBITMAP CBitmapCache::Get(UINT nID)
{
    auto found = m_bitmaps.find(nID);
    if (found != m_bitmaps.end())
        return found->second;
    // A missing bitmap is remembered too: the static then shows no image, as often as asked.
    HBITMAP hBitmap = ::LoadBitmapA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(nID));
    m_bitmaps[nID] = hBitmap;
    return hBitmap;
}

UINT CBitmapCache::IdOf(HBITMAP hBitmap) const
{
    if (hBitmap == nullptr)
        return 0;
    for (const auto& entry : m_bitmaps) {
        if (entry.second == hBitmap)
            return entry.first;
    }
    return 0;
}

// Skin bitmaps loaded once per resource id, so that image changes never exhaust graphics handles.
#pragma once

#include <windows.h>

#include <map>

class CBitmapCache {
public:
    CBitmapCache() = default;
    ~CBitmapCache();
    CBitmapCache(const CBitmapCache&) = delete;
    CBitmapCache& operator=(const CBitmapCache&) = delete;

    // The bitmap of resource nID from the program's module; NULL if there is none.
    HBITMAP Get(UINT nID);
    // The resource id a bitmap of this cache was loaded from; 0 for any other handle.
    UINT IdOf(HBITMAP hBitmap) const;
    int LoadedCount() const { return static_cast<int>(m_bitmaps.size()); }

private:
    std::map<UINT, HBITMAP> m_bitmaps;
};

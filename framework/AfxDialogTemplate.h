// Dialog templates: a copy of one from the resources, and the fields the framework reads from
// it, in the classic and the extended layout alike.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The bytes of resource nID of the given type; empty when the module has none.
std::vector<BYTE> AfxLoadResourceBytes(HINSTANCE hInstance, UINT nID, LPCSTR lpszType);

class CDialogTemplate {
public:
    // FALSE when the module has no dialog template nID.
    BOOL Load(HINSTANCE hInstance, UINT nID);

    LPCDLGTEMPLATEA Get() const { return reinterpret_cast<LPCDLGTEMPLATEA>(m_bytes.data()); }

    DWORD GetStyle() const;
    // Changes this copy only.
    void SetStyle(DWORD dwStyle);
    // In dialog units.
    POINT GetPosition() const;
    // The class names that items give as text rather than as a predefined class's number.
    std::vector<std::wstring> GetItemClassNames() const;

private:
    bool IsExtended() const;

    std::vector<BYTE> m_bytes;
};

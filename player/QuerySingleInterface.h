// The QueryInterface of the player's objects that answer IUnknown and one interface of their own.
#pragma once

#include <objbase.h>

template <class Interface>
HRESULT QuerySingleInterface(Interface* self, REFIID iid, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == iid) {
        *ppv = self;
        self->AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

// The DLL's entry points other than registration, and its class factory.
#include "Module.h"

#include <objbase.h>

#include "PlayerControl.h"
#include "product/PlayerContract.h"
#include "PlayerWindow.h"
#include "QuerySingleInterface.h"

namespace {

HINSTANCE g_hInstance;
LONG g_lockCount;

// Lives as long as the DLL; its references hold the module instead of an object count.
class CPlayerClassFactory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        return QuerySingleInterface(static_cast<IClassFactory*>(this), IID_IClassFactory, riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override
    {
        Module::Lock();
        return 2;
    }
    STDMETHODIMP_(ULONG) Release() override
    {
        Module::Unlock();
        return 1;
    }
    STDMETHODIMP CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (pUnkOuter)
            return CLASS_E_NOAGGREGATION;
        return CPlayerControl::Create(riid, ppv);
    }
    STDMETHODIMP LockServer(BOOL fLock) override
    {
        if (fLock)
            Module::Lock();
        else
            Module::Unlock();
        return S_OK;
    }
};

CPlayerClassFactory g_factory;

}  // namespace

HINSTANCE Module::Instance() { return g_hInstance; }
void Module::Lock() { InterlockedIncrement(&g_lockCount); }
void Module::Unlock() { InterlockedDecrement(&g_lockCount); }
bool Module::IsLocked() { return InterlockedCompareExchange(&g_lockCount, 0, 0) != 0; }

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID lpReserved)
{
    if (dwReason == DLL_PROCESS_ATTACH) {
        g_hInstance = hInstance;
        DisableThreadLibraryCalls(hInstance);
    } else if (dwReason == DLL_PROCESS_DETACH && !lpReserved) {
        // Unloaded while the process goes on: a later load may sit at another address.
        UnregisterPlayerWindowClasses();
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (rclsid != CLSID_P2PPlayer)
        return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, ppv);
}

STDAPI DllCanUnloadNow()
{
    return Module::IsLocked() ? S_FALSE : S_OK;
}

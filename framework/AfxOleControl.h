// ActiveX controls declared in dialog templates: turning on their containment, the scope that
// hosts them while a dialog is created, and the maps that route their events to handlers.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <cstddef>
#include <map>
#include <utility>
#include <vector>

#include "AfxDialogTemplate.h"
#include "AfxVariant.h"
#include "AfxWnd.h"

// Turns on OLE and the creation of template items whose class is a class id.
void AfxEnableControlContainer();

// Event sink maps: which handler of a window gets which event of which hosted control.
typedef HRESULT (*AFX_EVENTTHUNK)(CWnd* pTarget, AFX_PMSG pfn, const DISPPARAMS* pParams);

struct AFX_EVENTSINKMAP_ENTRY {
    UINT nCtlID;
    DISPID dispid;
    AFX_EVENTTHUNK pfnThunk;
    AFX_PMSG pfn;
};

struct AFX_EVENTSINKMAP {
    const AFX_EVENTSINKMAP* (*pfnGetBaseMap)();
    const AFX_EVENTSINKMAP_ENTRY* lpEntries;
};

// How an event parameter of each handler parameter type is converted.
template <typename T> struct AfxEventParam;
template <> struct AfxEventParam<short> {
    static constexpr VARTYPE vt = VT_I2;
    static short Get(const VARIANT& v) { return V_I2(&v); }
};
template <> struct AfxEventParam<long> {
    static constexpr VARTYPE vt = VT_I4;
    static long Get(const VARIANT& v) { return V_I4(&v); }
};

// Converts an event's parameters to the handler's parameter types and calls it; the handler was
// stored from exactly these types.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wcast-function-type"
template <typename... Args>
struct AfxEventAdapter {
    static HRESULT Call(CWnd* pTarget, AFX_PMSG pfn, const DISPPARAMS* pParams)
    {
        if (pParams->cArgs != sizeof...(Args))
            return DISP_E_BADPARAMCOUNT;
        return CallWith(pTarget, pfn, pParams, std::index_sequence_for<Args...>());
    }

private:
    template <std::size_t... I>
    static HRESULT CallWith(CWnd* pTarget, AFX_PMSG pfn, const DISPPARAMS* pParams, std::index_sequence<I...>)
    {
        constexpr VARTYPE types[] = {AfxEventParam<Args>::vt..., VT_EMPTY};
        COleVariant values[sizeof...(Args) + 1];
        // The caller passes the parameters last first.
        for (std::size_t i = 0; i != sizeof...(Args); ++i) {
            if (FAILED(::VariantChangeType(&values[i], &pParams->rgvarg[sizeof...(Args) - 1 - i], 0, types[i])))
                return DISP_E_TYPEMISMATCH;
        }
        (pTarget->*reinterpret_cast<void (CWnd::*)(Args...)>(pfn))(AfxEventParam<Args>::Get(values[I])...);
        return S_OK;
    }
};

#pragma GCC diagnostic pop

template <typename TargetClass, typename... Args>
AFX_EVENTSINKMAP_ENTRY AfxEventEntry(UINT nCtlID, DISPID dispid, void (TargetClass::*pfn)(Args...))
{
    return {nCtlID, dispid, &AfxEventAdapter<Args...>::Call, AfxPmsg(static_cast<void (CWnd::*)(Args...)>(pfn))};
}

#define DECLARE_EVENTSINK_MAP() \
protected: \
    static const AFX_EVENTSINKMAP* GetThisEventSinkMap(); \
    const AFX_EVENTSINKMAP* GetEventSinkMap() const override;

#define BEGIN_EVENTSINK_MAP(theClass, baseClass) \
    const AFX_EVENTSINKMAP* theClass::GetEventSinkMap() const { return GetThisEventSinkMap(); } \
    const AFX_EVENTSINKMAP* theClass::GetThisEventSinkMap() \
    { \
        typedef baseClass TheBaseClass; \
        static const AFX_EVENTSINKMAP_ENTRY eventEntries[] = {

// The handler's parameter types say how the event's parameters are converted.
#define ON_EVENT(theClass, id, dispid, handler) AfxEventEntry<theClass>(id, dispid, &theClass::handler),

#define END_EVENTSINK_MAP() \
            {0, 0, nullptr, nullptr} \
        }; \
        static const AFX_EVENTSINKMAP eventSinkMap = {&TheBaseClass::GetThisEventSinkMap, &eventEntries[0]}; \
        return &eventSinkMap; \
    }

// While a dialog is being created: registers a host window class for each class id its template
// names, and hands each hosted control its initialisation stream from the dialog's init data.
class CControlCreationScope {
public:
    CControlCreationScope(HINSTANCE hInstance, UINT nIDTemplate, const CDialogTemplate& dlgTemplate);
    ~CControlCreationScope();
    CControlCreationScope(const CControlCreationScope&) = delete;
    CControlCreationScope& operator=(const CControlCreationScope&) = delete;

    typedef std::map<UINT, std::vector<BYTE>> InitDataMap;

private:
    InitDataMap m_initData;
    const InitDataMap* m_pPrevious;
};

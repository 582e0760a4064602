// CWnd and the message maps that route window messages to handlers.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <functional>

#include "AfxGeometry.h"
#include "AfxString.h"

class CWnd;
class CMenu;
class CDataExchange;
class COleVariant;
struct AFX_EVENTSINKMAP;

// Handler signatures a message map entry can carry.
enum AfxSig {
    AfxSig_end,
    AfxSig_v_v,       // void ()
    AfxSig_v_u,       // void (UINT nID): a range of controls
    AfxSig_v_u_l,     // void (UINT, LPARAM): WM_SYSCOMMAND
    AfxSig_v_u_pt,    // void (UINT, CPoint): mouse messages
    AfxSig_v_up,      // void (UINT_PTR): WM_TIMER
    AfxSig_b_W_u_u,   // BOOL (CWnd*, UINT, UINT): WM_SETCURSOR
    AfxSig_h_v,       // HCURSOR (): WM_QUERYDRAGICON
    AfxSig_l_w_l,     // LRESULT (WPARAM, LPARAM): any message
};

typedef void (CWnd::*AFX_PMSG)();

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;
    UINT nCode;       // notification code, for WM_COMMAND entries
    UINT nID;         // first control or command id
    UINT nLastID;     // last id of a range
    AfxSig nSig;
    AFX_PMSG pfn;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// WM_COMMAND code of menu items and accelerators.
#define CN_COMMAND 0

// Stores a handler in an entry; dispatch casts it back to the signature the entry names.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wcast-function-type"
template <typename Handler>
AFX_PMSG AfxPmsg(Handler handler) { return reinterpret_cast<AFX_PMSG>(handler); }
#pragma GCC diagnostic pop

#define DECLARE_MESSAGE_MAP() \
protected: \
    static const AFX_MSGMAP* GetThisMessageMap(); \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass) \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap() \
    { \
        using ThisClass [[maybe_unused]] = theClass; \
        typedef baseClass TheBaseClass; \
        static const AFX_MSGMAP_ENTRY messageEntries[] = {

#define END_MESSAGE_MAP() \
            {0, 0, 0, 0, AfxSig_end, nullptr} \
        }; \
        static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &messageEntries[0]}; \
        return &messageMap; \
    }

// The casts check each handler's signature at compile time.
#define AFX_WM_ENTRY(message, sig, type, handler) \
    {message, 0, 0, 0, sig, AfxPmsg(static_cast<type>(&ThisClass::handler))},

#define ON_WM_SYSCOMMAND() AFX_WM_ENTRY(WM_SYSCOMMAND, AfxSig_v_u_l, void (CWnd::*)(UINT, LPARAM), OnSysCommand)
#define ON_WM_PAINT() AFX_WM_ENTRY(WM_PAINT, AfxSig_v_v, void (CWnd::*)(), OnPaint)
#define ON_WM_QUERYDRAGICON() AFX_WM_ENTRY(WM_QUERYDRAGICON, AfxSig_h_v, HCURSOR (CWnd::*)(), OnQueryDragIcon)
#define ON_WM_LBUTTONDOWN() AFX_WM_ENTRY(WM_LBUTTONDOWN, AfxSig_v_u_pt, void (CWnd::*)(UINT, CPoint), OnLButtonDown)
#define ON_WM_SETCURSOR() AFX_WM_ENTRY(WM_SETCURSOR, AfxSig_b_W_u_u, BOOL (CWnd::*)(CWnd*, UINT, UINT), OnSetCursor)
#define ON_WM_TIMER() AFX_WM_ENTRY(WM_TIMER, AfxSig_v_up, void (CWnd::*)(UINT_PTR), OnTimer)
#define ON_WM_MOUSEMOVE() AFX_WM_ENTRY(WM_MOUSEMOVE, AfxSig_v_u_pt, void (CWnd::*)(UINT, CPoint), OnMouseMove)
#define ON_WM_DESTROY() AFX_WM_ENTRY(WM_DESTROY, AfxSig_v_v, void (CWnd::*)(), OnDestroy)
#define ON_MESSAGE(message, handler) \
    AFX_WM_ENTRY(message, AfxSig_l_w_l, LRESULT (CWnd::*)(WPARAM, LPARAM), handler)

#define ON_CONTROL(code, id, handler) \
    {WM_COMMAND, (UINT)(code), (UINT)(id), (UINT)(id), AfxSig_v_v, \
     AfxPmsg(static_cast<void (CWnd::*)()>(&ThisClass::handler))},
#define ON_CONTROL_RANGE(code, firstId, lastId, handler) \
    {WM_COMMAND, (UINT)(code), (UINT)(firstId), (UINT)(lastId), AfxSig_v_u, \
     AfxPmsg(static_cast<void (CWnd::*)(UINT)>(&ThisClass::handler))},
#define ON_COMMAND(id, handler) ON_CONTROL(CN_COMMAND, id, handler)
#define ON_STN_CLICKED(id, handler) ON_CONTROL(STN_CLICKED, id, handler)

class CWnd {
public:
    CWnd();
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd;

    HWND GetSafeHwnd() const { return m_hWnd; }

    // The object attached to a window, or a temporary one for a window that has none.
    static CWnd* FromHandle(HWND hWnd);
    static CWnd* FromHandlePermanent(HWND hWnd);
    // Drops the temporary objects handed out by FromHandle; called when the message queue is idle.
    static void DeleteTempMap();

    BOOL Attach(HWND hWnd);
    HWND Detach();
    BOOL SubclassWindow(HWND hWnd);
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
    HWND UnsubclassWindow();
    virtual BOOL DestroyWindow();

    CWnd* GetDlgItem(int nID) const;
    // nFlags, when not 0, are SetWindowPos flags that make the frame take the new style.
    BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags);
    BOOL ShowWindow(int nCmdShow);
    BOOL IsWindowVisible() const;
    BOOL IsIconic() const;
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint);
    void GetWindowRect(LPRECT lpRect) const;
    void GetClientRect(LPRECT lpRect) const;
    void Invalidate(BOOL bErase);
    void CenterWindow();
    void SetWindowText(LPCSTR lpszString);
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer);
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    CMenu* GetSystemMenu(BOOL bRevert) const;
    // Goes through the application's message-box hook, as AfxMessageBox does.
    int MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType);

    virtual BOOL PreTranslateMessage(MSG* pMsg);
    virtual void DoDataExchange(CDataExchange* pDX);
    // Binds the controls that DoDataExchange names.
    void UpdateData();

    // Lets every window from the message's target up to its top-level window pre-translate it.
    static BOOL WalkPreTranslateTree(MSG* pMsg);

    // Late-bound calls into the ActiveX control this window hosts; a failure throws COleException.
    IDispatch* GetControlDispatch() const;
    void InvokeHelper(DISPID dwDispID, WORD wFlags, VARIANT* pvarResult, const VARIANT* pArgs, UINT nArgs);
    void SetProperty(DISPID dwDispID, const COleVariant& value);
    COleVariant GetProperty(DISPID dwDispID);
    void InvokeMethod(DISPID dwDispID);

    // Routes an event of hosted control nCtlID to the handler its event sink map names.
    HRESULT OnEvent(UINT nCtlID, DISPID dispid, const DISPPARAMS* pParams);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
    static const AFX_EVENTSINKMAP* GetThisEventSinkMap();
    virtual const AFX_EVENTSINKMAP* GetEventSinkMap() const;

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The default processing of the message being handled.
    LRESULT Default();

    // The window's default processing, for a handler that adds to it.
    void OnDestroy();

private:
    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    friend LRESULT CALLBACK AfxCbtFilterHook(int, WPARAM, LPARAM);
    friend class CWndCreationHook;

    const AFX_MSGMAP_ENTRY* FindEntry(UINT message, UINT nCode, UINT nID) const;
    LRESULT Dispatch(const AFX_MSGMAP_ENTRY& entry, WPARAM wParam, LPARAM lParam);
    void OnNcDestroyed();

    WNDPROC m_pfnSuper;
};

// Subclasses the next window created on this thread to the given object, from its very first
// message on. Dialogs need it: their frame receives messages before any call could subclass it.
class CWndCreationHook {
public:
    explicit CWndCreationHook(CWnd* pWnd);
    ~CWndCreationHook();
    CWndCreationHook(const CWndCreationHook&) = delete;
    CWndCreationHook& operator=(const CWndCreationHook&) = delete;

private:
    HHOOK m_hHook;
};

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// Runs a handler. An exception that escapes it is reported in a message box and the handler
// is abandoned; the result is then FALSE.
BOOL AfxCallHandler(const std::function<void()>& handler);

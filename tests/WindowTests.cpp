// The window side of the framework, driven through real dialogs from real templates.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "Afx.h"
#include "FrameworkTestIds.h"
#include "TestApp.h"

namespace {

// Records every handler it reaches, in order.
class CProbeDlg : public CDialog {
public:
    explicit CProbeDlg(UINT nIDTemplate = IDD_PROBE) : CDialog(nIDTemplate) {}

    CStatic m_staticA;
    CStatic m_staticB1;
    std::vector<std::string> m_calls;
    std::vector<UINT> m_preTranslated;
    std::function<void(CProbeDlg&)> m_onInit;
    std::function<void(CProbeDlg&)> m_onTimer;
    bool m_bBindMissingControl = false;
    bool m_bShown = false;
    CPoint m_lastPoint;
    CWnd* m_pCursorWnd = nullptr;
    UINT m_nCursorHitTest = 0;
    BOOL m_bCursorResult = TRUE;
    CStringArray m_emptyTable;

    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        m_calls.push_back("init");
        if (m_onInit)
            m_onInit(*this);
        return TRUE;
    }

    BOOL PreTranslateMessage(MSG* pMsg) override
    {
        m_preTranslated.push_back(pMsg->message);
        return CDialog::PreTranslateMessage(pMsg);
    }

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        CDialog::DoDataExchange(pDX);
        DDX_Control(pDX, IDC_PROBE_A, m_staticA);
        DDX_Control(pDX, IDC_PROBE_B1, m_staticB1);
        if (m_bBindMissingControl) {
            static CStatic missing;
            DDX_Control(pDX, IDC_PROBE_MISSING, missing);
        }
    }

    void OnOK() override
    {
        m_calls.push_back("ok");
        CDialog::OnOK();
    }
    void OnCancel() override
    {
        m_calls.push_back("cancel");
        CDialog::OnCancel();
    }
    void OnTimer(UINT_PTR nIDEvent)
    {
        m_calls.push_back("timer " + std::to_string(nIDEvent));
        if (m_onTimer)
            m_onTimer(*this);
    }
    void OnMouseMove(UINT nFlags, CPoint point)
    {
        m_calls.push_back("move " + std::to_string(nFlags));
        m_lastPoint = point;
        Default();
    }
    void OnLButtonDown(UINT, CPoint point)
    {
        m_calls.push_back("down");
        m_lastPoint = point;
    }
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message)
    {
        m_calls.push_back("cursor " + std::to_string(message));
        m_pCursorWnd = pWnd;
        m_nCursorHitTest = nHitTest;
        return m_bCursorResult;
    }
    HCURSOR OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(0x1234); }
    LRESULT OnProbeMessage(WPARAM wParam, LPARAM lParam)
    {
        m_calls.push_back("probe " + std::to_string(wParam) + " " + std::to_string(lParam));
        return 42;
    }
    LRESULT OnShowWindowMessage(WPARAM wParam, LPARAM)
    {
        if (wParam)
            m_bShown = true;
        return Default();
    }
    void OnAClicked() { m_calls.push_back("A clicked"); }
    void OnADoubleClicked() { m_calls.push_back("A double-clicked"); }
    void OnBClicked(UINT nID) { m_calls.push_back("B clicked " + std::to_string(nID)); }
    void OnProbeCommand() { m_calls.push_back("command"); }
    void OnBadIndex()
    {
        m_calls.push_back("before");
        m_emptyTable.GetAt(3);
        m_calls.push_back("after");
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CProbeDlg, CDialog)
    ON_WM_TIMER()
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONDOWN()
    ON_WM_SETCURSOR()
    ON_WM_QUERYDRAGICON()
    ON_MESSAGE(WM_APP + 5, OnProbeMessage)
    ON_MESSAGE(WM_SHOWWINDOW, OnShowWindowMessage)
    ON_STN_CLICKED(IDC_PROBE_A, OnAClicked)
    ON_STN_DBLCLK(IDC_PROBE_A, OnADoubleClicked)
    ON_CONTROL_RANGE(STN_CLICKED, IDC_PROBE_B1, IDC_PROBE_B3, OnBClicked)
    ON_COMMAND(ID_PROBE_COMMAND, OnProbeCommand)
    ON_STN_DBLCLK(IDC_PROBE_PLAIN, OnBadIndex)
END_MESSAGE_MAP()

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApp().m_messages.clear();
        TestApp().m_answers.clear();
    }

    // Creates the probe without a modal loop, so that a test can send it messages.
    void CreateModeless(CProbeDlg& dlg)
    {
        ASSERT_TRUE(dlg.Create(IDD_PROBE));
        ASSERT_NE(dlg.m_hWnd, nullptr);
    }
};

TEST_F(WindowTest, ControlNotificationsReachTheirEntries)
{
    CProbeDlg dlg;
    CreateModeless(dlg);
    dlg.m_calls.clear();

    // Real clicks on the statics: the controls themselves send the notifications.
    HWND hA = ::GetDlgItem(dlg.m_hWnd, IDC_PROBE_A);
    ::SendMessageA(hA, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    ::SendMessageA(hA, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(2, 2));
    ::SendMessageA(::GetDlgItem(dlg.m_hWnd, IDC_PROBE_B2), WM_LBUTTONDOWN, MK_LBUTTON, 0);
    ::SendMessageA(::GetDlgItem(dlg.m_hWnd, IDC_PROBE_B3), WM_LBUTTONDOWN, MK_LBUTTON, 0);
    // A menu command or accelerator has no control and counts as a command whatever its code.
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(ID_PROBE_COMMAND, 0), 0);
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(ID_PROBE_COMMAND, 1), 0);
    // A notification with a code nobody maps goes to default processing, unseen.
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_PROBE_A, STN_ENABLE), reinterpret_cast<LPARAM>(hA));

    std::vector<std::string> expected = {"A clicked", "A double-clicked", "B clicked 302", "B clicked 303",
                                         "command", "command"};
    EXPECT_EQ(dlg.m_calls, expected);
    dlg.DestroyWindow();
}

TEST_F(WindowTest, WindowMessagesCarryTheirArguments)
{
    CProbeDlg dlg;
    CreateModeless(dlg);
    dlg.m_calls.clear();

    dlg.SendMessage(WM_TIMER, 1);
    dlg.SendMessage(WM_MOUSEMOVE, MK_SHIFT, MAKELPARAM(-5, -7));
    EXPECT_EQ(dlg.m_lastPoint, CPoint(-5, -7));  // positions left of and above the window stay signed
    dlg.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(120, 33));
    EXPECT_EQ(dlg.m_lastPoint, CPoint(120, 33));
    EXPECT_EQ(dlg.SendMessage(WM_APP + 5, 7, 9), 42);
    EXPECT_EQ(dlg.SendMessage(WM_QUERYDRAGICON), 0x1234);

    HWND hA = ::GetDlgItem(dlg.m_hWnd, IDC_PROBE_A);
    EXPECT_EQ(dlg.SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(hA), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), TRUE);
    EXPECT_EQ(dlg.m_pCursorWnd, &dlg.m_staticA);  // the bound member, not a stand-in
    EXPECT_EQ(dlg.m_nCursorHitTest, static_cast<UINT>(HTCLIENT));
    dlg.m_bCursorResult = FALSE;
    EXPECT_EQ(dlg.SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(dlg.m_hWnd), MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)),
              FALSE);
    EXPECT_EQ(dlg.m_pCursorWnd, &dlg);

    std::vector<std::string> expected = {"timer 1", "move 4", "down", "probe 7 9", "cursor 512", "cursor 513"};
    EXPECT_EQ(dlg.m_calls, expected);
    dlg.DestroyWindow();
}

TEST_F(WindowTest, DataExchangeBindsControlsToMembers)
{
    CProbeDlg dlg;
    CreateModeless(dlg);

    EXPECT_EQ(dlg.m_staticA.m_hWnd, ::GetDlgItem(dlg.m_hWnd, IDC_PROBE_A));
    EXPECT_EQ(dlg.GetDlgItem(IDC_PROBE_A), &dlg.m_staticA);
    EXPECT_EQ(dlg.GetDlgItem(IDC_PROBE_B1), &dlg.m_staticB1);
    EXPECT_EQ(CWnd::FromHandlePermanent(::GetDlgItem(dlg.m_hWnd, IDC_PROBE_B1)), &dlg.m_staticB1);
    // An unbound control is handed out as a stand-in for its handle.
    CWnd* pPlain = dlg.GetDlgItem(IDC_PROBE_PLAIN);
    ASSERT_NE(pPlain, nullptr);
    EXPECT_EQ(pPlain->m_hWnd, ::GetDlgItem(dlg.m_hWnd, IDC_PROBE_PLAIN));
    EXPECT_EQ(CWnd::FromHandlePermanent(pPlain->m_hWnd), nullptr);
    EXPECT_EQ(dlg.GetDlgItem(IDC_PROBE_MISSING), nullptr);

    // A second exchange changes nothing.
    HWND hA = dlg.m_staticA.m_hWnd;
    dlg.UpdateData(FALSE);
    EXPECT_EQ(dlg.m_staticA.m_hWnd, hA);

    // Destroying the window detaches every member.
    dlg.DestroyWindow();
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_EQ(dlg.m_staticA.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(hA), nullptr);
}

TEST_F(WindowTest, InvalidArgumentInAHandlerIsReportedAndTheHandlerAbandoned)
{
    CProbeDlg dlg;
    CreateModeless(dlg);
    dlg.m_calls.clear();

    HWND hPlain = ::GetDlgItem(dlg.m_hWnd, IDC_PROBE_PLAIN);
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_PROBE_PLAIN, STN_DBLCLK), reinterpret_cast<LPARAM>(hPlain));

    ASSERT_EQ(TestApp().m_messages.size(), 1u);
    EXPECT_STREQ(TestApp().m_messages[0].text, "An invalid argument was encountered.");
    EXPECT_EQ(TestApp().m_messages[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONSTOP));
    // The window goes on handling messages.
    dlg.SendMessage(WM_TIMER, 2);
    std::vector<std::string> expected = {"before", "timer 2"};
    EXPECT_EQ(dlg.m_calls, expected);
    dlg.DestroyWindow();

    // A control the exchange names but the template lacks is an invalid argument too.
    CProbeDlg broken;
    broken.m_bBindMissingControl = true;
    CreateModeless(broken);
    ASSERT_EQ(TestApp().m_messages.size(), 2u);
    EXPECT_STREQ(TestApp().m_messages[1].text, "An invalid argument was encountered.");
    broken.DestroyWindow();
}

TEST_F(WindowTest, ModalDialogRunsUntilEndedAndReturnsTheResult)
{
    {
        // Esc goes through the dialog manager to OnCancel.
        CProbeDlg dlg;
        dlg.m_onInit = [](CProbeDlg& d) { d.PostMessage(WM_KEYDOWN, VK_ESCAPE, 0); };
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_EQ(dlg.m_calls.back(), "cancel");
        EXPECT_EQ(dlg.m_hWnd, nullptr);
        EXPECT_TRUE(dlg.m_bShown);
    }
    {
        // Enter, with no control taking it, is the framework's OK.
        CProbeDlg dlg;
        dlg.m_onInit = [](CProbeDlg& d) { d.PostMessage(WM_KEYDOWN, VK_RETURN, 0); };
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_EQ(dlg.m_calls.back(), "ok");
    }
    {
        // Ended during its initialisation: never shown.
        CProbeDlg dlg;
        dlg.m_onInit = [](CProbeDlg& d) { d.EndDialog(IDCANCEL); };
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_FALSE(dlg.m_bShown);
    }
    {
        CProbeDlg dlg(IDD_PROBE_BROKEN);
        EXPECT_EQ(dlg.DoModal(), -1);
        EXPECT_EQ(dlg.m_hWnd, nullptr);
        EXPECT_TRUE(std::find(dlg.m_calls.begin(), dlg.m_calls.end(), "init") == dlg.m_calls.end());
    }
}

TEST_F(WindowTest, ModalLoopLetsTheWindowsPreTranslateMessages)
{
    CProbeDlg dlg;
    dlg.m_onInit = [](CProbeDlg& d) {
        // Posted to a child: the walk up the parents reaches the dialog.
        ::PostMessageA(d.m_staticA.m_hWnd, WM_APP + 9, 0, 0);
        d.PostMessage(WM_KEYDOWN, VK_ESCAPE, 0);
    };
    dlg.DoModal();
    EXPECT_NE(std::find(dlg.m_preTranslated.begin(), dlg.m_preTranslated.end(), WM_APP + 9u), dlg.m_preTranslated.end());
}

// Runs the dialog modally and returns its window rectangle during and after its initialisation.
struct ModalPlacement {
    CRect duringInit;
    CRect afterInit;
};

ModalPlacement RunAndMeasure(UINT nIDTemplate, std::function<void(CProbeDlg&)> onInit = nullptr)
{
    ModalPlacement placement;
    CProbeDlg dlg(nIDTemplate);
    dlg.m_onInit = [&](CProbeDlg& d) {
        if (onInit)
            onInit(d);
        d.GetWindowRect(&placement.duringInit);
        d.SetTimer(77, 1, nullptr);
    };
    dlg.m_onTimer = [&](CProbeDlg& d) {
        d.GetWindowRect(&placement.afterInit);
        d.EndDialog(IDOK);
    };
    dlg.DoModal();
    return placement;
}

TEST_F(WindowTest, ModalDialogAtTheOriginIsCentredAfterItsInitialisation)
{
    CRect area;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);

    ModalPlacement atOrigin = RunAndMeasure(IDD_PROBE);
    EXPECT_EQ(atOrigin.duringInit.TopLeft(), CPoint(0, 0));
    EXPECT_EQ(atOrigin.afterInit.Width(), atOrigin.duringInit.Width());
    EXPECT_EQ(atOrigin.afterInit.left, area.left + (area.Width() - atOrigin.afterInit.Width()) / 2);
    EXPECT_EQ(atOrigin.afterInit.top, area.top + (area.Height() - atOrigin.afterInit.Height()) / 2);

    // Placed by its template, or moved during its initialisation: left where it is.
    ModalPlacement placed = RunAndMeasure(IDD_PROBE_PLACED);
    EXPECT_NE(placed.duringInit.TopLeft(), CPoint(0, 0));
    EXPECT_EQ(placed.afterInit, placed.duringInit);
    ModalPlacement moved = RunAndMeasure(IDD_PROBE, [](CProbeDlg& d) { d.MoveWindow(5, 6, 300, 200); });
    EXPECT_EQ(moved.afterInit, CRect(5, 6, 305, 206));
}

TEST_F(WindowTest, MessageBoxesGoThroughTheApplication)
{
    AfxMessageBox("频道列表配置错误！", MB_OKCANCEL, 1);
    AfxMessageBox("stop", MB_OK | MB_ICONSTOP);
    CProbeDlg dlg;
    CreateModeless(dlg);
    TestApp().m_answers = {IDNO};
    EXPECT_EQ(dlg.MessageBox("确定要退出?", "提示", MB_YESNO), IDNO);

    ASSERT_EQ(TestApp().m_messages.size(), 3u);
    const RecordedMessageBox& first = TestApp().m_messages[0];
    EXPECT_STREQ(first.text, "频道列表配置错误！");
    EXPECT_EQ(first.type, static_cast<UINT>(MB_OKCANCEL | MB_ICONEXCLAMATION));
    char module[MAX_PATH];
    ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string name(module);
    name = name.substr(name.find_last_of('\\') + 1);
    EXPECT_EQ(std::string(first.caption), name.substr(0, name.size() - 4));  // the module's name, no ".exe"
    EXPECT_EQ(TestApp().m_messages[1].type, static_cast<UINT>(MB_OK | MB_ICONSTOP));
    const RecordedMessageBox& question = TestApp().m_messages[2];
    EXPECT_STREQ(question.caption, "提示");
    EXPECT_EQ(question.type, static_cast<UINT>(MB_YESNO));  // a window's own box gets no icon added
    EXPECT_EQ(question.owner, dlg.m_hWnd);
    dlg.DestroyWindow();
}

TEST_F(WindowTest, BitmapStaticsTakeTheirBitmapsSize)
{
    CProbeDlg dlg;
    CreateModeless(dlg);

    dlg.m_staticA.ModifyStyle(0, SS_BITMAP, 0);
    EXPECT_EQ(dlg.m_staticA.GetStyle() & SS_TYPEMASK, static_cast<DWORD>(SS_BITMAP));
    HBITMAP first = ::CreateBitmap(30, 20, 1, 32, nullptr);
    HBITMAP second = ::CreateBitmap(12, 9, 1, 32, nullptr);
    EXPECT_EQ(dlg.m_staticA.SetBitmap(first), nullptr);
    EXPECT_EQ(dlg.m_staticA.SetBitmap(second), first);
    EXPECT_EQ(dlg.m_staticA.GetBitmap(), second);
    CRect rc;
    dlg.m_staticA.GetWindowRect(&rc);
    EXPECT_EQ(rc.Width(), 12);  // a bitmap static takes its bitmap's size
    EXPECT_EQ(rc.Height(), 9);

    dlg.DestroyWindow();
    ::DeleteObject(first);
    ::DeleteObject(second);
}

TEST_F(WindowTest, WindowMenuAndPopupMenus)
{
    CProbeDlg dlg;
    CreateModeless(dlg);

    CMenu* pSysMenu = dlg.GetSystemMenu(FALSE);
    ASSERT_NE(pSysMenu, nullptr);
    int before = pSysMenu->GetMenuItemCount();
    pSysMenu->AppendMenu(MF_SEPARATOR);
    pSysMenu->AppendMenu(MF_STRING, 0x0010, "关于 Pelio(&A)...");
    ASSERT_EQ(pSysMenu->GetMenuItemCount(), before + 2);
    EXPECT_EQ(pSysMenu->GetMenuItemID(before + 1), 0x0010u);
    CString item;
    pSysMenu->GetMenuString(0x0010, item, MF_BYCOMMAND);
    EXPECT_STREQ(item, "关于 Pelio(&A)...");
    CWnd::DeleteTempMap();
    // The window menu belongs to the window: dropping the stand-in leaves it alone.
    EXPECT_TRUE(::IsMenu(::GetSystemMenu(dlg.m_hWnd, FALSE)));

    HMENU hPopup;
    {
        CMenu popup;
        ASSERT_TRUE(popup.CreatePopupMenu());
        popup.AppendMenu(MF_STRING, IDCANCEL, "关闭");
        EXPECT_EQ(popup.GetMenuItemCount(), 1);
        hPopup = popup.m_hMenu;
    }
    EXPECT_FALSE(::IsMenu(hPopup));  // an owned menu dies with its object
    dlg.DestroyWindow();
}

}  // namespace

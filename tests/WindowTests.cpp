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

using Strings = std::vector<std::string>;

class CProbeDlg;
using Action = std::function<void(CProbeDlg&)>;
void Nothing(CProbeDlg&) {}

// Records every handler it reaches, in order.
class CProbeDlg : public CDialog {
public:
    explicit CProbeDlg(UINT nIDTemplate = IDD_PROBE) : CDialog(nIDTemplate) {}

    CStatic m_staticA, m_staticB1;
    Strings m_calls;
    std::vector<UINT> m_preTranslated;
    Action m_onInit = Nothing, m_onTimer = Nothing;
    bool m_bBindMissingControl = false, m_bShown = false;
    CWnd* m_pCursorWnd = nullptr;
    BOOL m_bCursorResult = TRUE;
    CStringArray m_emptyTable;

    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        m_calls.push_back("init");
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
        static CStatic missing;
        if (m_bBindMissingControl)
            DDX_Control(pDX, IDC_PROBE_MISSING, missing);
    }

    static std::string At(CPoint point) { return " at " + std::to_string(point.x) + "," + std::to_string(point.y); }
    void OnOK() override { m_calls.push_back("ok"); CDialog::OnOK(); }
    void OnCancel() override { m_calls.push_back("cancel"); CDialog::OnCancel(); }
    void OnTimer(UINT_PTR nIDEvent) { m_calls.push_back("timer " + std::to_string(nIDEvent)); m_onTimer(*this); }
    void OnMouseMove(UINT nFlags, CPoint p) { m_calls.push_back("move " + std::to_string(nFlags) + At(p)); Default(); }
    void OnLButtonDown(UINT, CPoint point) { m_calls.push_back("down" + At(point)); }
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message)
    {
        m_calls.push_back("cursor " + std::to_string(message) + " hit " + std::to_string(nHitTest));
        m_pCursorWnd = pWnd;
        return m_bCursorResult;
    }
    HCURSOR OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(0x1234); }
    LRESULT OnProbeMessage(WPARAM wParam, LPARAM lParam)
    {
        m_calls.push_back("probe " + std::to_string(wParam) + " " + std::to_string(lParam));
        return 42;
    }
    LRESULT OnShowWindowMessage(WPARAM wParam, LPARAM) { m_bShown = m_bShown || wParam != 0; return Default(); }
    void OnAClicked() { m_calls.push_back("A clicked"); }
    void OnADoubleClicked() { m_calls.push_back("A double-clicked"); }
    void OnBClicked(UINT nID) { m_calls.push_back("B clicked " + std::to_string(nID)); }
    void OnProbeCommand() { m_calls.push_back("command"); }
    void OnBadIndex() { m_calls.push_back("before"); m_emptyTable.GetAt(3); m_calls.push_back("after"); }

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

// The probe created without a modal loop, so that a test can send it messages.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApp().m_messages.clear();
        TestApp().m_answers.clear();
        ASSERT_TRUE(m_dlg.Create(IDD_PROBE));
        m_dlg.m_calls.clear();
    }
    void TearDown() override { m_dlg.DestroyWindow(); }

    HWND Item(int nID) const { return ::GetDlgItem(m_dlg.m_hWnd, nID); }
    CProbeDlg m_dlg;
};

TEST_F(WindowTest, NotificationsCommandsAndMessagesReachTheirEntriesAndAFailingHandlerIsReported)
{
    // Real clicks on the statics: the controls themselves send the notifications.
    ::SendMessageA(Item(IDC_PROBE_A), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    ::SendMessageA(Item(IDC_PROBE_A), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(2, 2));
    ::SendMessageA(Item(IDC_PROBE_B2), WM_LBUTTONDOWN, MK_LBUTTON, 0);
    ::SendMessageA(Item(IDC_PROBE_B3), WM_LBUTTONDOWN, MK_LBUTTON, 0);
    // A menu command or accelerator has no control and counts as a command whatever its code.
    m_dlg.SendMessage(WM_COMMAND, MAKEWPARAM(ID_PROBE_COMMAND, 0), 0);
    m_dlg.SendMessage(WM_COMMAND, MAKEWPARAM(ID_PROBE_COMMAND, 1), 0);
    // A notification with a code nobody maps goes to default processing, unseen.
    m_dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_PROBE_A, STN_ENABLE), reinterpret_cast<LPARAM>(Item(IDC_PROBE_A)));
    // An invalid argument in a handler is reported and the handler abandoned; the window goes on.
    const LPARAM hPlain = reinterpret_cast<LPARAM>(Item(IDC_PROBE_PLAIN));
    m_dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_PROBE_PLAIN, STN_DBLCLK), hPlain);
    ASSERT_EQ(TestApp().m_messages.size(), 1u);
    EXPECT_STREQ(TestApp().m_messages[0].text, "An invalid argument was encountered.");
    EXPECT_EQ(TestApp().m_messages[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONSTOP));

    m_dlg.SendMessage(WM_TIMER, 1);
    m_dlg.SendMessage(WM_MOUSEMOVE, MK_SHIFT, MAKELPARAM(-5, -7));  // left of and above the window: still signed
    m_dlg.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(120, 33));
    EXPECT_EQ(m_dlg.SendMessage(WM_APP + 5, 7, 9), 42);
    EXPECT_EQ(m_dlg.SendMessage(WM_QUERYDRAGICON), 0x1234);

    const WPARAM hA = reinterpret_cast<WPARAM>(Item(IDC_PROBE_A));
    EXPECT_EQ(m_dlg.SendMessage(WM_SETCURSOR, hA, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), TRUE);
    EXPECT_EQ(m_dlg.m_pCursorWnd, &m_dlg.m_staticA);  // the bound member, not a stand-in
    m_dlg.m_bCursorResult = FALSE;
    const WPARAM hDlg = reinterpret_cast<WPARAM>(m_dlg.m_hWnd);
    EXPECT_EQ(m_dlg.SendMessage(WM_SETCURSOR, hDlg, MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)), FALSE);
    EXPECT_EQ(m_dlg.m_pCursorWnd, &m_dlg);

    EXPECT_EQ(m_dlg.m_calls, (Strings{"A clicked", "A double-clicked", "B clicked 302", "B clicked 303", "command",
                                      "command", "before", "timer 1", "move 4 at -5,-7", "down at 120,33", "probe 7 9",
                                      "cursor 512 hit 1", "cursor 513 hit 1"}));
}

TEST_F(WindowTest, DataExchangeBindsControlsToMembers)
{
    EXPECT_EQ(m_dlg.m_staticA.m_hWnd, Item(IDC_PROBE_A));
    EXPECT_EQ(m_dlg.GetDlgItem(IDC_PROBE_A), &m_dlg.m_staticA);
    EXPECT_EQ(m_dlg.GetDlgItem(IDC_PROBE_B1), &m_dlg.m_staticB1);
    EXPECT_EQ(CWnd::FromHandlePermanent(Item(IDC_PROBE_B1)), &m_dlg.m_staticB1);
    // An unbound control is handed out as a stand-in for its handle.
    CWnd* pPlain = m_dlg.GetDlgItem(IDC_PROBE_PLAIN);
    ASSERT_NE(pPlain, nullptr);
    EXPECT_EQ(pPlain->m_hWnd, Item(IDC_PROBE_PLAIN));
    EXPECT_EQ(CWnd::FromHandlePermanent(pPlain->m_hWnd), nullptr);
    EXPECT_EQ(m_dlg.GetDlgItem(IDC_PROBE_MISSING), nullptr);

    // A second exchange changes nothing; destroying the window detaches every member.
    HWND hA = m_dlg.m_staticA.m_hWnd;
    m_dlg.UpdateData(FALSE);
    EXPECT_EQ(m_dlg.m_staticA.m_hWnd, hA);
    m_dlg.DestroyWindow();
    EXPECT_EQ(m_dlg.m_hWnd, nullptr);
    EXPECT_EQ(m_dlg.m_staticA.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(hA), nullptr);

    // A control the exchange names but the template lacks is an invalid argument.
    CProbeDlg broken;
    broken.m_bBindMissingControl = true;
    ASSERT_TRUE(broken.Create(IDD_PROBE));
    ASSERT_EQ(TestApp().m_messages.size(), 1u);
    EXPECT_STREQ(TestApp().m_messages[0].text, "An invalid argument was encountered.");
    broken.DestroyWindow();
}

TEST(ModalWindowTest, ModalDialogRunsUntilEndedAndReturnsTheResult)
{
    const struct { const char* what; Action onInit; INT_PTR result; const char* lastCall; bool bShown; } runs[] = {
        // Esc goes through the dialog manager to OnCancel; Enter, with no control taking it, is the framework's OK.
        {"Esc", [](CProbeDlg& d) { d.PostMessage(WM_KEYDOWN, VK_ESCAPE, 0); }, IDCANCEL, "cancel", true},
        {"Enter", [](CProbeDlg& d) { d.PostMessage(WM_KEYDOWN, VK_RETURN, 0); }, IDOK, "ok", true},
        {"ended during its initialisation", [](CProbeDlg& d) { d.EndDialog(IDCANCEL); }, IDCANCEL, "init", false},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.what);
        CProbeDlg dlg;
        dlg.m_onInit = [&](CProbeDlg& d) { ::PostMessageA(d.m_staticA.m_hWnd, WM_APP + 9, 0, 0); run.onInit(d); };
        EXPECT_EQ(dlg.DoModal(), run.result);
        EXPECT_EQ(dlg.m_calls.back(), run.lastCall);
        EXPECT_EQ(dlg.m_hWnd, nullptr);
        EXPECT_EQ(dlg.m_bShown, run.bShown);
        // Only a running loop pretranslates; for a child's message the walk up the parents reaches the dialog.
        const std::vector<UINT>& seen = dlg.m_preTranslated;
        EXPECT_EQ(std::count(seen.begin(), seen.end(), WM_APP + 9u), run.bShown ? 1 : 0);
    }

    CProbeDlg broken(IDD_PROBE_BROKEN);
    EXPECT_EQ(broken.DoModal(), -1);
    EXPECT_EQ(broken.m_hWnd, nullptr);
    EXPECT_EQ(std::find(broken.m_calls.begin(), broken.m_calls.end(), "init"), broken.m_calls.end());
}

// Runs the dialog modally; its window rectangle during and after its initialisation.
std::pair<CRect, CRect> RunAndMeasure(UINT nIDTemplate, const Action& onInit = Nothing)
{
    std::pair<CRect, CRect> placement;
    CProbeDlg dlg(nIDTemplate);
    dlg.m_onInit = [&](CProbeDlg& d) {
        onInit(d);
        d.GetWindowRect(&placement.first);
        d.SetTimer(77, 1, nullptr);
    };
    dlg.m_onTimer = [&](CProbeDlg& d) { d.GetWindowRect(&placement.second); d.EndDialog(IDOK); };
    dlg.DoModal();
    return placement;
}

TEST(ModalWindowTest, ModalDialogAtTheOriginIsCentredAfterItsInitialisation)
{
    CRect area;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    const auto [during, after] = RunAndMeasure(IDD_PROBE);
    EXPECT_EQ(during.TopLeft(), CPoint(0, 0));
    EXPECT_EQ(after.Width(), during.Width());
    EXPECT_EQ(after.left, area.left + (area.Width() - after.Width()) / 2);
    EXPECT_EQ(after.top, area.top + (area.Height() - after.Height()) / 2);

    // Placed by its template, or moved during its initialisation: left where it is.
    const auto [placedDuring, placedAfter] = RunAndMeasure(IDD_PROBE_PLACED);
    EXPECT_NE(placedDuring.TopLeft(), CPoint(0, 0));
    EXPECT_EQ(placedAfter, placedDuring);
    EXPECT_EQ(RunAndMeasure(IDD_PROBE, [](CProbeDlg& d) { d.MoveWindow(5, 6, 300, 200); }).second,
              CRect(5, 6, 305, 206));
}

TEST_F(WindowTest, MessageBoxesGoThroughTheApplication)
{
    AfxMessageBox("频道列表配置错误！", MB_OKCANCEL, 1);
    AfxMessageBox("stop", MB_OK | MB_ICONSTOP);
    TestApp().m_answers = {IDNO};
    EXPECT_EQ(m_dlg.MessageBox("确定要退出?", "提示", MB_YESNO), IDNO);

    ASSERT_EQ(TestApp().m_messages.size(), 3u);
    const RecordedMessageBox& first = TestApp().m_messages[0];
    EXPECT_STREQ(first.text, "频道列表配置错误！");
    EXPECT_EQ(first.type, static_cast<UINT>(MB_OKCANCEL | MB_ICONEXCLAMATION));
    char module[MAX_PATH];
    ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    const std::string path(module), name = path.substr(path.find_last_of('\\') + 1);
    EXPECT_EQ(std::string(first.caption), name.substr(0, name.size() - 4));  // the module's name, no ".exe"
    EXPECT_EQ(TestApp().m_messages[1].type, static_cast<UINT>(MB_OK | MB_ICONSTOP));
    const RecordedMessageBox& question = TestApp().m_messages[2];
    EXPECT_STREQ(question.caption, "提示");
    EXPECT_EQ(question.type, static_cast<UINT>(MB_YESNO));  // a window's own box gets no icon added
    EXPECT_EQ(question.owner, m_dlg.m_hWnd);
}

TEST_F(WindowTest, BitmapStaticsTakeTheirBitmapsSizeAndMenusBelongToTheirOwners)
{
    m_dlg.m_staticA.ModifyStyle(0, SS_BITMAP, 0);
    EXPECT_EQ(m_dlg.m_staticA.GetStyle() & SS_TYPEMASK, static_cast<DWORD>(SS_BITMAP));
    HBITMAP first = ::CreateBitmap(30, 20, 1, 32, nullptr), second = ::CreateBitmap(12, 9, 1, 32, nullptr);
    EXPECT_EQ(m_dlg.m_staticA.SetBitmap(first), nullptr);
    EXPECT_EQ(m_dlg.m_staticA.SetBitmap(second), first);
    EXPECT_EQ(m_dlg.m_staticA.GetBitmap(), second);
    CRect rc;
    m_dlg.m_staticA.GetWindowRect(&rc);
    EXPECT_EQ(rc.Width(), 12);
    EXPECT_EQ(rc.Height(), 9);

    CMenu* pSysMenu = m_dlg.GetSystemMenu(FALSE);
    ASSERT_NE(pSysMenu, nullptr);
    const int before = pSysMenu->GetMenuItemCount();
    pSysMenu->AppendMenu(MF_SEPARATOR);
    pSysMenu->AppendMenu(MF_STRING, 0x0010, "关于 Pelio(&A)...");
    ASSERT_EQ(pSysMenu->GetMenuItemCount(), before + 2);
    EXPECT_EQ(pSysMenu->GetMenuItemID(before + 1), 0x0010u);
    CString item;
    pSysMenu->GetMenuString(0x0010, item, MF_BYCOMMAND);
    EXPECT_STREQ(item, "关于 Pelio(&A)...");
    CWnd::DeleteTempMap();
    // The window menu belongs to the window: dropping the stand-in leaves it alone.
    EXPECT_TRUE(::IsMenu(::GetSystemMenu(m_dlg.m_hWnd, FALSE)));

    HMENU hPopup;
    {
        CMenu popup;
        ASSERT_TRUE(popup.CreatePopupMenu());
        popup.AppendMenu(MF_STRING, IDCANCEL, "关闭");
        EXPECT_EQ(popup.GetMenuItemCount(), 1);
        hPopup = popup.m_hMenu;
    }
    EXPECT_FALSE(::IsMenu(hPopup));  // an owned menu dies with its object
    m_dlg.DestroyWindow();
    ::DeleteObject(first);
    ::DeleteObject(second);
}

}  // namespace

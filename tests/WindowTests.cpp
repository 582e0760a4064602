// The window side of the framework, driven through real dialogs from real templates.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
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
    bool m_bBindMissingControl = false, m_bShown = false, m_bDestroyed = false;
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

    void OnOK() override { m_calls.push_back("ok"); CDialog::OnOK(); }
    void OnCancel() override { m_calls.push_back("cancel"); CDialog::OnCancel(); }
    void OnTimer(UINT_PTR nIDEvent) { m_calls.push_back("timer " + std::to_string(nIDEvent)); m_onTimer(*this); }
    void OnMouseMove(UINT nFlags, CPoint p)
    {
        m_calls.push_back("move " + std::to_string(nFlags) + " at " + std::to_string(p.x) + "," + std::to_string(p.y));
        Default();
    }
    // The window is the bound member or the dialog itself, never a stand-in; the answer reaches the sender.
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message)
    {
        const char* where = pWnd == &m_staticA ? " on A" : pWnd == this ? " on the dialog" : " elsewhere";
        m_calls.push_back("cursor " + std::to_string(message) + " hit " + std::to_string(nHitTest) + where);
        return message == WM_MOUSEMOVE;
    }
    LRESULT OnProbeMessage(WPARAM wParam, LPARAM lParam)
    {
        m_calls.push_back("probe " + std::to_string(wParam) + " " + std::to_string(lParam));
        return 42;
    }
    LRESULT OnShowWindowMessage(WPARAM wParam, LPARAM) { m_bShown = m_bShown || wParam != 0; return Default(); }
    void OnAClicked() { m_calls.push_back("A clicked"); }
    void OnBClicked(UINT nID) { m_calls.push_back("B clicked " + std::to_string(nID)); }
    void OnDoubleClicked(UINT nID) { m_calls.push_back("double-clicked " + std::to_string(nID)); }
    void OnProbeCommand() { m_calls.push_back("command"); }
    void OnBadIndex() { m_calls.push_back("before"); m_emptyTable.GetAt(3); m_calls.push_back("after"); }
    void OnDestroy() { m_bDestroyed = true; CDialog::OnDestroy(); }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CProbeDlg, CDialog)
    ON_WM_TIMER()
    ON_WM_MOUSEMOVE()
    ON_WM_SETCURSOR()
    ON_WM_DESTROY()
    ON_MESSAGE(WM_APP + 5, OnProbeMessage)
    ON_MESSAGE(WM_SHOWWINDOW, OnShowWindowMessage)
    ON_STN_CLICKED(IDC_PROBE_A, OnAClicked)
    ON_CONTROL_RANGE(STN_CLICKED, IDC_PROBE_B1, IDC_PROBE_B3, OnBClicked)
    ON_CONTROL_RANGE(STN_DBLCLK, IDC_PROBE_A, IDC_PROBE_B3, OnDoubleClicked)
    ON_COMMAND(ID_PROBE_COMMAND, OnProbeCommand)
    ON_STN_CLICKED(IDC_PROBE_PLAIN, OnBadIndex)
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
    ::SendMessageA(Item(IDC_PROBE_B3), WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
    // A menu command or accelerator has no control and counts as a command whatever its code.
    m_dlg.SendMessage(WM_COMMAND, MAKEWPARAM(ID_PROBE_COMMAND, 0), 0);
    m_dlg.SendMessage(WM_COMMAND, MAKEWPARAM(ID_PROBE_COMMAND, 1), 0);
    // A notification with a code nobody maps goes to default processing, unseen.
    m_dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_PROBE_A, STN_ENABLE), reinterpret_cast<LPARAM>(Item(IDC_PROBE_A)));
    // An invalid argument in a handler is reported and the handler abandoned; the window goes on.
    const LPARAM hPlain = reinterpret_cast<LPARAM>(Item(IDC_PROBE_PLAIN));
    m_dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_PROBE_PLAIN, STN_CLICKED), hPlain);
    ASSERT_EQ(TestApp().m_messages.size(), 1u);
    EXPECT_STREQ(TestApp().m_messages[0].text, "An invalid argument was encountered.");
    EXPECT_EQ(TestApp().m_messages[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONSTOP));

    m_dlg.SendMessage(WM_TIMER, 1);
    m_dlg.SendMessage(WM_MOUSEMOVE, MK_SHIFT, MAKELPARAM(-5, -7));  // left of and above the window: still signed
    EXPECT_EQ(m_dlg.SendMessage(WM_APP + 5, 7, 9), 42);

    const WPARAM hA = reinterpret_cast<WPARAM>(Item(IDC_PROBE_A)), hDlg = reinterpret_cast<WPARAM>(m_dlg.m_hWnd);
    EXPECT_EQ(m_dlg.SendMessage(WM_SETCURSOR, hA, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), TRUE);
    EXPECT_EQ(m_dlg.SendMessage(WM_SETCURSOR, hDlg, MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)), FALSE);
    m_dlg.DestroyWindow();
    EXPECT_TRUE(m_dlg.m_bDestroyed);

    EXPECT_EQ(m_dlg.m_calls, (Strings{"A clicked", "double-clicked 300", "B clicked 302", "double-clicked 303",
                                      "command", "command", "before", "timer 1", "move 4 at -5,-7", "probe 7 9",
                                      "cursor 512 hit 1 on A", "cursor 513 hit 1 on the dialog"}));
}

TEST_F(WindowTest, DataExchangeBindsControlsToMembers)
{
    EXPECT_EQ(m_dlg.GetDlgItem(IDC_PROBE_A), &m_dlg.m_staticA);
    EXPECT_EQ(CWnd::FromHandlePermanent(Item(IDC_PROBE_B1)), &m_dlg.m_staticB1);
    // An unbound control is handed out as a stand-in for its handle.
    EXPECT_EQ(m_dlg.GetDlgItem(IDC_PROBE_PLAIN)->m_hWnd, Item(IDC_PROBE_PLAIN));
    EXPECT_EQ(CWnd::FromHandlePermanent(Item(IDC_PROBE_PLAIN)), nullptr);
    EXPECT_EQ(m_dlg.GetDlgItem(IDC_PROBE_MISSING), nullptr);

    // Destroying the window detaches every member.
    HWND hA = m_dlg.m_staticA.m_hWnd;
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
    const auto post = [](UINT vk) { return [vk](CProbeDlg& d) { ::PostMessageA(d.m_hWnd, WM_KEYDOWN, vk, 0); }; };
    const struct { const char* what; Action onInit; INT_PTR result; const char* lastCall; bool bShown; } runs[] = {
        // Esc goes through the dialog manager to OnCancel; Enter, with no control taking it, is the framework's OK.
        {"Esc", post(VK_ESCAPE), IDCANCEL, "cancel", true},
        {"Enter", post(VK_RETURN), IDOK, "ok", true},
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
    EXPECT_TRUE(broken.m_calls.empty());
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
    EXPECT_EQ(during.left, 0);
    EXPECT_EQ(during.top, 0);
    EXPECT_EQ(after.left, area.left + (area.Width() - after.Width()) / 2);
    EXPECT_EQ(after.top, area.top + (area.Height() - after.Height()) / 2);

    // Placed by its template, or moved during its initialisation: left where it is.
    const auto [placedDuring, placedAfter] = RunAndMeasure(IDD_PROBE_PLACED);
    EXPECT_NE(placedDuring.left, 0);
    EXPECT_EQ(placedAfter, placedDuring);
    const CRect moved = RunAndMeasure(IDD_PROBE, [](CProbeDlg& d) { d.MoveWindow(5, 6, 300, 200, TRUE); }).second;
    EXPECT_EQ(std::make_pair(moved.left, moved.bottom), std::make_pair(5L, 206L));
}

TEST_F(WindowTest, MessageBoxesGoThroughTheApplication)
{
    AfxMessageBox("频道列表配置错误！", MB_OKCANCEL, 1);
    TestApp().m_answers = {IDNO};
    EXPECT_EQ(m_dlg.MessageBox("确定要退出?", "提示", MB_YESNO), IDNO);

    ASSERT_EQ(TestApp().m_messages.size(), 2u);
    const RecordedMessageBox& first = TestApp().m_messages[0];
    EXPECT_STREQ(first.text, "频道列表配置错误！");
    EXPECT_EQ(first.type, static_cast<UINT>(MB_OKCANCEL | MB_ICONEXCLAMATION));
    EXPECT_STREQ(first.caption, "framework_tests");  // the module's name
    EXPECT_EQ(first.helpId, 1u);
    const RecordedMessageBox& question = TestApp().m_messages[1];
    EXPECT_STREQ(question.caption, "提示");
    EXPECT_EQ(question.type, static_cast<UINT>(MB_YESNO));  // a window's own box gets no icon added
    EXPECT_EQ(question.owner, m_dlg.m_hWnd);
    EXPECT_EQ(question.helpId, 0u);
}

TEST_F(WindowTest, MenusBelongToTheirOwners)
{
    // The window menu belongs to the window: dropping its stand-in leaves it alone.
    const HMENU hSysMenu = m_dlg.GetSystemMenu(FALSE)->m_hMenu;
    EXPECT_EQ(hSysMenu, ::GetSystemMenu(m_dlg.m_hWnd, FALSE));
    CWnd::DeleteTempMap();
    EXPECT_TRUE(::IsMenu(hSysMenu));
    // An owned menu dies with its object.
    auto popup = std::make_unique<CMenu>();
    ASSERT_TRUE(popup->CreatePopupMenu());
    const HMENU hPopup = popup->m_hMenu;
    popup.reset();
    EXPECT_FALSE(::IsMenu(hPopup));
}

}  // namespace

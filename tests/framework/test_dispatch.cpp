#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "framework/Collections.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/Module.h"
#include "framework/WinApp.h"
#include "tests/framework/test_resource.h"
#include "tests/framework/test_support.h"

namespace {

const UINT g_nRegisteredMsg = ::RegisterWindowMessageW(L"QUILLON_TEST_REGISTERED");

// A list that answers LVN_GETDISPINFOW and LVN_INSERTITEM itself; whether its
// parent also sees them is its choice.
class CReflectingList : public CListCtrl
{
public:
    BOOL m_bParentSeesToo = TRUE;
    std::vector<UINT> m_codes;

protected:
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override
    {
        if (message == WM_REFLECT_NOTIFY)
        {
            NMHDR* pNMHDR = reinterpret_cast<NMHDR*>(lParam);
            m_codes.push_back(pNMHDR->code);
            if (pNMHDR->code == LVN_GETDISPINFOW)
            {
                auto* pInfo = reinterpret_cast<NMLVDISPINFOW*>(pNMHDR);
                if (pInfo->item.mask & LVIF_TEXT)
                    lstrcpynW(pInfo->item.pszText, L"vom Steuerelement", pInfo->item.cchTextMax);
                *pResult = 0;
                return !m_bParentSeesToo;
            }
            if (pNMHDR->code == LVN_INSERTITEM)
            {
                *pResult = 0;
                return !m_bParentSeesToo;
            }
        }
        return CListCtrl::OnWndMsg(message, wParam, lParam, pResult);
    }
};

class CDispatchDialog : public CDialog
{
public:
    CDispatchDialog() : CDialog(IDD_TEST_DIALOG) {}
    ~CDispatchDialog() override { DestroyWindow(); }

    CReflectingList m_list;
    std::vector<std::pair<UINT, UINT>> m_commands;
    std::vector<std::pair<UINT, UINT>> m_notifications;
    WPARAM m_lastRegisteredWParam = 0;
    bool m_bThrowOnApp2 = false;
    CString m_strTextSeenAfterDefault;

protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, IDC_TEST_LIST, m_list); }

    BOOL OnCommand(UINT nID, UINT nCode) override
    {
        if (nID == IDC_TEST_BUTTON)
        {
            m_commands.emplace_back(nID, nCode);
            return TRUE;
        }
        return CDialog::OnCommand(nID, nCode);
    }

    BOOL OnNotify(UINT nID, NMHDR* pNMHDR, LRESULT* pResult) override
    {
        m_notifications.emplace_back(nID, pNMHDR->code);
        *pResult = 0;
        return TRUE;
    }

    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override
    {
        // Registered messages have no fixed number: tested before the switch.
        if (message == g_nRegisteredMsg)
        {
            m_lastRegisteredWParam = wParam;
            *pResult = 0x12345;
            return TRUE;
        }
        switch (message)
        {
        case WM_APP + 2:
        {
            CArray<int> empty;
            *pResult = empty.GetAt(3);  // throws: the boundary must hold
            return TRUE;
        }
        case WM_SETTEXT:
            // The default processing runs inside the handler and sets the text.
            *pResult = Default();
            m_strTextSeenAfterDefault = GetWindowText();
            return TRUE;
        default:
            return CDialog::OnWndMsg(message, wParam, lParam, pResult);
        }
    }
};

int InsertItem(CListCtrl& list, LPCWSTR text)
{
    return list.InsertItem(LVIF_TEXT, list.GetItemCount(), text, 0, 0, 0, 0);
}

}  // namespace

TEST(DispatchTest, ButtonClickArrivesAsCommand)
{
    CDispatchDialog dlg;
    ASSERT_TRUE(dlg.Create(IDD_TEST_DIALOG));
    ::SendMessageW(::GetDlgItem(dlg.m_hWnd, IDC_TEST_BUTTON), BM_CLICK, 0, 0);
    ASSERT_EQ(1u, dlg.m_commands.size());
    EXPECT_EQ(static_cast<UINT>(IDC_TEST_BUTTON), dlg.m_commands[0].first);
    EXPECT_EQ(static_cast<UINT>(BN_CLICKED), dlg.m_commands[0].second);
}

TEST(DispatchTest, NotificationReachesTheParentWhenTheControlLetsIt)
{
    CDispatchDialog dlg;
    ASSERT_TRUE(dlg.Create(IDD_TEST_DIALOG));
    dlg.m_list.InsertColumn(0, L"Path", LVCFMT_LEFT, 100);
    dlg.m_list.m_bParentSeesToo = TRUE;
    ASSERT_EQ(0, InsertItem(dlg.m_list, L"a"));

    // Reflected to the control first, then handed to the parent.
    ASSERT_EQ(1u, dlg.m_list.m_codes.size());
    EXPECT_EQ(static_cast<UINT>(LVN_INSERTITEM), dlg.m_list.m_codes[0]);
    ASSERT_FALSE(dlg.m_notifications.empty());
    EXPECT_EQ(static_cast<UINT>(IDC_TEST_LIST), dlg.m_notifications.back().first);
    EXPECT_EQ(static_cast<UINT>(LVN_INSERTITEM), dlg.m_notifications.back().second);
}

TEST(DispatchTest, ReflectedNotificationAnsweredByTheControlStaysThere)
{
    CDispatchDialog dlg;
    ASSERT_TRUE(dlg.Create(IDD_TEST_DIALOG));
    dlg.m_list.InsertColumn(0, L"Path", LVCFMT_LEFT, 100);
    dlg.m_list.m_bParentSeesToo = FALSE;
    dlg.m_notifications.clear();
    dlg.m_list.InsertItem(LVIF_TEXT, 0, LPSTR_TEXTCALLBACKW, 0, 0, 0, 0);

    // The list asks for the text; the control's own answer comes back.
    EXPECT_STREQ(L"vom Steuerelement", dlg.m_list.GetItemText(0, 0));
    for (const auto& n : dlg.m_notifications)
    {
        EXPECT_NE(static_cast<UINT>(LVN_GETDISPINFOW), n.second);
        EXPECT_NE(static_cast<UINT>(LVN_INSERTITEM), n.second);
    }
    EXPECT_NE(dlg.m_list.m_codes.end(),
              std::find(dlg.m_list.m_codes.begin(), dlg.m_list.m_codes.end(), static_cast<UINT>(LVN_GETDISPINFOW)));
}

TEST(DispatchTest, RegisteredMessageIsHandledAndItsResultReturned)
{
    CDispatchDialog dlg;
    ASSERT_TRUE(dlg.Create(IDD_TEST_DIALOG));
    ASSERT_NE(0u, g_nRegisteredMsg);
    EXPECT_EQ(0x12345, dlg.SendMessage(g_nRegisteredMsg, 77, 0));
    EXPECT_EQ(77u, dlg.m_lastRegisteredWParam);
}

TEST(DispatchTest, DefaultRunsTheSystemsProcessingOfTheCurrentMessage)
{
    CDispatchDialog dlg;
    ASSERT_TRUE(dlg.Create(IDD_TEST_DIALOG));
    dlg.SetWindowText(L"Neuer Titel – ä");
    EXPECT_STREQ(L"Neuer Titel – ä", dlg.m_strTextSeenAfterDefault);
    EXPECT_STREQ(L"Neuer Titel – ä", dlg.GetWindowText());
}

TEST(DispatchTest, ExceptionInAHandlerDoesNotCrossIntoTheSystem)
{
    CDispatchDialog dlg;
    ASSERT_TRUE(dlg.Create(IDD_TEST_DIALOG));
    EXPECT_EQ(0, dlg.SendMessage(WM_APP + 2));
    // The window is still alive and dispatching.
    EXPECT_EQ(0x12345, dlg.SendMessage(g_nRegisteredMsg, 1, 0));
}

namespace {
class CHelpApp : public CWinApp
{
public:
    int m_nHelpCalls = 0;
    void OnHelp() override { ++m_nHelpCalls; }
};
}  // namespace

TEST(DispatchTest, HelpCommandOfTheMainWindowReachesTheApplication)
{
    CHelpApp app;
    CDispatchDialog dlg;
    ASSERT_TRUE(dlg.Create(IDD_TEST_DIALOG));

    // Not the main window: the application is not asked.
    dlg.SendMessage(WM_COMMAND, ID_HELP, 0);
    EXPECT_EQ(0, app.m_nHelpCalls);

    app.m_pMainWnd = &dlg;
    dlg.SendMessage(WM_COMMAND, ID_HELP, 0);
    EXPECT_EQ(1, app.m_nHelpCalls);

    // F1 arrives as WM_HELP and becomes the same command.
    HELPINFO info = {};
    info.cbSize = sizeof(info);
    dlg.SendMessage(WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(2, app.m_nHelpCalls);
    app.m_pMainWnd = nullptr;
}

TEST(WindowMapTest, FromHandleWrapsAWindowWeDidNotCreate)
{
    HWND hWnd = ::CreateWindowExW(0, L"STATIC", L"fremd", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, hWnd);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hWnd));
    CWnd* pTemp = CWnd::FromHandle(hWnd);
    ASSERT_NE(nullptr, pTemp);
    EXPECT_EQ(hWnd, pTemp->m_hWnd);
    EXPECT_EQ(pTemp, CWnd::FromHandle(hWnd));
    EXPECT_STREQ(L"fremd", pTemp->GetWindowText());
    // A temporary object is not a binding.
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hWnd));
    AfxDeleteTempMaps();

    CWnd attached;
    ASSERT_TRUE(attached.Attach(hWnd));
    EXPECT_EQ(&attached, CWnd::FromHandle(hWnd));
    CWnd second;
    EXPECT_FALSE(second.Attach(hWnd));
    EXPECT_EQ(hWnd, attached.Detach());
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hWnd));

    EXPECT_EQ(nullptr, CWnd::FromHandle(nullptr));
    ::DestroyWindow(hWnd);
}

TEST(WindowMapTest, DestroyedWindowDetachesItsObject)
{
    class CCountingWnd : public CWnd
    {
    public:
        int m_nPostNcDestroy = 0;

    protected:
        void PostNcDestroy() override { ++m_nPostNcDestroy; }
    } wnd;
    const RECT rc = {0, 0, 40, 40};
    ASSERT_TRUE(wnd.CreateEx(0, L"STATIC", L"x", WS_POPUP, rc, nullptr, 0));
    HWND hWnd = wnd.m_hWnd;
    EXPECT_EQ(&wnd, CWnd::FromHandlePermanent(hWnd));
    ::DestroyWindow(hWnd);
    EXPECT_EQ(nullptr, wnd.m_hWnd);
    EXPECT_EQ(1, wnd.m_nPostNcDestroy);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hWnd));
}

TEST(WindowMapTest, WrapperDyingBeforeItsWindowUnhooksIt)
{
    HWND hWnd = nullptr;
    {
        CWnd wnd;
        const RECT rc = {0, 0, 40, 40};
        ASSERT_TRUE(wnd.CreateEx(0, L"STATIC", L"alt", WS_POPUP, rc, nullptr, 0));
        hWnd = wnd.m_hWnd;
    }
    ASSERT_TRUE(::IsWindow(hWnd));
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hWnd));
    // Messages still work: they reach the system's procedure, not a dead object.
    ::SetWindowTextW(hWnd, L"neu");
    wchar_t text[16] = {};
    ::GetWindowTextW(hWnd, text, 16);
    EXPECT_STREQ(L"neu", text);
    ::DestroyWindow(hWnd);
}

namespace {

// Counts messages passing a hook set by someone else on top of ours.
LRESULT CALLBACK ForeignHook(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR dwRefData)
{
    if (message == WM_SETTEXT)
        ++*reinterpret_cast<int*>(dwRefData);
    return ::DefSubclassProc(hWnd, message, wParam, lParam);
}

class CTextCountingWnd : public CWnd
{
public:
    int m_nSetText = 0;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_SETTEXT)
            ++m_nSetText;
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

}  // namespace

// Our hook may end up below another one; letting go of the window then must
// keep the chain whole, and a new object of ours is served by the hook still
// in place.
TEST(WindowMapTest, HookBelowAnotherStaysInTheChainAndServesTheNextObject)
{
    const RECT rc = {0, 0, 40, 40};
    HWND hWnd = nullptr;
    int nForeign = 0;
    {
        CTextCountingWnd first;
        ASSERT_TRUE(first.CreateEx(0, L"STATIC", L"alt", WS_POPUP, rc, nullptr, 0));
        hWnd = first.m_hWnd;
        ASSERT_TRUE(::SetWindowSubclass(hWnd, ForeignHook, 1, reinterpret_cast<DWORD_PTR>(&nForeign)));
        ::SetWindowTextW(hWnd, L"eins");
        EXPECT_EQ(1, first.m_nSetText);
        EXPECT_EQ(hWnd, first.Detach());
        ::SetWindowTextW(hWnd, L"zwei");
        EXPECT_EQ(1, first.m_nSetText);
    }
    EXPECT_EQ(2, nForeign);
    wchar_t text[16] = {};
    ::GetWindowTextW(hWnd, text, 16);
    EXPECT_STREQ(L"zwei", text);

    CTextCountingWnd second;
    ASSERT_TRUE(second.SubclassWindow(hWnd));
    ::SetWindowTextW(hWnd, L"drei");
    EXPECT_EQ(1, second.m_nSetText);
    EXPECT_EQ(3, nForeign);
    ::GetWindowTextW(hWnd, text, 16);
    EXPECT_STREQ(L"drei", text);
    ::RemoveWindowSubclass(hWnd, ForeignHook, 1);
    ::SetWindowTextW(hWnd, L"vier");
    EXPECT_EQ(2, second.m_nSetText);
    second.DestroyWindow();
    EXPECT_FALSE(::IsWindow(hWnd));
    EXPECT_EQ(nullptr, second.m_hWnd);
}

namespace {

// A control class of our own that counts what reaches its window procedure,
// so that a reflected message leaking into the control shows up.
int g_nProbeCommands = 0;
int g_nProbeNotifies = 0;

LRESULT CALLBACK ProbeClassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND)
    {
        ++g_nProbeCommands;
        return 77;
    }
    if (message == WM_NOTIFY)
    {
        ++g_nProbeNotifies;
        return 77;
    }
    return ::DefWindowProcW(hWnd, message, wParam, lParam);
}

LPCWSTR ProbeClassName()
{
    static const ATOM atom = [] {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = ProbeClassProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QuillonReflectProbe";
        return ::RegisterClassW(&wc);
    }();
    return atom != 0 ? L"QuillonReflectProbe" : nullptr;
}

class CReflectProbe : public CWnd
{
public:
    MSG m_seen = {};
    LRESULT m_defaultResult = -1;

protected:
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override
    {
        if (message == WM_REFLECT_COMMAND || message == WM_REFLECT_NOTIFY)
        {
            m_seen = *GetCurrentMessage();
            m_defaultResult = Default();
            *pResult = 0;
            return TRUE;
        }
        return CWnd::OnWndMsg(message, wParam, lParam, pResult);
    }
};

}  // namespace

TEST(DispatchTest, ReflectedMessageIsTheChildsOwnAndHasNoDefaultProcessing)
{
    ASSERT_NE(nullptr, ProbeClassName());
    CWnd parent;
    const RECT rc = {0, 0, 200, 100};
    ASSERT_TRUE(parent.CreateEx(0, L"STATIC", L"", WS_POPUP, rc, nullptr, 0));
    constexpr int kId = 55;
    HWND hChild = ::CreateWindowExW(0, ProbeClassName(), L"", WS_CHILD, 0, 0, 50, 20, parent.m_hWnd,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kId)),
                                    ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, hChild);
    CReflectProbe child;
    ASSERT_TRUE(child.SubclassWindow(hChild));

    NMHDR hdr = {hChild, kId, NM_CLICK};
    const struct
    {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    } cases[] = {
        {WM_COMMAND, MAKEWPARAM(kId, BN_CLICKED), reinterpret_cast<LPARAM>(hChild)},
        {WM_NOTIFY, kId, reinterpret_cast<LPARAM>(&hdr)},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.message);
        g_nProbeCommands = g_nProbeNotifies = 0;
        child.m_seen = MSG{};
        parent.SendMessage(c.message, c.wParam, c.lParam);
        EXPECT_EQ(hChild, child.m_seen.hwnd);
        EXPECT_EQ(WM_REFLECT_BASE + c.message, child.m_seen.message);
        EXPECT_EQ(c.wParam, child.m_seen.wParam);
        EXPECT_EQ(c.lParam, child.m_seen.lParam);
        EXPECT_EQ(0, child.m_defaultResult);
        EXPECT_EQ(0, g_nProbeCommands + g_nProbeNotifies);
    }
    parent.DestroyWindow();
}

namespace {

class CThrowingWnd : public CWnd
{
public:
    UINT m_nThrowOn = 0;
    bool m_bThrowInPostNcDestroy = false;
    int m_nPostNcDestroy = 0;

protected:
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override
    {
        if (message == m_nThrowOn)
            throw std::runtime_error("handler failed");
        return CWnd::OnWndMsg(message, wParam, lParam, pResult);
    }
    void PostNcDestroy() override
    {
        ++m_nPostNcDestroy;
        if (m_bThrowInPostNcDestroy)
            AfxThrowInvalidArgException();
    }
};

}  // namespace

TEST(DispatchTest, HandlerThatThrowsLeavesTheMessageItsDefaultProcessing)
{
    CThrowingWnd wnd;
    const RECT rc = {20, 20, 220, 120};
    ASSERT_TRUE(wnd.CreateEx(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE | SS_NOTIFY, rc, nullptr, 0));
    const LPARAM inside = MAKELPARAM(100, 60);
    const LRESULT normal = wnd.SendMessage(WM_NCHITTEST, 0, inside);
    ASSERT_NE(0, normal);
    wnd.m_nThrowOn = WM_NCHITTEST;
    EXPECT_EQ(normal, wnd.SendMessage(WM_NCHITTEST, 0, inside));

    wnd.m_bThrowInPostNcDestroy = true;
    HWND hWnd = wnd.m_hWnd;
    EXPECT_TRUE(::DestroyWindow(hWnd));
    EXPECT_EQ(1, wnd.m_nPostNcDestroy);
    EXPECT_EQ(nullptr, wnd.m_hWnd);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hWnd));
}

TEST(WindowOpsTest, SetWindowPosTakesANullInsertAfter)
{
    CWnd wnd;
    const RECT rc = {0, 0, 60, 40};
    ASSERT_TRUE(wnd.CreateEx(0, L"STATIC", L"", WS_POPUP, rc, nullptr, 0));
    EXPECT_TRUE(wnd.SetWindowPos(NULL, 10, 20, 30, 40, SWP_NOZORDER | SWP_NOACTIVATE));
    EXPECT_TRUE(wnd.SetWindowPos(nullptr, 0, 0, 50, 45, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
    RECT window;
    wnd.GetWindowRect(&window);
    const RECT expected = {10, 20, 60, 65};
    EXPECT_TRUE(::EqualRect(&expected, &window));
    // The placeholders still choose their own overload.
    EXPECT_TRUE(wnd.SetWindowPos(&CWnd::wndBottom, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE));
    wnd.DestroyWindow();
}

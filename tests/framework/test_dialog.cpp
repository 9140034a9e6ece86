#include <gtest/gtest.h>

#include <memory>

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/Gdi.h"
#include "framework/WinApp.h"
#include "tests/framework/test_resource.h"
#include "tests/framework/test_support.h"

namespace {

constexpr UINT WM_TEST_END = WM_APP + 1;

// Ends itself with a given code once its modal loop runs, and records what
// the window looked like when the framework destroyed it.
class CSelfEndingDialog : public CDialog
{
public:
    explicit CSelfEndingDialog(CWnd* pParent = nullptr) : CDialog(IDD_TEST_DIALOG, pParent) {}

    int m_nEndCode = 42;
    UINT m_nEndCommand = 0;  // a command to send instead of EndDialog
    int m_nRadio = 1;
    int m_nCheck = 1;
    bool m_bOwnerDisabledDuringRun = false;
    int m_nDestroyCalls = 0;
    bool m_bVisibleInDestroy = false;
    bool m_bOwnerEnabledInDestroy = false;
    HWND m_hWndAtDestroy = nullptr;

    BOOL DestroyWindow() override
    {
        ++m_nDestroyCalls;
        m_hWndAtDestroy = m_hWnd;
        m_bVisibleInDestroy = IsWindow() && IsWindowVisible();
        HWND hOwner = ::GetWindow(m_hWnd, GW_OWNER);
        m_bOwnerEnabledInDestroy = hOwner != nullptr && ::IsWindowEnabled(hOwner);
        return CDialog::DestroyWindow();
    }

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Radio(pDX, IDC_TEST_RADIO1, m_nRadio);
        DDX_Check(pDX, IDC_TEST_CHECK, m_nCheck);
    }

    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        HWND hOwner = ::GetWindow(m_hWnd, GW_OWNER);
        m_bOwnerDisabledDuringRun = hOwner != nullptr && !::IsWindowEnabled(hOwner);
        PostMessage(WM_TEST_END);
        return TRUE;
    }

    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override
    {
        if (message == WM_TEST_END)
        {
            if (m_nEndCommand != 0)
            {
                // As the user would: check the first radio button, then the command.
                ::SendMessageW(::GetDlgItem(m_hWnd, IDC_TEST_RADIO1), BM_CLICK, 0, 0);
                SendMessage(WM_COMMAND, MAKEWPARAM(m_nEndCommand, BN_CLICKED),
                            reinterpret_cast<LPARAM>(::GetDlgItem(m_hWnd, static_cast<int>(m_nEndCommand))));
            }
            else
            {
                EndDialog(m_nEndCode);
            }
            *pResult = 0;
            return TRUE;
        }
        return CDialog::OnWndMsg(message, wParam, lParam, pResult);
    }
};

class COwnerWindow : public CWnd
{
public:
    COwnerWindow()
    {
        const RECT rc = {10, 10, 300, 200};
        CreateEx(0, L"STATIC", L"Besitzer", WS_POPUP | WS_VISIBLE | WS_CAPTION, rc, nullptr, 0);
    }
    ~COwnerWindow() override { DestroyWindow(); }
};

}  // namespace

TEST(DialogModalTest, EndsThroughTheOverriddenDestroyWindowWithTheEndDialogCode)
{
    CSelfEndingDialog dlg;
    dlg.m_nEndCode = 4711;
    EXPECT_EQ(4711, dlg.DoModal());
    EXPECT_EQ(1, dlg.m_nDestroyCalls);
    EXPECT_NE(nullptr, dlg.m_hWndAtDestroy);
    // The override ran while the window still stood, so it could save state.
    EXPECT_TRUE(dlg.m_bVisibleInDestroy);
    EXPECT_EQ(nullptr, dlg.m_hWnd);
    EXPECT_FALSE(::IsWindow(dlg.m_hWndAtDestroy));
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(dlg.m_hWndAtDestroy));
}

TEST(DialogModalTest, OwnerIsDisabledWhileRunningAndEnabledBeforeTheDialogGoes)
{
    COwnerWindow owner;
    ASSERT_TRUE(owner.IsWindow());
    CSelfEndingDialog dlg(&owner);
    EXPECT_EQ(42, dlg.DoModal());
    EXPECT_TRUE(dlg.m_bOwnerDisabledDuringRun);
    EXPECT_TRUE(dlg.m_bOwnerEnabledInDestroy);
    EXPECT_TRUE(owner.IsWindowEnabled());
}

TEST(DialogModalTest, MainWindowOfTheApplicationOwnsDialogsWithoutParent)
{
    COwnerWindow mainWnd;
    CWinApp app;
    app.m_pMainWnd = &mainWnd;
    CSelfEndingDialog dlg;
    EXPECT_EQ(42, dlg.DoModal());
    EXPECT_TRUE(dlg.m_bOwnerDisabledDuringRun);
    EXPECT_TRUE(mainWnd.IsWindowEnabled());
    app.m_pMainWnd = nullptr;
}

TEST(DialogModalTest, OkSavesTheControlsAndCancelDoesNot)
{
    CSelfEndingDialog ok;
    ok.m_nRadio = 2;
    ok.m_nEndCommand = IDOK;
    EXPECT_EQ(IDOK, ok.DoModal());
    EXPECT_EQ(0, ok.m_nRadio);

    CSelfEndingDialog cancel;
    cancel.m_nRadio = 2;
    cancel.m_nEndCommand = IDCANCEL;
    EXPECT_EQ(IDCANCEL, cancel.DoModal());
    EXPECT_EQ(2, cancel.m_nRadio);
}

TEST(DialogModalTest, MissingTemplateFailsWithoutTouchingTheOwner)
{
    COwnerWindow owner;
    CDialog dlg(12345, &owner);
    EXPECT_EQ(-1, dlg.DoModal());
    EXPECT_TRUE(owner.IsWindowEnabled());
    EXPECT_EQ(nullptr, dlg.m_hWnd);
}

TEST(DialogModalTest, QuitMessageEndsTheLoopAndStaysForTheOuterLoop)
{
    class CQuittingDialog : public CSelfEndingDialog
    {
    protected:
        BOOL OnInitDialog() override
        {
            CDialog::OnInitDialog();
            ::PostQuitMessage(7);
            return TRUE;
        }
    } dlg;
    EXPECT_EQ(-1, dlg.DoModal());
    EXPECT_EQ(1, dlg.m_nDestroyCalls);
    MSG msg;
    ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(7u, msg.wParam);
}

namespace {

constexpr UINT WM_TEST_NESTED = WM_APP + 3;

// Takes temporary wrappers while handling a message, runs two modal dialogs
// owned through one of them, and then checks that the wrappers are still the
// ones it was handed.
class CNestingDialog : public CDialog
{
public:
    explicit CNestingDialog(bool bModal) : CDialog(IDD_TEST_DIALOG), m_bModal(bModal) {}
    ~CNestingDialog() override { DestroyWindow(); }

    const bool m_bModal;
    int m_nNestedRuns = 0;
    int m_nNestedOwnedByUs = 0;
    bool m_bTemporariesKept = false;

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        if (m_bModal)
            PostMessage(WM_TEST_NESTED);
        return TRUE;
    }

    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override
    {
        if (message != WM_TEST_NESTED)
            return CDialog::OnWndMsg(message, wParam, lParam, pResult);
        HWND hButton = ::GetDlgItem(m_hWnd, IDC_TEST_BUTTON);
        CWnd* pButton = GetDlgItem(IDC_TEST_BUTTON);
        HDC hDC = ::GetDC(m_hWnd);
        CDC* pDC = CDC::FromHandle(hDC);
        for (int i = 0; i < 2; ++i)
        {
            CSelfEndingDialog nested(pButton);
            if (nested.DoModal() == 42)
                ++m_nNestedRuns;
            if (nested.m_bOwnerDisabledDuringRun)
                ++m_nNestedOwnedByUs;
        }
        // A freed wrapper's memory goes to the next object of its size;
        // taking it first makes a stale answer visible.
        auto pWndBlocker = std::make_unique<CWnd>();
        auto pDCBlocker = std::make_unique<CDC>();
        m_bTemporariesKept = CWnd::FromHandle(hButton) == pButton && CDC::FromHandle(hDC) == pDC;
        ::ReleaseDC(m_hWnd, hDC);
        if (m_bModal)
            EndDialog(IDOK);
        *pResult = 0;
        return TRUE;
    }
};

}  // namespace

TEST(DialogNestingTest, TemporariesOfAHandlerOutliveANestedModalLoop)
{
    for (bool bModal : {false, true})
    {
        SCOPED_TRACE(bModal ? "modal" : "modeless");
        CNestingDialog dlg(bModal);
        if (bModal)
        {
            EXPECT_EQ(IDOK, dlg.DoModal());
        }
        else
        {
            ASSERT_TRUE(dlg.Create(IDD_TEST_DIALOG));
            dlg.SendMessage(WM_TEST_NESTED);
        }
        EXPECT_EQ(2, dlg.m_nNestedRuns);
        EXPECT_EQ(2, dlg.m_nNestedOwnedByUs);
        EXPECT_TRUE(dlg.m_bTemporariesKept);
    }
}

TEST(DialogInitTest, DefaultProcessingOfInitDialogDoesNotDispatchItAgain)
{
    // The handler either runs the default processing itself or declines.
    for (bool bDecline : {false, true})
    {
        SCOPED_TRACE(bDecline ? "declined" : "Default()");
        class CDefaultingDialog : public CDialog
        {
        public:
            explicit CDefaultingDialog(bool bDecline) : CDialog(IDD_TEST_DIALOG), m_bDecline(bDecline) {}
            ~CDefaultingDialog() override { DestroyWindow(); }
            const bool m_bDecline;
            int m_nDispatches = 0;

        protected:
            BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override
            {
                if (message == WM_INITDIALOG)
                {
                    // A second dispatch would recurse without end; stop it
                    // here so that the count can tell.
                    if (++m_nDispatches > 1)
                    {
                        *pResult = FALSE;
                        return TRUE;
                    }
                    if (m_bDecline)
                        return FALSE;
                    Default();
                }
                return CDialog::OnWndMsg(message, wParam, lParam, pResult);
            }
        } dlg(bDecline);
        ASSERT_TRUE(dlg.Create(IDD_TEST_DIALOG));
        EXPECT_EQ(1, dlg.m_nDispatches);
    }
}

namespace {

class CDdxDialog : public CDialog
{
public:
    CDdxDialog() : CDialog(IDD_TEST_DIALOG) {}
    ~CDdxDialog() override { DestroyWindow(); }

    int m_nRadio = 2;
    int m_nCheck = 1;
    int m_nCheck3 = 2;
    CListCtrl m_list;
    bool m_bAskForMissingControl = false;

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Radio(pDX, IDC_TEST_RADIO1, m_nRadio);
        DDX_Check(pDX, IDC_TEST_CHECK, m_nCheck);
        DDX_Check(pDX, IDC_TEST_CHECK3, m_nCheck3);
        DDX_Control(pDX, IDC_TEST_LIST, m_list);
        if (m_bAskForMissingControl)
            DDX_Check(pDX, 9999, m_nCheck);
    }
};

UINT CheckState(const CDialog& dlg, int id)
{
    return static_cast<UINT>(::SendMessageW(::GetDlgItem(dlg.m_hWnd, id), BM_GETCHECK, 0, 0));
}

}  // namespace

TEST(DataExchangeTest, MembersReachTheControlsOnInitialisation)
{
    CDdxDialog dlg;
    ASSERT_TRUE(dlg.Create(IDD_TEST_DIALOG));
    EXPECT_EQ(static_cast<UINT>(BST_UNCHECKED), CheckState(dlg, IDC_TEST_RADIO1));
    EXPECT_EQ(static_cast<UINT>(BST_UNCHECKED), CheckState(dlg, IDC_TEST_RADIO2));
    EXPECT_EQ(static_cast<UINT>(BST_CHECKED), CheckState(dlg, IDC_TEST_RADIO3));
    EXPECT_EQ(static_cast<UINT>(BST_CHECKED), CheckState(dlg, IDC_TEST_CHECK));
    EXPECT_EQ(static_cast<UINT>(BST_INDETERMINATE), CheckState(dlg, IDC_TEST_CHECK3));
    // The control object is bound to the dialog's control.
    EXPECT_EQ(::GetDlgItem(dlg.m_hWnd, IDC_TEST_LIST), dlg.m_list.m_hWnd);
    EXPECT_EQ(&dlg.m_list, CWnd::FromHandle(dlg.m_list.m_hWnd));
}

TEST(DataExchangeTest, ControlsReachTheMembersOnSave)
{
    CDdxDialog dlg;
    ASSERT_TRUE(dlg.Create(IDD_TEST_DIALOG));
    ::SendMessageW(::GetDlgItem(dlg.m_hWnd, IDC_TEST_RADIO2), BM_CLICK, 0, 0);
    ::SendMessageW(::GetDlgItem(dlg.m_hWnd, IDC_TEST_CHECK), BM_CLICK, 0, 0);
    ::SendMessageW(::GetDlgItem(dlg.m_hWnd, IDC_TEST_CHECK3), BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_TRUE(dlg.UpdateData(TRUE));
    EXPECT_EQ(1, dlg.m_nRadio);
    EXPECT_EQ(0, dlg.m_nCheck);
    EXPECT_EQ(1, dlg.m_nCheck3);

    // No button of the group checked reads as -1; loading -1 unchecks all.
    ::SendMessageW(::GetDlgItem(dlg.m_hWnd, IDC_TEST_RADIO2), BM_SETCHECK, BST_UNCHECKED, 0);
    EXPECT_TRUE(dlg.UpdateData(TRUE));
    EXPECT_EQ(-1, dlg.m_nRadio);
    dlg.m_nRadio = 0;
    EXPECT_TRUE(dlg.UpdateData(FALSE));
    EXPECT_EQ(static_cast<UINT>(BST_CHECKED), CheckState(dlg, IDC_TEST_RADIO1));
    dlg.m_nRadio = -1;
    EXPECT_TRUE(dlg.UpdateData(FALSE));
    EXPECT_EQ(static_cast<UINT>(BST_UNCHECKED), CheckState(dlg, IDC_TEST_RADIO1));
}

TEST(DataExchangeTest, RadioGroupStopsAtTheNextGroup)
{
    // The check box after the radio buttons starts a group of its own and
    // must not be counted or unchecked as a fourth radio button.
    CDdxDialog dlg;
    ASSERT_TRUE(dlg.Create(IDD_TEST_DIALOG));
    dlg.m_nRadio = 3;
    dlg.m_nCheck = 1;
    EXPECT_TRUE(dlg.UpdateData(FALSE));
    EXPECT_EQ(static_cast<UINT>(BST_CHECKED), CheckState(dlg, IDC_TEST_CHECK));
    EXPECT_EQ(static_cast<UINT>(BST_UNCHECKED), CheckState(dlg, IDC_TEST_RADIO3));
}

TEST(DataExchangeTest, MissingControlFailsTheExchange)
{
    CDdxDialog dlg;
    ASSERT_TRUE(dlg.Create(IDD_TEST_DIALOG));
    dlg.m_bAskForMissingControl = true;
    EXPECT_FALSE(dlg.UpdateData(TRUE));
}

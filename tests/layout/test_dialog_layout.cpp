#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <map>

#include "framework/Module.h"
#include "layout/LayoutDpi.h"
#include "layout/LayoutMessages.h"
#include "layout/LayoutWindows.h"
#include "tests/layout/layout_test_dialog.h"
#include "tests/layout/rect_compare.h"

namespace
{
// The real DPI of the screen, as the program would see it at start-up.
void UseSystemDpi()
{
    GetLayoutDpi().queried = FALSE;
    GetLayoutDpi().QueryDpi();
    CLayoutScaledLengths::Compute();
}

// What the first layout keeps around the content: the dialog frame metric
// scaled by the X DPI, with the size grip's allowance at the bottom.
struct Margins
{
    int cx;
    int cy;
    int g;
};

Margins ExpectedMargins(const CDialogLayout& dlg)
{
    Margins m;
    m.cx = ScaleX(::GetSystemMetrics(SM_CXDLGFRAME));
    m.cy = ScaleX(::GetSystemMetrics(SM_CYDLGFRAME));
    m.g = dlg.m_nSizeGripAllowance;
    return m;
}

class DialogLayoutTest : public ::testing::Test
{
protected:
    void SetUp() override { UseSystemDpi(); }
    void TearDown() override { AfxDeleteTempMaps(); }
};

// Counts the moves and paints a child window receives.
struct MoveCounter
{
    int nMoves = 0;
    int nPaints = 0;

    static LRESULT CALLBACK Proc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR dwRef)
    {
        auto* pCounter = reinterpret_cast<MoveCounter*>(dwRef);
        if (message == WM_WINDOWPOSCHANGED)
        {
            const auto* pPos = reinterpret_cast<const WINDOWPOS*>(lParam);
            if ((pPos->flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE))
                ++pCounter->nMoves;
        }
        if (message == WM_PAINT)
            ++pCounter->nPaints;
        return ::DefSubclassProc(hWnd, message, wParam, lParam);
    }
    void Attach(HWND hWnd) { ::SetWindowSubclass(hWnd, Proc, 0x4C41, reinterpret_cast<DWORD_PTR>(this)); }
    void Detach(HWND hWnd) { ::RemoveWindowSubclass(hWnd, Proc, 0x4C41); }
};

void Pump()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// Checks every laid-out control of the test dialog against the layout rules
// for the dialog's current client size.
void ExpectLaidOut(const CLayoutTestDlg& dlg, int nButtonHeight, int nButtonWidth)
{
    RECT rcClient = {};
    ::GetClientRect(dlg.m_hWnd, &rcClient);
    const Margins m = ExpectedMargins(dlg);
    const int nRight = rcClient.right - m.cx;
    const int nBottom = rcClient.bottom - m.g;

    const RECT rcCancel = dlg.ChildRect(IDCANCEL);
    const RECT rcOk = dlg.ChildRect(IDOK);
    const RECT rcList1 = dlg.ChildRect(IDC_LAYOUT_LIST1);
    const RECT rcList2 = dlg.ChildRect(IDC_LAYOUT_LIST2);
    EXPECT_EQ((RECT{nRight - nButtonWidth, nBottom - nButtonHeight, nRight, nBottom}), rcCancel);
    EXPECT_EQ((RECT{rcCancel.left - ScaleX(10) - nButtonWidth, rcCancel.top,
                    rcCancel.left - ScaleX(10) - 1, rcCancel.bottom}),
              rcOk)
        << "one pixel kept free before the next item";
    EXPECT_EQ(2 * m.cx, rcList1.left);
    EXPECT_EQ(2 * m.cy, rcList1.top);
    EXPECT_EQ(rcCancel.top, rcList1.bottom);
    EXPECT_EQ(rcList1.right + 1, rcList2.left);
    EXPECT_EQ(nRight, rcList2.right);
    EXPECT_EQ(rcList1.top, rcList2.top);
    EXPECT_EQ(rcList1.bottom, rcList2.bottom);
}
}  // namespace

TEST_F(DialogLayoutTest, FirstLayoutAndResizesPlaceTheRealControls)
{
    CLayoutTestDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_LAYOUT_RESIZABLE));
    const RECT rcButton = dlg.ChildRect(IDCANCEL);
    const int nButtonWidth = rcButton.right - rcButton.left;
    const int nButtonHeight = rcButton.bottom - rcButton.top;
    ASSERT_GT(nButtonWidth, 0);

    const SIZE sizeFirst = dlg.WindowSize();
    EXPECT_EQ(dlg.m_nMinWindowWidth, sizeFirst.cx) << "the first layout sizes the window to its minimum";
    EXPECT_EQ(dlg.m_nMinWindowHeight, sizeFirst.cy);
    ExpectLaidOut(dlg, nButtonHeight, nButtonWidth);

    const SIZE sizes[] = {{sizeFirst.cx + 300, sizeFirst.cy + 200},
                         {sizeFirst.cx + 1, sizeFirst.cy + 1},
                         {sizeFirst.cx + 500, sizeFirst.cy},
                         {sizeFirst.cx + 40, sizeFirst.cy + 400}};
    for (const SIZE& size : sizes)
    {
        dlg.Resize(size.cx, size.cy);
        EXPECT_EQ(size.cx, dlg.WindowSize().cx);
        ExpectLaidOut(dlg, nButtonHeight, nButtonWidth);
        const RECT rcList1 = dlg.ChildRect(IDC_LAYOUT_LIST1);
        const RECT rcList2 = dlg.ChildRect(IDC_LAYOUT_LIST2);
        // The lists share the row by their template widths (120 : 80 units).
        EXPECT_NEAR(1.5, double(rcList1.right - rcList1.left) / (rcList2.right - rcList2.left), 0.05);
    }
}

TEST_F(DialogLayoutTest, MinimisedDialogIsLaidOutOverItsEmptyClientAreaAndAgainWhenRestored)
{
    CLayoutTestDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_LAYOUT_RESIZABLE));
    dlg.ShowWindow(SW_SHOWNA);
    dlg.Resize(600, 420);
    const RECT rcButton = dlg.ChildRect(IDCANCEL);
    const RECT rcListBefore = dlg.ChildRect(IDC_LAYOUT_LIST1);

    dlg.ShowWindow(SW_MINIMIZE);
    Pump();
    if (!dlg.IsIconic())
        GTEST_SKIP() << "the display does not minimise windows";
    RECT rcClient = {};
    dlg.GetClientRect(&rcClient);
    ASSERT_TRUE(::IsRectEmpty(&rcClient));
    // Over no room at all every control is at its minimum size (less the
    // pixel a row keeps free after all but its last item).
    const CLayoutGroupObj* pList = dlg.m_layout.FindItem(::GetDlgItem(dlg.m_hWnd, IDC_LAYOUT_LIST1));
    ASSERT_NE(nullptr, pList);
    const RECT& rcInsets = pList->m_rcInsets;
    const RECT rcListMinimised = dlg.ChildRect(IDC_LAYOUT_LIST1);
    EXPECT_EQ(pList->m_rcMin.right - rcInsets.left - rcInsets.right, rcListMinimised.right - rcListMinimised.left);
    EXPECT_EQ(pList->m_rcMin.bottom - rcInsets.top - rcInsets.bottom, rcListMinimised.bottom - rcListMinimised.top);

    dlg.ShowWindow(SW_RESTORE);
    Pump();
    EXPECT_EQ(rcListBefore, dlg.ChildRect(IDC_LAYOUT_LIST1));
    ExpectLaidOut(dlg, rcButton.bottom - rcButton.top, rcButton.right - rcButton.left);
}

TEST_F(DialogLayoutTest, RootInsetsComeFromTheDialogFrameAndTheMinimumFromTheContent)
{
    CLayoutTestDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_LAYOUT_RESIZABLE));
    const Margins m = ExpectedMargins(dlg);
    const CLayoutGroupObj& root = dlg.m_layout.m_root;
    const int e = (dlg.m_layout.m_nOSVersion == 100) ? m.cx - 1 : 0;
    EXPECT_EQ((RECT{m.cx, m.cy, 2 * m.cx + e, 2 * m.cy - (m.g != 0 ? m.cy : 0) + m.g}), root.m_rcInsets);

    RECT rcWindow = {};
    RECT rcClient = {};
    ::GetWindowRect(dlg.m_hWnd, &rcWindow);
    ::GetClientRect(dlg.m_hWnd, &rcClient);
    POINT ptClient = {0, 0};
    ::ClientToScreen(dlg.m_hWnd, &ptClient);
    const int nSide = ptClient.x - rcWindow.left;
    const int nTop = ptClient.y - rcWindow.top;
    EXPECT_EQ(root.m_rcMin.right + root.m_rcInsets.left + root.m_rcInsets.right + 2 * nSide +
                  (dlg.m_layout.m_nOSVersion >= 60 ? nSide : 0),
              dlg.m_nMinWindowWidth);
    EXPECT_EQ(root.m_rcMin.bottom + root.m_rcInsets.top + root.m_rcInsets.bottom + nTop, dlg.m_nMinWindowHeight);
}

TEST_F(DialogLayoutTest, MinimumTrackingSizeIsEnforced)
{
    CLayoutTestDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_LAYOUT_RESIZABLE));
    ASSERT_GT(dlg.m_nMinWindowWidth, 50);
    ASSERT_GT(dlg.m_nMinWindowHeight, 50);

    MINMAXINFO info = {};
    info.ptMaxTrackSize = {5000, 5000};
    dlg.SendMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(dlg.m_nMinWindowWidth, info.ptMinTrackSize.x);
    EXPECT_EQ(dlg.m_nMinWindowHeight, info.ptMinTrackSize.y);
    EXPECT_EQ(5000, info.ptMaxTrackSize.x) << "the other members stay";

    dlg.Resize(20, 20);
    EXPECT_EQ(dlg.m_nMinWindowWidth, dlg.WindowSize().cx);
    EXPECT_EQ(dlg.m_nMinWindowHeight, dlg.WindowSize().cy);
}

TEST_F(DialogLayoutTest, SizeGripSitsInTheCornerAfterEveryResize)
{
    CLayoutTestDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_LAYOUT_RESIZABLE));
    HWND hGrip = ::GetDlgItem(dlg.m_hWnd, static_cast<int>(GLL_SIZE_GRIP_ID));
    ASSERT_NE(nullptr, hGrip);
    wchar_t szClass[64] = {};
    ::GetClassNameW(hGrip, szClass, 64);
    EXPECT_EQ(0, _wcsicmp(L"ScrollBar", szClass));
    EXPECT_TRUE(::GetWindowLongW(hGrip, GWL_STYLE) & SBS_SIZEGRIP);
    const int nGripHeight = dlg.m_nSizeGripHeight;
    EXPECT_GT(nGripHeight, 0);
    EXPECT_EQ((nGripHeight > SCALED_10 ? nGripHeight : SCALED_10) - 5, dlg.m_nSizeGripAllowance);

    const SIZE sizes[] = {{600, 400}, {800, 450}};
    for (const SIZE& size : sizes)
    {
        dlg.Resize(size.cx, size.cy);
        RECT rcClient = {};
        ::GetClientRect(dlg.m_hWnd, &rcClient);
        const RECT rcGrip = dlg.ChildRect(static_cast<int>(GLL_SIZE_GRIP_ID));
        EXPECT_EQ(rcClient.right, rcGrip.right);
        EXPECT_EQ(rcClient.bottom, rcGrip.bottom);
        EXPECT_EQ(dlg.m_nSizeGripWidth, rcGrip.right - rcGrip.left);
    }
}

TEST_F(DialogLayoutTest, GripAllowanceFollowsTheGripHeightAndTheToolWindowRule)
{
    for (UINT nTemplate : {IDD_LAYOUT_RESIZABLE, IDD_LAYOUT_TOOL})
    {
        CLayoutTestDlg dlg(nTemplate, CLayoutTestDlg::kNoLayout);
        ASSERT_TRUE(dlg.Create(nTemplate));
        ASSERT_TRUE(dlg.m_wndSizeGrip.IsWindow()) << nTemplate;
        const int nHeight = dlg.m_nSizeGripHeight;
        // A tool window without visual styles keeps a fixed 4 pixels;
        // otherwise the grip's height, at least SCALED_10, less 5.
        const bool bTool = (dlg.GetExStyle() & WS_EX_TOOLWINDOW) != 0;
        EXPECT_EQ(nTemplate == IDD_LAYOUT_TOOL, bTool);
        const int nExpected =
            bTool && dlg.m_layout.m_nThemeState == 0 ? 4 : (nHeight > SCALED_10 ? nHeight : SCALED_10) - 5;
        EXPECT_EQ(nExpected, dlg.m_nSizeGripAllowance) << nTemplate << ", theme state " << dlg.m_layout.m_nThemeState;
    }
}

TEST_F(DialogLayoutTest, DialogWithoutSizingBorderGetsNoGripAndKeepsItsPlacementSize)
{
    struct Case
    {
        UINT nTemplate;
        bool bGrip;
        UINT nFlags;
    };
    const Case cases[] = {
        {IDD_LAYOUT_FIXED, false, GLL_RESTORE_POSITION},
        {IDD_LAYOUT_OWN_GRIP, false, GLL_RESTORE_POSITION | GLL_RESTORE_SIZE},
        {IDD_LAYOUT_RESIZABLE, true, GLL_RESTORE_POSITION | GLL_RESTORE_SIZE},
    };
    for (const Case& c : cases)
    {
        CLayoutTestDlg dlg(c.nTemplate, CLayoutTestDlg::kNoLayout);
        ASSERT_TRUE(dlg.Create(c.nTemplate));
        EXPECT_EQ(c.bGrip, dlg.m_wndSizeGrip.IsWindow() != FALSE) << c.nTemplate;
        EXPECT_EQ(c.nFlags, dlg.m_nPlacementFlags) << c.nTemplate;
        if (!c.bGrip)
        {
            EXPECT_EQ(0, dlg.m_nSizeGripAllowance);
            EXPECT_EQ(0, dlg.m_nSizeGripHeight);
        }
        EXPECT_EQ(0, dlg.m_nMinWindowWidth) << "no layout declared: no minimum";
        EXPECT_TRUE(dlg.GetStyle() & WS_CLIPCHILDREN);
        EXPECT_EQ(&dlg, dlg.m_layout.m_pHostDlg);
    }
}

TEST_F(DialogLayoutTest, OnlyTheCallClosingTheOutermostGroupRunsTheFirstLayout)
{
    CLayoutTestDlg dlg(IDD_LAYOUT_RESIZABLE, CLayoutTestDlg::kNoLayout);
    ASSERT_TRUE(dlg.Create(IDD_LAYOUT_RESIZABLE));
    dlg.m_layout.BeginGroup(GLL_VERTICAL);
    dlg.m_layout.BeginGroup(GLL_HORIZONTAL);
    dlg.m_layout.BeginGroup(GLL_VERTICAL);
    dlg.m_layout.AddControl(IDOK, GLL_FIXED_SIZE);
    dlg.EndGroup();
    EXPECT_EQ(2, dlg.m_layout.GetOpenGroupCount());
    dlg.EndGroup();
    EXPECT_EQ(1, dlg.m_layout.GetOpenGroupCount());
    EXPECT_EQ(0, dlg.m_nMinWindowWidth);
    dlg.EndGroup();
    EXPECT_EQ(0, dlg.m_layout.GetOpenGroupCount());
    EXPECT_GT(dlg.m_nMinWindowWidth, 0);
    EXPECT_EQ(dlg.m_nMinWindowWidth, dlg.WindowSize().cx);
}

TEST_F(DialogLayoutTest, ResizeAfterTemporaryObjectsWereFreedStillPlacesEveryControl)
{
    for (bool bBindCancel : {false, true})
    {
        SCOPED_TRACE(bBindCancel ? "Cancel has an object of its own" : "Cancel only had a temporary object");
        CLayoutTestDlg dlg;
        dlg.m_bBindCancel = bBindCancel;
        ASSERT_TRUE(dlg.Create(IDD_LAYOUT_RESIZABLE));
        const RECT rcButton = dlg.ChildRect(IDCANCEL);
        HWND hCancel = ::GetDlgItem(dlg.m_hWnd, IDCANCEL);
        CMoveRecorder recorder;
        dlg.m_layout.SetWindows(&recorder);
        // The objects GetDlgItem handed to the layout are gone from here on,
        // as when the modal loop goes idle.
        AfxDeleteTempMaps();
        dlg.Resize(640, 480);
        ExpectLaidOut(dlg, rcButton.bottom - rcButton.top, rcButton.right - rcButton.left);
        AfxDeleteTempMaps();
        dlg.Resize(720, 520);
        ExpectLaidOut(dlg, rcButton.bottom - rcButton.top, rcButton.right - rcButton.left);
        dlg.m_layout.SetWindows(nullptr);

        // Cancel moves through an object: its own one if it has one, never
        // the freed temporary; without one, by its handle.
        EXPECT_EQ(2, recorder.m_moves[hCancel]);
        EXPECT_EQ(bBindCancel ? &dlg.m_btnCancel : nullptr, recorder.m_vias[hCancel]);
        EXPECT_EQ(nullptr, recorder.m_vias[::GetDlgItem(dlg.m_hWnd, IDOK)]) << "OK moves by its handle";
    }
}

TEST_F(DialogLayoutTest, AResizeMovesEachChangedWindowOnceAndUnchangedOnesNotAtAll)
{
    CLayoutTestDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_LAYOUT_RESIZABLE));
    dlg.ShowWindow(SW_SHOWNA);
    dlg.Resize(600, 400);
    Pump();
    const int ids[] = {IDC_LAYOUT_LIST1, IDC_LAYOUT_LIST2, IDOK, IDCANCEL};
    MoveCounter counters[4];
    for (int i = 0; i < 4; ++i)
        counters[i].Attach(::GetDlgItem(dlg.m_hWnd, ids[i]));

    // Same size: one more pass moves and paints nothing.
    dlg.SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(0, 0));
    dlg.m_layout.Relayout();
    Pump();
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(0, counters[i].nMoves) << ids[i];
        EXPECT_EQ(0, counters[i].nPaints) << ids[i];
    }

    // Taller: the lists grow and the buttons move down, each exactly once.
    dlg.Resize(600, 460);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(1, counters[i].nMoves) << ids[i];

    // Wider by the same amount as before: everything but the buttons' tops
    // changes; each window is still moved once.
    dlg.Resize(650, 460);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(2, counters[i].nMoves) << ids[i];
    for (int i = 0; i < 4; ++i)
        counters[i].Detach(::GetDlgItem(dlg.m_hWnd, ids[i]));
}

TEST_F(DialogLayoutTest, SizedSheetMessageWithForeignLParamRefitsWithoutReadingIt)
{
    int nNotASheet = 0;
    auto* pGone = new CPropertySheetLayout;
    const LPARAM lpGone = reinterpret_cast<LPARAM>(pGone);
    delete pGone;
    const LPARAM params[] = {0, static_cast<LPARAM>(0xDEADBEEF), reinterpret_cast<LPARAM>(&nNotASheet), lpGone,
                             static_cast<LPARAM>(-1)};
    for (LPARAM lParam : params)
    {
        CLayoutTestDlg dlg;
        ASSERT_TRUE(dlg.Create(IDD_LAYOUT_RESIZABLE));
        dlg.Resize(700, 500);
        EXPECT_EQ(1, dlg.SendMessage(WM_GLL_PROPPAGE_SIZED_SHEET, 0, lParam));
        EXPECT_EQ(700, dlg.WindowSize().cx) << "never shrinks";
        EXPECT_EQ(500, dlg.WindowSize().cy);
        const RECT rcButton = dlg.ChildRect(IDCANCEL);
        ExpectLaidOut(dlg, rcButton.bottom - rcButton.top, rcButton.right - rcButton.left);

        // Smaller than the refitted minimum: the dialog grows to it.
        dlg.m_nMinWindowWidth = 0;
        dlg.m_nMinWindowHeight = 0;
        dlg.Resize(60, 60);
        ASSERT_LT(dlg.WindowSize().cx, 100);
        EXPECT_EQ(1, dlg.SendMessage(WM_GLL_PROPPAGE_SIZED_SHEET, 0, lParam));
        const CLayoutGroupObj& root = dlg.m_layout.m_root;
        EXPECT_EQ(root.m_rcMin.right + root.m_rcInsets.left + root.m_rcInsets.right, dlg.m_nMinWindowWidth);
        EXPECT_EQ(dlg.m_nMinWindowWidth, dlg.WindowSize().cx);
        EXPECT_EQ(dlg.m_nMinWindowHeight, dlg.WindowSize().cy);
        EXPECT_TRUE(root.m_bVisible);
    }
}

TEST_F(DialogLayoutTest, SizedSheetMessageFromALiveSheetTakesItsNewSize)
{
    CLayoutTestDlg dlg(IDD_LAYOUT_RESIZABLE, CLayoutTestDlg::kWithSheet);
    ASSERT_TRUE(dlg.Create(IDD_LAYOUT_RESIZABLE));
    ASSERT_NE(nullptr, dlg.m_sheet.m_hWnd);
    CLayoutGroupObj* pItem = dlg.m_layout.FindItem(dlg.m_sheet.m_hWnd);
    ASSERT_NE(nullptr, pItem);
    const SIZE sizeBefore = dlg.WindowSize();
    const LONG nOldHeight = pItem->m_rcMin.bottom;

    ::SetWindowPos(dlg.m_sheet.m_hWnd, nullptr, 0, 0, 300, nOldHeight + 200, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(1, dlg.SendMessage(WM_GLL_PROPPAGE_SIZED_SHEET, 0, reinterpret_cast<LPARAM>(&dlg.m_sheet)));
    EXPECT_EQ((RECT{0, 0, 300, nOldHeight + 200}), pItem->m_rcMin);
    EXPECT_TRUE(pItem->m_bVisible);
    EXPECT_GE(dlg.WindowSize().cy, sizeBefore.cy + 200 - 2 * ::GetSystemMetrics(SM_CYDLGFRAME) - dlg.m_nSizeGripAllowance);
    const RECT rcSheet = dlg.ChildRect(IDC_LAYOUT_SHEET);
    EXPECT_EQ(nOldHeight + 200, rcSheet.bottom - rcSheet.top);
    EXPECT_LE(rcSheet.bottom, dlg.ChildRect(IDOK).top);
}

TEST_F(DialogLayoutTest, CursorInTheGripCornerIsTheDiagonalArrow)
{
    CLayoutTestDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_LAYOUT_RESIZABLE));
    dlg.ShowWindow(SW_SHOWNA);
    dlg.Resize(500, 400);
    RECT rcWindow = {};
    ::GetWindowRect(dlg.m_hWnd, &rcWindow);
    const int cxCorner = ::GetSystemMetrics(SM_CYVSCROLL);

    struct Case
    {
        POINT pt;
        bool bDiagonal;
    };
    const Case cases[] = {
        {{rcWindow.right - 2, rcWindow.bottom - 2}, true},
        {{rcWindow.right - cxCorner, rcWindow.bottom - 3}, true},
        {{rcWindow.right - cxCorner - 1, rcWindow.bottom - 3}, false},
    };
    const HCURSOR hDiagonal = ::LoadCursorW(nullptr, IDC_SIZENWSE);
    for (const Case& c : cases)
    {
        ::SetCursorPos(c.pt.x, c.pt.y);
        POINT ptNow = {};
        ::GetCursorPos(&ptNow);
        if (ptNow.x != c.pt.x || ptNow.y != c.pt.y)
            GTEST_SKIP() << "the display does not move the pointer";
        ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
        dlg.SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(dlg.m_hWnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(c.bDiagonal, ::GetCursor() == hDiagonal) << c.pt.x << ", " << c.pt.y;
    }
}

TEST_F(DialogLayoutTest, SizeToTextWidensByTheTextAndTheButtonsDecoration)
{
    CLayoutTestDlg dlg(IDD_LAYOUT_RESIZABLE, CLayoutTestDlg::kNoLayout);
    ASSERT_TRUE(dlg.Create(IDD_LAYOUT_RESIZABLE));
    struct Case
    {
        int nID;
        int nExtra;  // beyond text margin and text width
    };
    const Case cases[] = {
        {IDC_LAYOUT_TEXT, 0},
        {IDOK, SCALED_21},  // BS_DEFPUSHBUTTON counts as a box to tick
        {IDCANCEL, SCALED_12 + 2 * ::GetSystemMetrics(SM_CXBORDER) + 2},
    };
    for (const Case& c : cases)
    {
        HWND hCtl = ::GetDlgItem(dlg.m_hWnd, c.nID);
        wchar_t szText[64] = {};
        ::GetWindowTextW(hCtl, szText, 64);
        HDC hDC = ::GetDC(dlg.m_hWnd);
        HGDIOBJ hOld = ::SelectObject(hDC, ::GetStockObject(DEFAULT_GUI_FONT));
        RECT rcText = {};
        ::DrawTextW(hDC, szText, -1, &rcText, DT_CALCRECT | DT_EXPANDTABS);
        ::SelectObject(hDC, hOld);
        ::ReleaseDC(dlg.m_hWnd, hDC);
        const RECT rcBefore = dlg.ChildRect(c.nID);

        CLayoutGroupObj* pItem = dlg.m_layout.AddControl(c.nID, GLL_SIZE_TO_TEXT);
        ASSERT_NE(nullptr, pItem);
        const RECT rcAfter = dlg.ChildRect(c.nID);
        EXPECT_EQ(SCALED_5 + rcText.right + c.nExtra, rcAfter.right - rcAfter.left) << c.nID;
        EXPECT_EQ(rcBefore.bottom - rcBefore.top, rcAfter.bottom - rcAfter.top);
        EXPECT_FALSE(pItem->m_bStretchX);
        EXPECT_FALSE(pItem->m_bStretchY);
    }
}

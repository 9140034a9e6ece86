#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <thread>

#include "framework/Module.h"
#include "framework/WinApp.h"
#include "layout/GroupSplitter.h"
#include "layout/LayoutGroup.h"
#include "tests/layout/controls_test_dialog.h"
#include "tests/layout/rect_compare.h"
#include "tests/layout/test_profile_key.h"

namespace {

void PumpMessages()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

void SetSlotAndMin(CLayoutGroupObj& item, LONG cx, LONG cy, LONG minCx, LONG minCy, double dWeight)
{
    item.m_rcSlot = {0, 0, cx, cy};
    item.m_rcMin = {0, 0, minCx, minCy};
    item.m_dWeight = dWeight;
}

LONG Height(const RECT& rc)
{
    return rc.bottom - rc.top;
}

LONG Width(const RECT& rc)
{
    return rc.right - rc.left;
}

}  // namespace

TEST(SplitterWeights, MoveByShiftsShareFromOneNeighbourToTheOther)
{
    struct Case
    {
        const char* name;
        bool bVerticalBar;
        LONG before;  // slot size along the movement
        LONG after;
        double wBefore;
        double wAfter;
        double d;
        double expectBefore;
        double expectAfter;
    };
    const Case cases[] = {
        {"down by 30 over 200 + 100", false, 200, 100, 60, 40, 30, 70, 30},
        {"up by 30 over 200 + 100", false, 200, 100, 60, 40, -30, 50, 50},
        {"right by 15 over 150 + 150", true, 150, 150, 50, 50, 15, 55, 45},
        {"left by 150 over 150 + 150", true, 150, 150, 50, 50, -150, 0, 100},
        {"no offset changes nothing", false, 200, 100, 60, 40, 0, 60, 40},
        {"neighbours without room change nothing", false, 0, 0, 60, 40, 10, 60, 40},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        CLayoutGroupObj before;
        CLayoutGroupObj after;
        SetSlotAndMin(before, c.before, c.before, 0, 0, c.wBefore);
        SetSlotAndMin(after, c.after, c.after, 0, 0, c.wAfter);
        // The other direction must not count: give it a different size.
        (c.bVerticalBar ? before.m_rcSlot.bottom : before.m_rcSlot.right) = 999;
        CGroupSplitter bar;
        bar.m_bVerticalBar = c.bVerticalBar;
        bar.m_pItemBefore = &before;
        bar.m_pItemAfter = &after;
        bar.m_dPosition = c.wBefore;
        bar.MoveBy(c.d, false);
        EXPECT_NEAR(c.expectBefore, before.m_dWeight, 1e-9);
        EXPECT_NEAR(c.expectAfter, after.m_dWeight, 1e-9);
        EXPECT_NEAR(c.expectBefore, bar.m_dPosition, 1e-9);
    }
}

TEST(SplitterLimits, DragRangeKeepsBothNeighboursAtTheirMinimum)
{
    struct Case
    {
        const char* name;
        bool bVerticalBar;
        bool bNeighbours;
        RECT bar;
        LONG slotBefore, minBefore, slotAfter, minAfter;
        bool bOk;
        RECT expected;
    };
    const Case cases[] = {
        // Horizontal bar 7 high: half = 3.
        {"horizontal bar", false, true, {100, 300, 400, 307}, 200, 50, 100, 30, true, {100 - 200, 153, 400 + 100, 374}},
        // Vertical bar 8 wide: half = 4.
        {"vertical bar", true, true, {300, 100, 308, 400}, 120, 20, 80, 10, true, {204, 100 - 120, 374, 400 + 80}},
        {"no room left", false, true, {100, 300, 400, 307}, 50, 52, 30, 30, false, {100, 300, 400, 307}},
        {"a neighbour missing", false, false, {100, 300, 400, 307}, 200, 50, 100, 30, false, {100, 300, 400, 307}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        CLayoutGroupObj before;
        CLayoutGroupObj after;
        SetSlotAndMin(before, c.slotBefore, c.slotBefore, c.minBefore, c.minBefore, 50);
        SetSlotAndMin(after, c.slotAfter, c.slotAfter, c.minAfter, c.minAfter, 50);
        CGroupSplitter bar;
        bar.m_bVerticalBar = c.bVerticalBar;
        bar.m_pItemBefore = &before;
        bar.m_pItemAfter = c.bNeighbours ? &after : nullptr;
        RECT rc = c.bar;
        EXPECT_EQ(c.bOk, bar.GetDragLimits(rc));
        EXPECT_EQ(c.expected, rc);
    }
}

TEST(SplitterDragRect, SecondDrawingRestoresThePixelsAndAMoveTouchesOnlyTheDifference)
{
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    HDC hScreen = ::GetDC(nullptr);
    HBITMAP hBitmap = ::CreateCompatibleBitmap(hScreen, 40, 40);
    ::ReleaseDC(nullptr, hScreen);
    HGDIOBJ hOld = ::SelectObject(dc, hBitmap);
    const RECT rcAll = {0, 0, 40, 40};
    dc.FillSolidRect(&rcAll, RGB(255, 255, 255));

    const RECT rcA = {5, 5, 15, 12};
    const SIZE size = {10, 7};
    dc.DrawDragRect(&rcA, size, nullptr, size);
    int nChanged = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            nChanged += ::GetPixel(dc, x, y) != RGB(255, 255, 255) ? 1 : 0;
    // The halftone pattern inverts every other pixel of the bar's area.
    EXPECT_EQ(35, nChanged);
    EXPECT_EQ(RGB(255, 255, 255), ::GetPixel(dc, 4, 5));

    RECT rcB = rcA;
    ::OffsetRect(&rcB, 0, 20);
    dc.DrawDragRect(&rcB, size, &rcA, size);
    bool bOldClean = true;
    for (int y = rcA.top; y < rcA.bottom; ++y)
        for (int x = rcA.left; x < rcA.right; ++x)
            bOldClean = bOldClean && ::GetPixel(dc, x, y) == RGB(255, 255, 255);
    EXPECT_TRUE(bOldClean);

    dc.DrawDragRect(&rcB, size, nullptr, size);
    bool bAllClean = true;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            bAllClean = bAllClean && ::GetPixel(dc, x, y) == RGB(255, 255, 255);
    EXPECT_TRUE(bAllClean);
    ::SelectObject(dc, hOld);
    ::DeleteObject(hBitmap);
}

namespace {

constexpr wchar_t kSection[] = L"Teiler";

class SplitterDialogTest : public OwnProfileTest
{
protected:
    void TearDown() override
    {
        OwnProfileTest::TearDown();
        AfxDeleteTempMaps();
    }

    // Opens the dialog shown at a known size, with room to move the bar
    // either way before a list reaches its template size.
    static void Open(CControlsTestDlg& dlg)
    {
        ASSERT_TRUE(dlg.Create(dlg.GetTemplateId()));
        const int cx = dlg.m_bSideBySide ? 1000 : 500;
        ::SetWindowPos(dlg.m_hWnd, nullptr, 100, 100, cx, 500, SWP_NOZORDER | SWP_NOACTIVATE);
        dlg.ShowWindow(SW_SHOW);
        PumpMessages();
        ASSERT_NE(nullptr, dlg.Splitter());
    }
    int StoredPosition() { return static_cast<int>(m_app.GetProfileIntW(kSection, L"Splitter", -1)); }
};

// Presses the bar at pt (its client coordinates) with the given messages
// already waiting in the queue, so that the drag loop ends by itself.
void PressWithQueued(CGroupSplitter& bar, POINT pt, const MSG* pQueued, size_t nQueued)
{
    for (size_t i = 0; i < nQueued; ++i)
        ::PostMessageW(bar.m_hWnd, pQueued[i].message, pQueued[i].wParam, pQueued[i].lParam);
    bar.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
}

MSG Queued(UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG msg = {};
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    return msg;
}

// Counts the moves a window receives.
struct MoveCounter
{
    int nMoves = 0;
    static LRESULT CALLBACK Proc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR dwRef)
    {
        if (message == WM_WINDOWPOSCHANGED &&
            (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE))
            ++reinterpret_cast<MoveCounter*>(dwRef)->nMoves;
        return ::DefSubclassProc(hWnd, message, wParam, lParam);
    }
};

}  // namespace

TEST_F(SplitterDialogTest, StoredPositionSetsTheNeighboursWeights)
{
    struct Case
    {
        int nStored;  // -1: nothing stored
        double expected;
    };
    const Case cases[] = {{-1, 60}, {70, 70}, {95, 95}, {96, 50}, {100, 50}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.nStored);
        DeleteProfile();
        if (c.nStored >= 0)
            m_app.WriteProfileInt(kSection, L"Splitter", c.nStored);
        CControlsTestDlg dlg(kSection);
        Open(dlg);
        EXPECT_DOUBLE_EQ(c.expected, dlg.m_pTop->m_dWeight);
        EXPECT_DOUBLE_EQ(100 - c.expected, dlg.m_pBottom->m_dWeight);
        EXPECT_DOUBLE_EQ(c.expected, dlg.Splitter()->m_dPosition);
        EXPECT_EQ(dlg.m_pTop, dlg.Splitter()->m_pItemBefore);
        EXPECT_EQ(dlg.m_pBottom, dlg.Splitter()->m_pItemAfter);
    }
}

TEST_F(SplitterDialogTest, PositionIsWrittenWhenTheDialogGoesAndReadOnTheNextOpening)
{
    {
        CControlsTestDlg dlg(kSection);
        Open(dlg);
        const LONG nTop = Height(dlg.ChildRect(IDC_CONTROLS_TOP));
        const LONG nBottom = Height(dlg.ChildRect(IDC_CONTROLS_BOTTOM));
        // Move the boundary so that the top list gets 70 percent.
        dlg.Splitter()->MoveBy((nTop + nBottom) * 0.1, false);
        EXPECT_NEAR(70.0, dlg.Splitter()->m_dPosition, 1e-6);
        EXPECT_NEAR(nTop + (nTop + nBottom) * 0.1, Height(dlg.ChildRect(IDC_CONTROLS_TOP)), 1.0);
    }
    EXPECT_EQ(70, StoredPosition());

    CControlsTestDlg again(kSection);
    Open(again);
    EXPECT_DOUBLE_EQ(70.0, again.m_pTop->m_dWeight);
    EXPECT_DOUBLE_EQ(30.0, again.m_pBottom->m_dWeight);
    const double dTop = Height(again.ChildRect(IDC_CONTROLS_TOP));
    const double dBottom = Height(again.ChildRect(IDC_CONTROLS_BOTTOM));
    EXPECT_NEAR(0.7, dTop / (dTop + dBottom), 0.01);
}

TEST_F(SplitterDialogTest, HidingOneNeighbourGivesTheOtherEverythingAndDisablesTheBar)
{
    CControlsTestDlg dlg(kSection);
    Open(dlg);
    CGroupSplitter& bar = *dlg.Splitter();
    dlg.m_pBottom->m_bVisible = false;
    bar.SyncNeighbourWeights();
    EXPECT_DOUBLE_EQ(100.0, dlg.m_pTop->m_dWeight);
    EXPECT_DOUBLE_EQ(0.0, dlg.m_pBottom->m_dWeight);
    EXPECT_FALSE(bar.IsWindowEnabled());

    dlg.m_pBottom->m_bVisible = true;
    dlg.m_pTop->m_bVisible = false;
    bar.SyncNeighbourWeights();
    EXPECT_DOUBLE_EQ(0.0, dlg.m_pTop->m_dWeight);
    EXPECT_DOUBLE_EQ(100.0, dlg.m_pBottom->m_dWeight);
    EXPECT_FALSE(bar.IsWindowEnabled());

    dlg.m_pTop->m_bVisible = true;
    bar.SyncNeighbourWeights();
    EXPECT_DOUBLE_EQ(60.0, dlg.m_pTop->m_dWeight);
    EXPECT_DOUBLE_EQ(40.0, dlg.m_pBottom->m_dWeight);
    EXPECT_TRUE(bar.IsWindowEnabled());
}

TEST_F(SplitterDialogTest, PressAndReleaseWithoutMovingChangesNothing)
{
    struct Case
    {
        double wTop, wBottom, expectTop, expectBottom;
    };
    const Case cases[] = {{60, 40, 60, 40}, {0, 100, 50, 50}, {100, 0, 50, 50}};
    CControlsTestDlg dlg(kSection);
    Open(dlg);
    CGroupSplitter& bar = *dlg.Splitter();
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.wTop);
        dlg.m_pTop->m_dWeight = c.wTop;
        dlg.m_pBottom->m_dWeight = c.wBottom;
        const RECT rcTop = dlg.ChildRect(IDC_CONTROLS_TOP);
        const MSG up = Queued(WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
        PressWithQueued(bar, {3, 3}, &up, 1);
        EXPECT_DOUBLE_EQ(c.expectTop, dlg.m_pTop->m_dWeight);
        EXPECT_DOUBLE_EQ(c.expectBottom, dlg.m_pBottom->m_dWeight);
        EXPECT_EQ(rcTop, dlg.ChildRect(IDC_CONTROLS_TOP));
        EXPECT_EQ(nullptr, ::GetCapture());
    }
}

TEST_F(SplitterDialogTest, RectangleDragEndedWithEscapeStillMovesTheBoundary)
{
    CControlsTestDlg dlg(kSection);
    Open(dlg);
    CGroupSplitter& bar = *dlg.Splitter();
    bar.m_bLiveResize = false;
    const RECT rcTop = dlg.ChildRect(IDC_CONTROLS_TOP);
    const RECT rcBottom = dlg.ChildRect(IDC_CONTROLS_BOTTOM);
    const MSG queued[] = {Queued(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(3, 3 + 10)),
                          Queued(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(3, 3 + 20)),
                          Queued(WM_KEYDOWN, VK_ESCAPE, 0)};
    PressWithQueued(bar, {3, 3}, queued, 3);
    EXPECT_NEAR(rcTop.bottom + 20, dlg.ChildRect(IDC_CONTROLS_TOP).bottom, 1);
    EXPECT_NEAR(rcBottom.top + 20, dlg.ChildRect(IDC_CONTROLS_BOTTOM).top, 1);
    EXPECT_EQ(rcBottom.bottom, dlg.ChildRect(IDC_CONTROLS_BOTTOM).bottom);
    EXPECT_EQ(nullptr, ::GetCapture());
    RECT rcClip = {};
    ::GetClipCursor(&rcClip);
    EXPECT_EQ(::GetSystemMetrics(SM_CXVIRTUALSCREEN), rcClip.right - rcClip.left);
}

TEST_F(SplitterDialogTest, LiveDragRelaysOutOnlyForANewOffset)
{
    CControlsTestDlg dlg(kSection);
    Open(dlg);
    CGroupSplitter& bar = *dlg.Splitter();
    const RECT rcTop = dlg.ChildRect(IDC_CONTROLS_TOP);
    MoveCounter counter;
    HWND hBottom = ::GetDlgItem(dlg.m_hWnd, IDC_CONTROLS_BOTTOM);
    ::SetWindowSubclass(hBottom, MoveCounter::Proc, 0x5344, reinterpret_cast<DWORD_PTR>(&counter));
    // Relative to the bar, which follows the mouse: the same offset twice
    // means the mouse went on by that much again.
    const MSG queued[] = {Queued(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(3, 3 + 10)),
                          Queued(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(3, 3 + 10)),
                          Queued(WM_LBUTTONUP, 0, MAKELPARAM(3, 3 + 10))};
    PressWithQueued(bar, {3, 3}, queued, 3);
    ::RemoveWindowSubclass(hBottom, MoveCounter::Proc, 0x5344);
    // One relayout in the loop, one for the offset it skipped.
    EXPECT_EQ(2, counter.nMoves);
    EXPECT_NEAR(rcTop.bottom + 20, dlg.ChildRect(IDC_CONTROLS_TOP).bottom, 1);
}

namespace {

// Drives the real pointer from another thread while the dialog's thread
// runs the drag loop.
class CPointerDriver
{
public:
    // bEscape: the drag ends with the Escape key while the button is still
    // down; the button comes up afterwards.
    void Run(POINT ptFrom, POINT ptTo, int nSteps, bool bEscape = false)
    {
        m_thread = std::thread([=] {
            ::Sleep(150);
            Move(ptFrom);
            ::Sleep(100);
            Button(MOUSEEVENTF_LEFTDOWN);
            ::Sleep(150);
            for (int i = 1; i <= nSteps; ++i)
            {
                Move({ptFrom.x + (ptTo.x - ptFrom.x) * i / nSteps, ptFrom.y + (ptTo.y - ptFrom.y) * i / nSteps});
                ::Sleep(60);
            }
            ::Sleep(100);
            if (bEscape)
            {
                Key(0);
                Key(KEYEVENTF_KEYUP);
                ::Sleep(150);
                // Past the end of the drag: this must move nothing.
                Move({ptTo.x + (ptTo.x - ptFrom.x) / 2, ptTo.y + (ptTo.y - ptFrom.y) / 2});
                ::Sleep(100);
            }
            Button(MOUSEEVENTF_LEFTUP);
            ::Sleep(150);
            m_bDone = true;
        });
    }
    void Wait()
    {
        while (!m_bDone)
        {
            PumpMessages();
            ::Sleep(5);
        }
        m_thread.join();
        PumpMessages();
    }

private:
    static void Move(POINT pt)
    {
        INPUT input = {};
        input.type = INPUT_MOUSE;
        input.mi.dx = static_cast<LONG>((pt.x * 65536LL + 32768) / ::GetSystemMetrics(SM_CXSCREEN));
        input.mi.dy = static_cast<LONG>((pt.y * 65536LL + 32768) / ::GetSystemMetrics(SM_CYSCREEN));
        input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        ::SendInput(1, &input, sizeof(input));
    }
    static void Key(DWORD dwFlags)
    {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = VK_ESCAPE;
        input.ki.dwFlags = dwFlags;
        ::SendInput(1, &input, sizeof(input));
    }
    static void Button(DWORD dwFlags)
    {
        INPUT input = {};
        input.type = INPUT_MOUSE;
        input.mi.dwFlags = dwFlags;
        ::SendInput(1, &input, sizeof(input));
    }

    std::thread m_thread;
    std::atomic<bool> m_bDone{false};
};

}  // namespace

TEST_F(SplitterDialogTest, RealMouseDragMovesTheBoundaryAndTheBarWithThePointer)
{
    struct Case
    {
        const char* name;
        bool bSideBySide;
        int nDelta;
        bool bLive;  // false: a drag rectangle, ended with Escape
    };
    const Case cases[] = {{"vertical bar", true, 50, true},
                          {"horizontal bar down", false, 40, true},
                          {"horizontal bar up", false, -30, true},
                          {"vertical bar, rectangle, Escape", true, -40, false},
                          {"horizontal bar, rectangle, Escape", false, 30, false}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        DeleteProfile();
        double dPosition = 0;
        {
            CControlsTestDlg dlg(kSection, c.bSideBySide);
            Open(dlg);
            ::SetForegroundWindow(dlg.m_hWnd);
            PumpMessages();
            CGroupSplitter& bar = *dlg.Splitter();
            bar.m_bLiveResize = c.bLive;
            RECT rcBar = {};
            bar.GetWindowRect(&rcBar);
            const POINT ptFrom = {(rcBar.left + rcBar.right) / 2, (rcBar.top + rcBar.bottom) / 2};
            ::SetCursorPos(ptFrom.x, ptFrom.y);
            POINT ptNow = {};
            ::GetCursorPos(&ptNow);
            if (ptNow.x != ptFrom.x || ptNow.y != ptFrom.y)
                GTEST_SKIP() << "the display does not move the pointer";
            // The pointer can only take the bar as far as both lists keep
            // their template size; the dialog must leave that much room.
            const auto room = [&](const CLayoutGroupObj* p) {
                return c.bSideBySide ? p->m_rcSlot.right - p->m_rcMin.right : p->m_rcSlot.bottom - p->m_rcMin.bottom;
            };
            ASSERT_GT(room(c.nDelta > 0 ? dlg.m_pBottom : dlg.m_pTop), std::abs(c.nDelta) + 10);
            const RECT rcFirst = dlg.ChildRect(IDC_CONTROLS_TOP);
            const RECT rcSecond = dlg.ChildRect(IDC_CONTROLS_BOTTOM);
            const RECT rcBarBefore = dlg.ClientRectOf(bar.m_hWnd);
            const POINT ptTo = c.bSideBySide ? POINT{ptFrom.x + c.nDelta, ptFrom.y} : POINT{ptFrom.x, ptFrom.y + c.nDelta};

            CPointerDriver driver;
            driver.Run(ptFrom, ptTo, 4, !c.bLive);
            driver.Wait();

            const RECT rcBarAfter = dlg.ClientRectOf(bar.m_hWnd);
            if (c.bSideBySide)
            {
                EXPECT_NEAR(rcFirst.right + c.nDelta, dlg.ChildRect(IDC_CONTROLS_TOP).right, 2);
                EXPECT_NEAR(rcSecond.left + c.nDelta, dlg.ChildRect(IDC_CONTROLS_BOTTOM).left, 2);
                EXPECT_NEAR(rcBarBefore.left + c.nDelta, rcBarAfter.left, 2);
                EXPECT_EQ(Width(rcBarBefore), Width(rcBarAfter));
                EXPECT_EQ(rcSecond.right, dlg.ChildRect(IDC_CONTROLS_BOTTOM).right);
            }
            else
            {
                EXPECT_NEAR(rcFirst.bottom + c.nDelta, dlg.ChildRect(IDC_CONTROLS_TOP).bottom, 2);
                EXPECT_NEAR(rcSecond.top + c.nDelta, dlg.ChildRect(IDC_CONTROLS_BOTTOM).top, 2);
                EXPECT_NEAR(rcBarBefore.top + c.nDelta, rcBarAfter.top, 2);
                EXPECT_EQ(Height(rcBarBefore), Height(rcBarAfter));
                EXPECT_EQ(rcSecond.bottom, dlg.ChildRect(IDC_CONTROLS_BOTTOM).bottom);
            }
            EXPECT_EQ(nullptr, ::GetCapture());
            dPosition = bar.m_dPosition;
            EXPECT_NE(60.0, dPosition);
        }
        EXPECT_EQ(static_cast<int>(dPosition), StoredPosition());
    }
}

TEST_F(SplitterDialogTest, ColoursCursorAndThemeFill)
{
    CControlsTestDlg dlg(kSection);
    Open(dlg);
    CGroupSplitter& bar = *dlg.Splitter();
    RECT rc = {};
    bar.GetClientRect(&rc);
    auto pixel = [&](int x, int y) {
        bar.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        HDC hDC = ::GetDC(bar.m_hWnd);
        const COLORREF cr = ::GetPixel(hDC, x, y);
        ::ReleaseDC(bar.m_hWnd, hDC);
        return cr;
    };
    if (pixel(rc.right / 2, 0) == CLR_INVALID)
        GTEST_SKIP() << "the display gives no pixels back";

    struct Fill
    {
        int nThemeState;
        int nColor;
    };
    const Fill fills[] = {{0, COLOR_HIGHLIGHT}, {1, COLOR_GRADIENTACTIVECAPTION}, {2, COLOR_HIGHLIGHT}};
    for (const Fill& f : fills)
    {
        bar.m_nThemeState = f.nThemeState;
        EXPECT_EQ(::GetSysColor(f.nColor), pixel(rc.right / 2, rc.bottom / 2)) << f.nThemeState;
    }

    // Without an answer the band keeps its colour, even after a system
    // colour change; an answer of 2 replaces it.
    EXPECT_EQ(::GetSysColor(COLOR_BTNFACE), pixel(rc.right / 2, 0));
    dlg.m_nAnswer = 2;
    dlg.m_bSetBackground = true;
    dlg.m_crAnswerBackground = RGB(0, 128, 0);
    bar.SendMessage(WM_GLL_REFRESH_COLORS);
    EXPECT_EQ(RGB(0, 128, 0), pixel(rc.right / 2, 0));
    dlg.m_nAnswer = 0;
    bar.SendMessage(WM_SYSCOLORCHANGE);
    EXPECT_EQ(RGB(0, 128, 0), pixel(rc.right / 2, 0));

    bar.SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(bar.m_hWnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(::LoadCursorW(nullptr, IDC_SIZENS), ::GetCursor());
    CGroupSplitter lone;
    lone.Create(L"", WS_CHILD | SS_NOTIFY, RECT{0, 0, 8, 7}, &dlg, 0x7001);
    lone.SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(lone.m_hWnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(::LoadCursorW(nullptr, IDC_CROSS), ::GetCursor());
}

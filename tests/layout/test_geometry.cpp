#include <gtest/gtest.h>

#include <vector>

#include "tests/layout/fake_windows.h"
#include "tests/layout/rect_compare.h"

namespace
{
constexpr int kButtonA = 1;
constexpr int kButtonB = 2;
constexpr int kButtonC = 3;
constexpr int kList1 = 11;
constexpr int kList2 = 12;
constexpr int kList3 = 13;
}  // namespace

TEST(LayoutGeometry, FlexibleGapPushesFixedButtonsToTheRightEdge)
{
    CScopedDpi dpi(96, 96);
    CFakeLayout f;
    f.m_windows.Add(kButtonA, 75, 23);
    f.m_windows.Add(kButtonB, 75, 23);
    f.m_layout.BeginGroup(GLL_HORIZONTAL);
    CLayoutGroupObj* pGap = f.m_layout.AddSpace(0);
    f.m_layout.AddControl(kButtonA, GLL_FIXED_SIZE);
    f.m_layout.AddSpace(10);
    f.m_layout.AddControl(kButtonB, GLL_FIXED_SIZE);
    f.Measure();
    f.Layout(400, 23);

    EXPECT_DOUBLE_EQ(100.0, pGap->m_dWeight);
    EXPECT_EQ(0, pGap->m_rcMin.right);
    EXPECT_EQ(240, pGap->m_rcSlot.right);
    EXPECT_EQ((RECT{240, 0, 314, 23}), f.Rect(kButtonA)) << "74 pixels: one pixel kept free before the gap";
    EXPECT_EQ((RECT{325, 0, 400, 23}), f.Rect(kButtonB));
}

TEST(LayoutGeometry, StretchingListsShareByTemplateSizeAndFirstGetsRemainder)
{
    CScopedDpi dpi(96, 96);
    CFakeLayout f;
    f.m_windows.Add(kList1, 100, 72, L"SysListView32");
    f.m_windows.Add(kList2, 100, 58, L"SysListView32");
    f.m_layout.BeginGroup(GLL_VERTICAL);
    CLayoutGroupObj* pFirst = f.m_layout.AddControl(kList1);
    CLayoutGroupObj* pSecond = f.m_layout.AddControl(kList2);
    f.Measure();
    f.Layout(100, 300);

    EXPECT_NEAR(55.38, pFirst->m_dWeight, 0.005);
    EXPECT_NEAR(44.62, pSecond->m_dWeight, 0.005);
    EXPECT_EQ(167, pFirst->m_rcSlot.bottom);
    EXPECT_EQ(133, pSecond->m_rcSlot.bottom);
    EXPECT_EQ((RECT{0, 0, 100, 167}), f.Rect(kList1));
    EXPECT_EQ((RECT{0, 167, 100, 300}), f.Rect(kList2));
    EXPECT_TRUE(pFirst->m_bFullRedraw);
}

TEST(LayoutGeometry, OverflowIsTakenOnePixelPerSweepFromChildrenAboveTheirMinimum)
{
    struct Case
    {
        std::vector<int> mins;
        std::vector<double> weights;
        int nFree;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {{40, 10}, {20, 80}, 60, {40, 20}},
        {{40, 10}, {20, 80}, 45, {40, 10}},  // nobody can shrink: the overflow stays
        {{30, 5, 5}, {10, 45, 45}, 60, {30, 15, 15}},
        {{30, 5, 5}, {10, 45, 45}, 61, {30, 15, 16}},
        {{10, 10}, {50, 50}, 100, {50, 50}},
    };
    CScopedDpi dpi(96, 96);
    for (const Case& c : cases)
    {
        CFakeLayout f;
        f.m_layout.BeginGroup(GLL_VERTICAL);
        std::vector<CLayoutGroupObj*> items;
        for (size_t i = 0; i < c.mins.size(); ++i)
        {
            f.m_windows.Add(kList1 + static_cast<int>(i), 50, c.mins[i]);
            items.push_back(f.m_layout.AddControl(kList1 + static_cast<int>(i)));
        }
        f.Measure();
        for (size_t i = 0; i < items.size(); ++i)
            items[i]->m_dWeight = c.weights[i];
        f.Layout(50, c.nFree);
        for (size_t i = 0; i < items.size(); ++i)
            EXPECT_EQ(c.expected[i], items[i]->m_rcSlot.bottom) << "free " << c.nFree << ", child " << i;
    }
}

TEST(LayoutGeometry, RemainderGoesToFirstChildOnlyWhenItStretches)
{
    struct Case
    {
        UINT nFirstSizing;
        LONG nExpectedFirst;
        LONG nExpectedSecond;
    };
    // 200 wide; first 50, second 30 fixed or stretching; free space is split
    // by weights and what truncation leaves goes to the first child only if
    // that one stretches.
    const Case cases[] = {
        {GLL_FIXED_SIZE, 50, 30},
        {0, 200 - 30, 30},
    };
    CScopedDpi dpi(96, 96);
    for (const Case& c : cases)
    {
        CFakeLayout f;
        f.m_windows.Add(kButtonA, 50, 20);
        f.m_windows.Add(kButtonB, 30, 20);
        f.m_layout.BeginGroup(GLL_HORIZONTAL);
        CLayoutGroupObj* pFirst = f.m_layout.AddControl(kButtonA, c.nFirstSizing);
        CLayoutGroupObj* pSecond = f.m_layout.AddControl(kButtonB, GLL_FIXED_SIZE);
        f.Measure();
        f.Layout(200, 20);
        EXPECT_EQ(c.nExpectedFirst, pFirst->m_rcSlot.right) << "sizing " << c.nFirstSizing;
        EXPECT_EQ(c.nExpectedSecond, pSecond->m_rcSlot.right);
    }
}

TEST(LayoutGeometry, RunAlignmentMovesTheStartOfTheColumn)
{
    struct Case
    {
        UINT nAlignment;
        LONG nExpectedTop;
    };
    const Case cases[] = {
        {GLL_ALIGN_START, 0},
        {GLL_ALIGN_CENTER, 62},
        {GLL_ALIGN_BOTTOM, 125},
    };
    CScopedDpi dpi(96, 96);
    for (const Case& c : cases)
    {
        CFakeLayout f;
        f.m_windows.Add(kButtonA, 60, 20);
        f.m_windows.Add(kButtonB, 60, 20);
        f.m_windows.Add(kButtonC, 60, 25);
        f.m_layout.GetCurrentGroup()->Alignment = c.nAlignment;
        f.m_layout.AddControl(kButtonA, GLL_FIXED_SIZE);
        f.m_layout.AddControl(kButtonB, GLL_FIXED_SIZE);
        f.m_layout.AddSpace(10);
        f.m_layout.AddControl(kButtonC, GLL_FIXED_SIZE);
        f.Measure();
        f.Layout(60, 200);
        EXPECT_EQ(c.nExpectedTop, f.Rect(kButtonA).top) << "alignment " << c.nAlignment;
        EXPECT_EQ(c.nExpectedTop + 50, f.Rect(kButtonC).top);
    }
}

TEST(LayoutGeometry, RootInsetsCountTwiceAtTheStartAndOnceAtTheEnd)
{
    CScopedDpi dpi(96, 96);
    CFakeLayout f;
    f.m_windows.Add(kList1, 100, 50, L"SysListView32");
    f.m_layout.AddControl(kList1);
    f.m_layout.m_root.m_rcInsets = {3, 3, 6, 6};
    f.Measure();
    f.Layout(300, 200);
    EXPECT_EQ((RECT{6, 6, 297, 197}), f.Rect(kList1));
}

TEST(LayoutGeometry, ItemFlagsPlaceAgainstTheClientArea)
{
    struct Case
    {
        UINT nSizing;
        RECT expected;
    };
    // A 40 × 20 control preceded by a 30-pixel gap in a column of a 200 × 100
    // client area.
    const Case cases[] = {
        {GLL_FIXED_SIZE, {0, 30, 40, 50}},
        {GLL_FIXED_SIZE | GLL_SPAN_CLIENT, {0, 30, 200, 50}},
        {GLL_FIXED_SIZE | GLL_ALIGN_CLIENT_TOP, {0, 0, 40, 20}},
        {GLL_FIXED_SIZE | GLL_STRETCH_CLIENT_TOP, {0, 0, 40, 50}},
    };
    CScopedDpi dpi(96, 96);
    for (const Case& c : cases)
    {
        CFakeLayout f;
        f.m_windows.Add(kButtonA, 40, 20);
        f.m_layout.AddSpace(30);
        f.m_layout.AddControl(kButtonA, c.nSizing);
        f.Measure();
        f.Layout(200, 100);
        EXPECT_EQ(c.expected, f.Rect(kButtonA)) << "sizing 0x" << std::hex << c.nSizing;
    }
}

TEST(LayoutGeometry, HiddenItemGivesItsSpaceAwayAndGetsItBack)
{
    CScopedDpi dpi(96, 96);
    CFakeLayout f;
    f.m_windows.Add(kList1, 100, 25, L"SysListView32");
    f.m_windows.Add(kList2, 100, 25, L"SysListView32");
    f.m_windows.Add(kList3, 100, 50, L"SysListView32");
    f.m_layout.BeginGroup(GLL_VERTICAL);
    f.m_layout.AddControl(kList1);
    CLayoutGroupObj* pMiddle = f.m_layout.AddControl(kList2);
    f.m_layout.AddControl(kList3);
    f.Measure();
    f.Layout(100, 400);
    EXPECT_EQ((RECT{0, 100, 100, 200}), f.Rect(kList2));
    EXPECT_EQ((RECT{0, 200, 100, 400}), f.Rect(kList3));

    pMiddle->m_bVisible = false;
    f.m_layout.Relayout();
    EXPECT_EQ((RECT{0, 0, 100, 200}), f.Rect(kList1)) << "the first list takes the unused share";
    EXPECT_EQ((RECT{0, 200, 100, 400}), f.Rect(kList3));

    f.m_layout.RelayoutAfterChange(pMiddle, true);
    EXPECT_TRUE(pMiddle->m_bVisible);
    EXPECT_EQ((RECT{0, 0, 100, 100}), f.Rect(kList1));
    EXPECT_EQ((RECT{0, 100, 100, 200}), f.Rect(kList2));
}

TEST(LayoutGeometry, UnchangedWindowsAreNeitherMovedNorRedrawn)
{
    CScopedDpi dpi(96, 96);
    CFakeLayout f;
    f.m_windows.Add(kList1, 100, 50, L"SysListView32");
    f.m_windows.Add(kButtonA, 75, 23);
    f.m_windows.Add(kButtonB, 75, 23);
    f.m_layout.BeginGroup(GLL_VERTICAL);
    f.m_layout.AddControl(kList1);
    f.m_layout.BeginGroup(GLL_HORIZONTAL);
    f.m_layout.AddControl(kButtonA, GLL_FIXED_SIZE);
    f.m_layout.AddControl(kButtonB, GLL_FIXED_SIZE);
    f.Measure();
    f.Layout(300, 200);
    const int nAfterFirst = f.m_windows.TotalMoves();
    const int nRedrawsButton = f.m_windows.Get(kButtonA).nRedraws;

    f.Layout(300, 200);
    EXPECT_EQ(nAfterFirst, f.m_windows.TotalMoves()) << "same size: nothing moves";
    EXPECT_EQ(nRedrawsButton, f.m_windows.Get(kButtonA).nRedraws);

    // Wider only: the list is resized, the buttons at the start of their row
    // keep their rectangles.
    const int nListMoves = f.m_windows.Get(kList1).nMoves;
    const int nButtonMoves = f.m_windows.Get(kButtonA).nMoves + f.m_windows.Get(kButtonB).nMoves;
    f.Layout(350, 200);
    EXPECT_EQ(nListMoves + 1, f.m_windows.Get(kList1).nMoves);
    EXPECT_EQ(nButtonMoves, f.m_windows.Get(kButtonA).nMoves + f.m_windows.Get(kButtonB).nMoves);
}

TEST(LayoutGeometry, MovedOnlyRedrawsWithEraseResizedWithout)
{
    CScopedDpi dpi(96, 96);
    CFakeLayout f;
    f.m_windows.Add(kList1, 100, 50, L"SysListView32");
    f.m_windows.Add(kButtonA, 75, 23);
    f.m_windows.Add(kButtonB, 75, 23);
    f.m_layout.BeginGroup(GLL_VERTICAL);
    f.m_layout.AddControl(kButtonB, GLL_FIXED_SIZE);
    f.m_layout.AddSpace(0);
    f.m_layout.AddControl(kButtonA, GLL_FIXED_SIZE);
    f.Measure();
    f.Layout(300, 200);
    f.m_windows.Get(kButtonB).rc = {0, 0, 10, 10};
    f.Layout(300, 260);
    EXPECT_EQ(static_cast<UINT>(0x585), f.m_windows.Get(kButtonA).nLastRedraw) << "moved down, same size";
    EXPECT_EQ(static_cast<UINT>(0x581), f.m_windows.Get(kButtonB).nLastRedraw) << "size changed";

    // A host not yet shown is painted whole when it is: moves, no redraws.
    f.m_windows.m_dwHostStyle = 0;
    const int nRedraws = f.m_windows.Get(kButtonA).nRedraws;
    const int nFills = f.m_windows.m_nFills;
    f.Layout(300, 300);
    EXPECT_EQ(3, f.m_windows.Get(kButtonA).nMoves);
    EXPECT_EQ(nRedraws, f.m_windows.Get(kButtonA).nRedraws);
    EXPECT_EQ(nFills, f.m_windows.m_nFills);
}

TEST(LayoutGeometry, FindItemAnswersTheFirstItemOfAHandle)
{
    CFakeLayout f;
    f.m_windows.Add(kButtonA, 75, 23);
    f.m_windows.Add(kButtonB, 75, 23);
    CLayoutGroupObj* pA = f.m_layout.AddControl(kButtonA);
    CLayoutGroupObj* pAAgain = f.m_layout.AddControl(kButtonA);
    CLayoutGroupObj* pB = f.m_layout.AddControl(kButtonB);
    ASSERT_NE(nullptr, pAAgain);
    EXPECT_EQ(pA, f.m_layout.FindItem(f.m_windows.Get(kButtonA).object.m_hWnd));
    EXPECT_EQ(pB, f.m_layout.FindItem(f.m_windows.Get(kButtonB).object.m_hWnd));
    EXPECT_EQ(nullptr, f.m_layout.FindItem(reinterpret_cast<HWND>(static_cast<INT_PTR>(0x5555))));
}

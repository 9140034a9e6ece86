#include <gtest/gtest.h>

#include "tests/layout/fake_windows.h"
#include "tests/layout/rect_compare.h"

TEST(LayoutBuilder, ItemsAreNumberedFromOneInCreationOrder)
{
    CFakeLayout f;
    f.m_windows.Add(1, 75, 23);
    CLayoutGroupObj* pGroup = f.m_layout.BeginGroup(GLL_VERTICAL);
    CLayoutGroupObj* pControl = f.m_layout.AddControl(1);
    CLayoutGroupObj* pGap = f.m_layout.AddSpace(5);
    ASSERT_NE(nullptr, pGroup);
    EXPECT_EQ(1u, pGroup->m_nId);
    EXPECT_EQ(2u, pControl->m_nId);
    EXPECT_EQ(3u, pGap->m_nId);
    EXPECT_EQ(&f.m_layout.m_root, pGroup->m_pParent);
    EXPECT_EQ(pGroup, pControl->m_pParent);
    EXPECT_EQ(GLL_VERTICAL, pControl->m_nOrientation) << "a leaf carries its group's orientation";
    ASSERT_EQ(3, f.m_layout.m_arrItems.GetSize());
    EXPECT_EQ(pGap, f.m_layout.m_arrItems[2]);
    EXPECT_EQ(pGroup, f.m_layout.GetCurrentGroup());
}

TEST(LayoutBuilder, CallsFailAndLeaveNothingWithoutHostOrControl)
{
    CFakeLayout f;
    f.m_windows.Add(1, 75, 23);
    EXPECT_EQ(nullptr, f.m_layout.AddControl(99)) << "no such control";
    EXPECT_EQ(nullptr, f.m_layout.BeginGroup(0)) << "no orientation";
    f.m_layout.m_pHostDlg = nullptr;
    EXPECT_EQ(nullptr, f.m_layout.BeginGroup(GLL_HORIZONTAL));
    EXPECT_EQ(nullptr, f.m_layout.AddControl(1));
    EXPECT_EQ(nullptr, f.m_layout.AddSpace(10));
    EXPECT_EQ(0, f.m_layout.m_arrItems.GetSize());
    EXPECT_EQ(0, f.m_layout.m_root.m_arrChildren.GetSize());
    EXPECT_EQ(0, f.m_layout.GetOpenGroupCount());
    EXPECT_EQ(0u, f.m_layout.m_nNextId);
}

TEST(LayoutBuilder, GapsAndMarginsAreScaledOnceWhenStored)
{
    struct Case
    {
        int dpi;
        UINT nOrientation;
        int nSize;
        LONG nExpectedMin;
        UINT nExpectedMarker;
    };
    const Case cases[] = {
        {144, GLL_HORIZONTAL, 10, 15, 15},
        {144, GLL_VERTICAL, 10, 15, 15},
        {96, GLL_VERTICAL, 120, 120, 100},
        {96, GLL_HORIZONTAL, 0, 1, 0},
    };
    for (const Case& c : cases)
    {
        CScopedDpi dpi(c.dpi, c.dpi);
        CFakeLayout f;
        f.m_layout.BeginGroup(c.nOrientation);
        CLayoutGroupObj* pGap = f.m_layout.AddSpace(c.nSize);
        ASSERT_NE(nullptr, pGap);
        const bool bHorizontal = c.nOrientation == GLL_HORIZONTAL;
        EXPECT_EQ(c.nExpectedMin, bHorizontal ? pGap->m_rcMin.right : pGap->m_rcMin.bottom) << c.nSize;
        EXPECT_EQ(0, bHorizontal ? pGap->m_rcMin.bottom : pGap->m_rcMin.right);
        EXPECT_EQ(c.nExpectedMarker, pGap->m_nFixedGap);
        EXPECT_EQ(c.nSize == 0, bHorizontal ? pGap->m_bStretchX : pGap->m_bStretchY);
        EXPECT_FALSE(bHorizontal ? pGap->m_bStretchY : pGap->m_bStretchX);
        EXPECT_EQ(GLL_KIND_GAP, pGap->m_nKind);
    }

    CScopedDpi dpi(144, 144);
    CFakeLayout f;
    const RECT margins = {0, 5, 0, 10};
    CLayoutGroupObj* pGroup = f.m_layout.BeginGroup(GLL_VERTICAL, &margins);
    EXPECT_EQ((RECT{0, 8, 0, 15}), pGroup->m_rcInsets);
}

TEST(LayoutBuilder, SizingArgumentSetsStretchAndFlags)
{
    struct Case
    {
        const wchar_t* pszClass;
        DWORD dwStyle;
        UINT nSizing;
        bool bStretchX;
        bool bStretchY;
        DWORD dwFlags;
        bool bMoveVia;
        LONG nWidthAfter;
    };
    const Case cases[] = {
        {L"Button", 0, 0, true, true, 0, false, 50},
        {L"Button", 0, GLL_FIXED_WIDTH, false, true, 0, false, 50},
        {L"Button", 0, GLL_FIXED_HEIGHT, true, false, 0, false, 50},
        {L"Button", 0, GLL_SPAN_CLIENT, true, true, 0x20, false, 50},
        {L"Button", 0, GLL_SPAN_CLIENT2, true, true, 0x20, false, 50},
        {L"Button", 0, GLL_ALIGN_CLIENT_TOP, true, true, 0x1000, false, 50},
        {L"Button", 0, GLL_STRETCH_CLIENT_TOP, true, true, 0x4000, false, 50},
        {L"Button", 0, GLL_MOVE_VIA_WND, true, true, 0, true, 50},
        {L"ComboBox", 0, 0, true, false, 0, false, 50},
        {L"COMBOBOX", 0, 0x103, true, false, 0, false, 50},
        {L"ComboBox", 0, GLL_FIXED_SIZE, false, false, 0, false, 50},
        {L"Static", SS_ICON, 0, true, true, 0, false, 51},
        {L"Static", SS_LEFT, 0, true, true, 0, false, 50},
    };
    for (const Case& c : cases)
    {
        CFakeLayout f;
        f.m_windows.Add(1, 50, 20, c.pszClass, c.dwStyle);
        CLayoutGroupObj* pItem = f.m_layout.AddControl(1, c.nSizing);
        ASSERT_NE(nullptr, pItem);
        const CString strCase = c.pszClass;
        EXPECT_EQ(c.bStretchX, pItem->m_bStretchX) << static_cast<const wchar_t*>(strCase) << " 0x" << std::hex << c.nSizing;
        EXPECT_EQ(c.bStretchY, pItem->m_bStretchY) << static_cast<const wchar_t*>(strCase) << " 0x" << std::hex << c.nSizing;
        EXPECT_EQ(c.dwFlags, pItem->m_dwFlags) << std::hex << c.nSizing;
        EXPECT_EQ(c.bMoveVia, pItem->m_bMoveViaWnd);
        EXPECT_EQ(c.nWidthAfter, f.Rect(1).right - f.Rect(1).left);
        EXPECT_EQ(20, f.Rect(1).bottom - f.Rect(1).top);
        EXPECT_EQ(GLL_KIND_CONTROL, pItem->m_nKind);
        EXPECT_EQ(f.m_windows.Get(1).object.m_hWnd, pItem->m_hWnd);
    }
}

TEST(LayoutBuilder, SizeToTextWithoutTextOnlyFixesTheSize)
{
    CFakeLayout f;
    f.m_windows.Add(1, 50, 20);
    // A made-up handle has no text: the width stays.
    CLayoutGroupObj* pItem = f.m_layout.AddControl(1, GLL_SIZE_TO_TEXT);
    ASSERT_NE(nullptr, pItem);
    EXPECT_FALSE(pItem->m_bStretchX);
    EXPECT_FALSE(pItem->m_bStretchY);
    EXPECT_EQ(50, f.Rect(1).right);
}

TEST(LayoutBuilder, ResetClearsItemsAndRestoresDefaults)
{
    CScopedDpi dpi(144, 144);
    CFakeLayout f;
    f.m_windows.Add(1, 50, 20);
    f.m_layout.BeginGroup(GLL_HORIZONTAL);
    f.m_layout.AddControl(1);
    f.m_layout.m_nMinClientWidth = 10;
    f.m_layout.m_crBackground = RGB(1, 2, 3);
    f.m_layout.ResetLayout();
    EXPECT_EQ(0, f.m_layout.m_arrItems.GetSize());
    EXPECT_EQ(0, f.m_layout.m_root.m_arrChildren.GetSize());
    EXPECT_EQ(0, f.m_layout.GetOpenGroupCount());
    EXPECT_EQ(nullptr, f.m_layout.m_pHostDlg);
    EXPECT_EQ(0u, f.m_layout.m_nNextId);
    EXPECT_EQ(0, f.m_layout.m_nMinClientWidth);
    EXPECT_EQ(static_cast<COLORREF>(-1), f.m_layout.m_crBackground);
    EXPECT_EQ(8, f.m_layout.m_nTextMargin);
    EXPECT_EQ(GLL_KIND_ROOT, f.m_layout.m_root.m_nKind);
    EXPECT_EQ(GLL_VERTICAL, f.m_layout.m_root.m_nOrientation);
    ASSERT_NE(nullptr, f.m_layout.m_pFont);
    EXPECT_EQ(::GetStockObject(DEFAULT_GUI_FONT), f.m_layout.m_pFont->m_hObject);
}

#include <gtest/gtest.h>

#include <windows.h>

#include "framework/Module.h"
#include "layout/LayoutDpi.h"
#include "layout/LayoutGroup.h"
#include "layout/LayoutSystem.h"
#include "tests/layout/layout_test_dialog.h"

TEST(LayoutSystem, VersionCodeIsTenTimesMajorPlusMinorAndElevenDecadesFromBuild22000)
{
    struct Case
    {
        unsigned long nMajor, nMinor, nBuild;
        int expected;
    };
    const Case cases[] = {
        {5, 1, 2600, 51}, {6, 0, 6002, 60}, {6, 1, 7601, 61}, {6, 3, 9600, 63},
        {10, 0, 19045, 100}, {10, 0, 22000, 110}, {10, 0, 22631, 110}, {6, 1, 22000, 110},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, OSVersionCodeFrom(c.nMajor, c.nMinor, c.nBuild)) << c.nMajor << "." << c.nMinor;
}

TEST(LayoutSystem, VersionCodeOfTheRunningSystemIsCachedAndDrivesTheThemeState)
{
    typedef LONG(WINAPI * PFN)(OSVERSIONINFOW*);
    auto pfn = reinterpret_cast<PFN>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
    ASSERT_NE(nullptr, pfn);
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    ASSERT_EQ(0, pfn(&info));
    const int nCode = GetOSVersionCode();
    EXPECT_EQ(OSVersionCodeFrom(info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber), nCode);
    EXPECT_EQ(nCode, GetOSVersionCode());

    CLayoutGroup layout;
    EXPECT_EQ(nCode, layout.m_nOSVersion);
    if (nCode >= 60)
    {
        EXPECT_EQ(2, layout.m_nThemeState) << "visual styles from Vista on";
    }
    EXPECT_EQ(2, QueryThemeState(60));
    EXPECT_EQ(2, QueryThemeState(110));
}

namespace
{
class SeparatorAndSplitterItemsTest : public ::testing::Test
{
protected:
    void TearDown() override { AfxDeleteTempMaps(); }
};
}  // namespace

TEST_F(SeparatorAndSplitterItemsTest, LayoutMadeWindowsTakeTheHighestFreeIdsAndTheirItemShape)
{
    struct Case
    {
        UINT nOrientation;
        SIZE separatorSize;
        bool bSeparatorStretchX;
        bool bSeparatorStretchY;
        bool bVerticalBar;
    };
    const Case cases[] = {
        {GLL_VERTICAL, {2, 10}, true, false, false},
        {GLL_HORIZONTAL, {10, 2}, false, true, true},
    };
    for (const Case& c : cases)
    {
        CLayoutTestDlg dlg(IDD_LAYOUT_RESIZABLE, CLayoutTestDlg::kNoLayout);
        ASSERT_TRUE(dlg.Create(IDD_LAYOUT_RESIZABLE));
        CLayoutGroup& layout = dlg.m_layout;
        layout.BeginGroup(c.nOrientation);
        layout.AddControl(IDC_LAYOUT_LIST1);
        CLayoutGroupObj* pSeparator = layout.AddSeparator();
        CLayoutGroupObj* pSplitter = layout.AddSplitter();
        layout.AddControl(IDC_LAYOUT_LIST2);
        ASSERT_NE(nullptr, pSeparator);
        ASSERT_NE(nullptr, pSplitter);

        EXPECT_EQ(0x7FFF, ::GetDlgCtrlID(pSeparator->m_hWnd));
        EXPECT_EQ(0x7FFE, ::GetDlgCtrlID(pSplitter->m_hWnd)) << "the separator already took 0x7FFF";
        EXPECT_EQ(GLL_KIND_SEPARATOR, pSeparator->m_nKind);
        EXPECT_EQ(GLL_KIND_SEPARATOR, pSeparator->m_nSubKind);
        EXPECT_EQ(10u, pSeparator->m_nFixedGap);
        EXPECT_EQ(GLL_ITEM_SPAN_CLIENT, pSeparator->m_dwFlags);
        EXPECT_EQ(c.bSeparatorStretchX, pSeparator->m_bStretchX);
        EXPECT_EQ(c.bSeparatorStretchY, pSeparator->m_bStretchY);
        EXPECT_NE(nullptr, pSeparator->m_pGroupStatic);
        RECT rc = {};
        ::GetWindowRect(pSeparator->m_hWnd, &rc);
        EXPECT_EQ(c.separatorSize.cx, rc.right - rc.left);
        EXPECT_EQ(c.separatorSize.cy, rc.bottom - rc.top);

        EXPECT_EQ(GLL_KIND_SPLITTER, pSplitter->m_nKind);
        EXPECT_EQ(CString(L"Splitter"), pSplitter->m_strName);
        EXPECT_DOUBLE_EQ(60.0, pSplitter->m_dWeight);
        EXPECT_NE(nullptr, pSplitter->m_pSplitter);
        EXPECT_EQ(c.nOrientation == GLL_HORIZONTAL, !pSplitter->m_bStretchX);
        EXPECT_EQ(c.nOrientation == GLL_VERTICAL, !pSplitter->m_bStretchY);
        ::GetWindowRect(pSplitter->m_hWnd, &rc);
        EXPECT_EQ(SCALED_4 + 4, rc.right - rc.left);
        EXPECT_EQ(SCALED_3 + 4, rc.bottom - rc.top);

        // Clearing the layout destroys the windows it made.
        const HWND hSeparator = pSeparator->m_hWnd;
        const HWND hSplitter = pSplitter->m_hWnd;
        layout.ResetLayout();
        EXPECT_FALSE(::IsWindow(hSeparator));
        EXPECT_FALSE(::IsWindow(hSplitter));
        EXPECT_NE(nullptr, ::GetDlgItem(dlg.m_hWnd, IDC_LAYOUT_LIST1)) << "the dialog's own controls stay";
    }
}

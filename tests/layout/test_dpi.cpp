#include <gtest/gtest.h>

#include "layout/LayoutDpi.h"
#include "layout/LayoutMessages.h"
#include "layout/LayoutMonitor.h"
#include "tests/layout/fake_windows.h"
#include "tests/layout/rect_compare.h"

TEST(LayoutDpi, ScaleRoundsHalvesAwayFromZeroAndNeverScalesDown)
{
    struct Case
    {
        int dpi;
        int v;
        int expected;
    };
    const Case cases[] = {
        {96, 21, 21}, {144, 21, 32}, {144, 5, 8}, {120, 10, 13}, {72, 21, 21},
        {144, -21, -32}, {144, 0, 0}, {192, 7, 14}, {60, -5, -5},
    };
    for (const Case& c : cases)
    {
        CScopedDpi dpi(c.dpi, c.dpi);
        EXPECT_EQ(c.expected, ScaleX(c.v)) << c.v << " at " << c.dpi << " DPI";
        EXPECT_EQ(c.expected, ScaleY(c.v)) << c.v << " at " << c.dpi << " DPI";
    }
}

TEST(LayoutDpi, ScaleRectUsesEachAxisOwnDpiAndKeepsZeros)
{
    struct Case
    {
        int dpiX;
        int dpiY;
        RECT in;
        RECT expected;
    };
    const Case cases[] = {
        {192, 96, {0, 10, 0, 20}, {0, 10, 0, 20}},
        {192, 144, {10, 10, 20, 20}, {20, 15, 40, 30}},
        {96, 144, {0, 5, 0, 10}, {0, 8, 0, 15}},
    };
    for (const Case& c : cases)
    {
        CScopedDpi dpi(c.dpiX, c.dpiY);
        RECT rc = c.in;
        ScaleRect(rc);
        EXPECT_EQ(c.expected, rc);
    }
}

TEST(LayoutDpi, ScalingZeroDoesNotQueryAndTheRecordIsQueriedOnlyOnce)
{
    LayoutDpi saved = GetLayoutDpi();
    GetLayoutDpi() = {96, 96, FALSE};
    EXPECT_EQ(0, ScaleX(0));
    EXPECT_FALSE(GetLayoutDpi().queried);
    ScaleX(1);
    EXPECT_TRUE(GetLayoutDpi().queried);

    HDC hDC = ::GetDC(nullptr);
    ASSERT_NE(nullptr, hDC);
    EXPECT_EQ(::GetDeviceCaps(hDC, LOGPIXELSX), GetLayoutDpi().dpiX);
    EXPECT_EQ(::GetDeviceCaps(hDC, LOGPIXELSY), GetLayoutDpi().dpiY);
    ::ReleaseDC(nullptr, hDC);

    // A queried record is not queried again.
    GetLayoutDpi().dpiX = 333;
    GetLayoutDpi().QueryDpi();
    EXPECT_EQ(333, GetLayoutDpi().dpiX);
    GetLayoutDpi() = saved;
}

TEST(LayoutDpi, StartupLengthsFollowTheRecord)
{
    struct Case
    {
        int dpi;
        int s3, s4, s5, s10, s12, s21;
    };
    const Case cases[] = {
        {96, 3, 4, 5, 10, 12, 21},
        {144, 5, 6, 8, 15, 18, 32},
    };
    for (const Case& c : cases)
    {
        CScopedDpi dpi(c.dpi, c.dpi);
        EXPECT_EQ(c.s3, SCALED_3);
        EXPECT_EQ(c.s4, SCALED_4);
        EXPECT_EQ(c.s5, SCALED_5);
        EXPECT_EQ(c.s10, SCALED_10);
        EXPECT_EQ(c.s12, SCALED_12);
        EXPECT_EQ(c.s21, SCALED_21);
    }
}

TEST(LayoutMonitor, WorkAreaOfARectangleOnNoMonitorIsTheNearestMonitors)
{
    CGUILayoutLibMonitor& monitor = CGUILayoutLibMonitor::Get();
    ASSERT_TRUE(monitor.LoadMonitorApi());
    EXPECT_NE(nullptr, monitor.m_pfnMonitorFromRect);
    EXPECT_NE(nullptr, monitor.m_pfnMonitorFromWindow);

    const RECT rcOnScreen = {10, 10, 100, 100};
    RECT rcOff = {-2500, 100, -1900, 500};
    RECT rcFar = {100000, 100000, 100100, 100100};
    RECT out1 = {};
    RECT out2 = {};
    RECT out3 = {};
    GetWorkAreaForRect(out1, rcOnScreen);
    EXPECT_EQ(&out2, &GetWorkAreaForRect(out2, rcOff)) << "answers its out argument";
    GetWorkAreaForRect(out3, rcFar);

    HMONITOR hMonitor = ::MonitorFromRect(&rcOff, MONITOR_DEFAULTTONEAREST);
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(::GetMonitorInfoW(hMonitor, &info));
    EXPECT_EQ(info.rcWork, out2);
    EXPECT_EQ(info.rcMonitor, GetMonitorInfoForRect(rcOff).rcMonitor);
    EXPECT_FALSE(::IsRectEmpty(&out1));
    EXPECT_EQ(out1, out2) << "one monitor: every rectangle gets its work area";
    EXPECT_EQ(out1, out3);
}

TEST(LayoutMessages, FiveNamesAreRegisteredAtStartup)
{
    EXPECT_NE(0u, WM_GLL_PROPPAGE_SIZED_SHEET);
    EXPECT_EQ(::RegisterWindowMessageW(L"WM_GLL_PROPPAGE_SIZED_SHEET"), WM_GLL_PROPPAGE_SIZED_SHEET);
    EXPECT_EQ(::RegisterWindowMessageW(L"WM_GLL_OPEN_LAZY_FETCHING_GROUP"), WM_GLL_OPEN_LAZY_FETCHING_GROUP);
    EXPECT_EQ(::RegisterWindowMessageW(L"WM_GLL_GET_CTRL_COLORS"), WM_GLL_GET_CTRL_COLORS);
    EXPECT_NE(WM_GLL_PROPPAGE_SIZED_SHEET, WM_GLL_GET_CTRL_COLORS);
}

TEST(LayoutDpi, RecordAndStartupLengthsFollowTheScreenOfTheRun)
{
    // The harness sets the prefix's resolution and says so in the environment.
    int nExpected = 96;
    wchar_t szValue[16] = {};
    if (::GetEnvironmentVariableW(L"QUILLON_EXPECT_DPI", szValue, 16) > 0 ||
        ::GetEnvironmentVariableW(L"QUILLON_DPI", szValue, 16) > 0)
        nExpected = _wtoi(szValue);

    LayoutDpi saved = GetLayoutDpi();
    GetLayoutDpi() = {96, 96, FALSE};
    CLayoutScaledLengths::Compute();
    EXPECT_EQ(nExpected, GetLayoutDpi().dpiX);
    EXPECT_EQ(nExpected, GetLayoutDpi().dpiY);
    const int nScale = nExpected > 96 ? nExpected : 96;
    EXPECT_EQ(::MulDiv(21, nScale, 96), SCALED_21);
    EXPECT_EQ(::MulDiv(10, nScale, 96), SCALED_10);
    EXPECT_EQ(::MulDiv(5, nScale, 96), SCALED_5);
    GetLayoutDpi() = saved;
    CLayoutScaledLengths::Compute();
}

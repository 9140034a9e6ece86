#include "layout/LayoutDpi.h"

#include "framework/WinApp.h"
#include "framework/Wnd.h"
#include "layout/LayoutMonitor.h"

int SCALED_3 = 3;
int SCALED_4 = 4;
int SCALED_5 = 5;
int SCALED_10 = 10;
int SCALED_12 = 12;
int SCALED_21 = 21;

namespace
{
constexpr int MDT_EFFECTIVE_DPI_VALUE = 0;

int Scale(int v, int dpi)
{
    if (dpi > 96)
        return ::MulDiv(v, dpi, 96);
    return v;
}
}  // namespace

void LayoutDpi::QueryDpi()
{
    if (queried)
        return;

    if (HDC hDC = ::GetDC(nullptr))
    {
        dpiX = ::GetDeviceCaps(hDC, LOGPIXELSX);
        dpiY = ::GetDeviceCaps(hDC, LOGPIXELSY);
        ::ReleaseDC(nullptr, hDC);
    }

    HWND hMainWnd = nullptr;
    if (CWinThread* pThread = AfxGetThread())
    {
        if (CWnd* pMainWnd = pThread->GetMainWnd())
            hMainWnd = pMainWnd->GetSafeHwnd();
    }

    CGUILayoutLibMonitor& monitor = CGUILayoutLibMonitor::Get();
    monitor.LoadMonitorApi();
    if (monitor.m_pfnGetDpiForMonitor != nullptr && monitor.m_pfnMonitorFromWindow != nullptr && hMainWnd != nullptr)
    {
        UINT x = static_cast<UINT>(dpiX);
        UINT y = static_cast<UINT>(dpiY);
        monitor.m_pfnGetDpiForMonitor(monitor.m_pfnMonitorFromWindow(hMainWnd, MONITOR_DEFAULTTONEAREST),
                                      MDT_EFFECTIVE_DPI_VALUE, &x, &y);
        dpiX = static_cast<int>(x);
        dpiY = static_cast<int>(y);
    }

    queried = TRUE;
}

LayoutDpi& GetLayoutDpi()
{
    static LayoutDpi s_dpi = {96, 96, FALSE};
    return s_dpi;
}

int ScaleX(int v)
{
    if (v == 0)
        return 0;
    LayoutDpi& dpi = GetLayoutDpi();
    dpi.QueryDpi();
    return Scale(v, dpi.dpiX);
}

int ScaleY(int v)
{
    if (v == 0)
        return 0;
    LayoutDpi& dpi = GetLayoutDpi();
    dpi.QueryDpi();
    return Scale(v, dpi.dpiY);
}

void ScaleRect(RECT& rect)
{
    rect.left = ScaleX(rect.left);
    rect.right = ScaleX(rect.right);
    rect.top = ScaleY(rect.top);
    rect.bottom = ScaleY(rect.bottom);
}

CLayoutScaledLengths::CLayoutScaledLengths()
{
    Compute();
}

void CLayoutScaledLengths::Compute()
{
    SCALED_3 = ScaleX(3);
    SCALED_4 = ScaleX(4);
    SCALED_5 = ScaleX(5);
    SCALED_10 = ScaleX(10);
    SCALED_12 = ScaleX(12);
    SCALED_21 = ScaleX(21);
}

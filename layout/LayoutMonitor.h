#pragma once

#include <windows.h>

#include "framework/Object.h"

// Multi-monitor and per-monitor-DPI entry points, looked up at run time so
// that the program also starts where they are missing. The program defines
// one instance among its start-up objects.
class CGUILayoutLibMonitor : public CObject
{
public:
    typedef int(WINAPI* PFN_GETSYSTEMMETRICS)(int);
    typedef HMONITOR(WINAPI* PFN_MONITORFROMWINDOW)(HWND, DWORD);
    typedef HMONITOR(WINAPI* PFN_MONITORFROMRECT)(LPCRECT, DWORD);
    typedef HMONITOR(WINAPI* PFN_MONITORFROMPOINT)(POINT, DWORD);
    typedef BOOL(WINAPI* PFN_GETMONITORINFO)(HMONITOR, LPMONITORINFO);
    typedef HRESULT(WINAPI* PFN_GETDPIFORMONITOR)(HMONITOR, int, UINT*, UINT*);

    CGUILayoutLibMonitor();
    ~CGUILayoutLibMonitor() override;
    CGUILayoutLibMonitor(const CGUILayoutLibMonitor&) = delete;
    CGUILayoutLibMonitor& operator=(const CGUILayoutLibMonitor&) = delete;

    // Resolves the entry points once; later calls report whether
    // GetMonitorInfoW is available.
    bool LoadMonitorApi();

    // The program's instance, or a private one while none exists.
    static CGUILayoutLibMonitor& Get();

    PFN_GETSYSTEMMETRICS m_pfnGetSystemMetrics;
    PFN_MONITORFROMWINDOW m_pfnMonitorFromWindow;
    PFN_MONITORFROMRECT m_pfnMonitorFromRect;
    PFN_MONITORFROMPOINT m_pfnMonitorFromPoint;
    PFN_GETMONITORINFO m_pfnGetMonitorInfo;
    PFN_GETDPIFORMONITOR m_pfnGetDpiForMonitor;
    HMODULE m_hShcore;
    HMODULE m_hUser32;
    BOOL m_bLoaded;
};

// The monitor nearest to in: its bounds and its work area, in screen
// coordinates. Without the monitor API, the primary screen's.
MONITORINFO GetMonitorInfoForRect(const RECT& in);
// The work area of the monitor nearest to in; out is written and returned.
RECT& GetWorkAreaForRect(RECT& out, const RECT& in);

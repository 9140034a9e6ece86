#include "layout/LayoutMonitor.h"

namespace
{
CGUILayoutLibMonitor* g_pProgramMonitor = nullptr;

template<class T>
T Lookup(HMODULE hModule, const char* pszName)
{
    return reinterpret_cast<T>(reinterpret_cast<void*>(::GetProcAddress(hModule, pszName)));
}
}  // namespace

CGUILayoutLibMonitor::CGUILayoutLibMonitor()
    : m_pfnGetSystemMetrics(nullptr),
      m_pfnMonitorFromWindow(nullptr),
      m_pfnMonitorFromRect(nullptr),
      m_pfnMonitorFromPoint(nullptr),
      m_pfnGetMonitorInfo(nullptr),
      m_pfnGetDpiForMonitor(nullptr),
      m_hShcore(nullptr),
      m_hUser32(nullptr),
      m_bLoaded(FALSE)
{
    LoadMonitorApi();
    if (g_pProgramMonitor == nullptr)
        g_pProgramMonitor = this;
}

CGUILayoutLibMonitor::~CGUILayoutLibMonitor()
{
    if (g_pProgramMonitor == this)
        g_pProgramMonitor = nullptr;
    if (m_hShcore != nullptr)
        ::FreeLibrary(m_hShcore);
    // USER32 was only looked up, never loaded, so it is not released.
    m_hShcore = nullptr;
    m_hUser32 = nullptr;
}

bool CGUILayoutLibMonitor::LoadMonitorApi()
{
    if (m_bLoaded)
        return m_pfnGetMonitorInfo != nullptr;

    m_hUser32 = ::GetModuleHandleW(L"USER32");
    if (m_hUser32 == nullptr)
    {
        m_pfnGetSystemMetrics = nullptr;
        m_pfnMonitorFromWindow = nullptr;
        m_pfnMonitorFromRect = nullptr;
        m_pfnMonitorFromPoint = nullptr;
        m_pfnGetMonitorInfo = nullptr;
        m_pfnGetDpiForMonitor = nullptr;
        m_bLoaded = TRUE;
        return false;
    }

    m_pfnGetSystemMetrics = Lookup<PFN_GETSYSTEMMETRICS>(m_hUser32, "GetSystemMetrics");
    m_pfnMonitorFromWindow = Lookup<PFN_MONITORFROMWINDOW>(m_hUser32, "MonitorFromWindow");
    m_pfnMonitorFromRect = Lookup<PFN_MONITORFROMRECT>(m_hUser32, "MonitorFromRect");
    m_pfnMonitorFromPoint = Lookup<PFN_MONITORFROMPOINT>(m_hUser32, "MonitorFromPoint");
    m_pfnGetMonitorInfo = Lookup<PFN_GETMONITORINFO>(m_hUser32, "GetMonitorInfoW");

    m_hShcore = ::LoadLibraryW(L"Shcore.dll");
    if (m_hShcore != nullptr)
        m_pfnGetDpiForMonitor = Lookup<PFN_GETDPIFORMONITOR>(m_hShcore, "GetDpiForMonitor");

    m_bLoaded = TRUE;
    return true;
}

CGUILayoutLibMonitor& CGUILayoutLibMonitor::Get()
{
    if (g_pProgramMonitor != nullptr)
        return *g_pProgramMonitor;
    // Before the program's object exists (the DPI lengths are scaled first)
    // and in programs without one.
    static CGUILayoutLibMonitor* s_pFallback = [] {
        CGUILayoutLibMonitor* p = new CGUILayoutLibMonitor();
        if (g_pProgramMonitor == p)
            g_pProgramMonitor = nullptr;
        return p;
    }();
    return *s_pFallback;
}

MONITORINFO GetMonitorInfoForRect(const RECT& in)
{
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    CGUILayoutLibMonitor& monitor = CGUILayoutLibMonitor::Get();
    if (monitor.LoadMonitorApi() && monitor.m_pfnMonitorFromRect != nullptr)
    {
        HMONITOR hMonitor = monitor.m_pfnMonitorFromRect(&in, MONITOR_DEFAULTTONEAREST);
        if (hMonitor != nullptr && monitor.m_pfnGetMonitorInfo != nullptr &&
            monitor.m_pfnGetMonitorInfo(hMonitor, &info))
            return info;
    }
    info.rcMonitor = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    info.rcWork = info.rcMonitor;
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &info.rcWork, 0);
    info.dwFlags = MONITORINFOF_PRIMARY;
    return info;
}

RECT& GetWorkAreaForRect(RECT& out, const RECT& in)
{
    out = GetMonitorInfoForRect(in).rcWork;
    return out;
}

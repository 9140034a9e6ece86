#include "framework/Module.h"

#include "framework/Gdi.h"
#include "framework/Wnd.h"

namespace {
// Constant-initialised, so it reads null before any constructor ran.
CFrameworkModule* g_pModule = nullptr;
}

CFrameworkModule::CFrameworkModule()
    : m_hInstance(::GetModuleHandleW(nullptr)), m_dwMainThreadId(::GetCurrentThreadId())
{
    g_pModule = this;
}

CFrameworkModule::~CFrameworkModule()
{
    if (g_pModule == this)
        g_pModule = nullptr;
}

CFrameworkModule* CFrameworkModule::Get()
{
    return g_pModule;
}

HINSTANCE AfxGetInstanceHandle()
{
    return g_pModule != nullptr ? g_pModule->m_hInstance : ::GetModuleHandleW(nullptr);
}

HINSTANCE AfxFindResourceHandle(LPCWSTR lpszName, LPCWSTR lpszType)
{
    HINSTANCE hInstance = AfxGetInstanceHandle();
    if (::FindResourceW(hInstance, lpszName, lpszType) != nullptr)
        return hInstance;
    HINSTANCE hExe = ::GetModuleHandleW(nullptr);
    if (hExe != hInstance && ::FindResourceW(hExe, lpszName, lpszType) != nullptr)
        return hExe;
    return nullptr;
}

void AfxDeleteTempMaps()
{
    CWnd::DeleteTempMap();
    CDC::DeleteTempMap();
}

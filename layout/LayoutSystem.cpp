#include "layout/LayoutSystem.h"

#include <windows.h>

namespace
{
typedef LONG(WINAPI* PFN_RTLGETVERSION)(OSVERSIONINFOW*);
typedef BOOL(WINAPI* PFN_ISTHEMEACTIVE)();

int QueryOSVersionCode()
{
    HMODULE hNtdll = ::GetModuleHandleW(L"NTDLL.DLL");
    if (hNtdll == nullptr)
        return 50;
    auto pfnRtlGetVersion =
        reinterpret_cast<PFN_RTLGETVERSION>(reinterpret_cast<void*>(::GetProcAddress(hNtdll, "RtlGetVersion")));
    if (pfnRtlGetVersion == nullptr)
        return 50;
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (pfnRtlGetVersion(&info) != 0)
        return 50;
    return OSVersionCodeFrom(info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber);
}
}  // namespace

int OSVersionCodeFrom(unsigned long nMajor, unsigned long nMinor, unsigned long nBuild)
{
    if (nBuild >= 22000)
        return 110;
    return static_cast<int>(10 * nMajor + nMinor);
}

int GetOSVersionCode()
{
    static const int s_nCode = QueryOSVersionCode();
    return s_nCode;
}

int QueryThemeState(int nOSVersion)
{
    HMODULE hUxTheme = ::LoadLibraryW(L"UxTheme.dll");
    if (hUxTheme == nullptr)
        return 0;
    int nState = 0;
    auto pfnIsThemeActive =
        reinterpret_cast<PFN_ISTHEMEACTIVE>(reinterpret_cast<void*>(::GetProcAddress(hUxTheme, "IsThemeActive")));
    if (pfnIsThemeActive != nullptr)
    {
        if (nOSVersion >= 60)
            nState = 2;
        else
            nState = pfnIsThemeActive() ? 1 : 0;
    }
    ::FreeLibrary(hUxTheme);
    return nState;
}

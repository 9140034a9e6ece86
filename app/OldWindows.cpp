// The threading runtime that mingw-w64 links into the program calls
// GetTickCount64 directly, and Windows XP and Server 2003 lack it: an import
// of it alone would keep the program from loading there. The runtime reaches
// the function through its import pointer; defining that pointer here takes
// the place of the import, and the pointer leads to the system's function
// where there is one.
#if defined(__MINGW32__)

#include <windows.h>

namespace {

ULONGLONG WINAPI TickCount64()
{
    typedef ULONGLONG(WINAPI * PFNGETTICKCOUNT64)();
    static const PFNGETTICKCOUNT64 pfnSystem = reinterpret_cast<PFNGETTICKCOUNT64>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "GetTickCount64")));
    if (pfnSystem != nullptr)
        return pfnSystem();
    // Milliseconds of the performance counter: 64 bits wide and steady, as
    // the runtime's timeouts need.
    LARGE_INTEGER frequency = {};
    LARGE_INTEGER counter = {};
    if (!::QueryPerformanceFrequency(&frequency) || frequency.QuadPart == 0 || !::QueryPerformanceCounter(&counter))
        return ::GetTickCount();
    const ULONGLONG ticks = static_cast<ULONGLONG>(counter.QuadPart);
    const ULONGLONG perSecond = static_cast<ULONGLONG>(frequency.QuadPart);
    return ticks / perSecond * 1000 + ticks % perSecond * 1000 / perSecond;
}

}  // namespace

extern "C" {
ULONGLONG(WINAPI* __imp_GetTickCount64)() = &TickCount64;
}

#endif

#pragma once

#include <windows.h>

// The framework's module object: the instance whose resources (dialog
// templates, strings, icons) the program uses. A program defines exactly one,
// first among its start-up objects; without one (test programs) the
// executable's own module is used.
class CFrameworkModule
{
public:
    CFrameworkModule();
    ~CFrameworkModule();
    CFrameworkModule(const CFrameworkModule&) = delete;
    CFrameworkModule& operator=(const CFrameworkModule&) = delete;

    HINSTANCE m_hInstance;
    DWORD m_dwMainThreadId;

    static CFrameworkModule* Get();
};

HINSTANCE AfxGetInstanceHandle();
// The module that holds the resource (the framework's module or the
// executable), or null when neither does.
HINSTANCE AfxFindResourceHandle(LPCWSTR lpszName, LPCWSTR lpszType);

// Frees the temporary wrappers handed out by CWnd::FromHandle and
// CDC::FromHandle; run whenever a message loop goes idle.
void AfxDeleteTempMaps();

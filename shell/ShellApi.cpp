#include "shell/ShellApi.h"

namespace {

// Constant-initialised, so it reads null before any constructor ran.
CShellApi* g_pShellApi = nullptr;

template<class PFN>
PFN LookUp(HMODULE hModule, const char* pszName)
{
    return reinterpret_cast<PFN>(reinterpret_cast<void*>(::GetProcAddress(hModule, pszName)));
}

DWORD ReportedMajorVersion()
{
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)
#endif
    if (!::GetVersionExW(&info))
        return 0;
    return info.dwMajorVersion;
}

}  // namespace

CShellApi::CShellApi()
    : m_hShell(nullptr),
      m_pfnILFree(nullptr),
      m_pfnILClone(nullptr),
      m_pfnILFindLastID(nullptr),
      m_pfnILRemoveLastID(nullptr),
      m_pfnCreateItemFromParsingName(nullptr),
      m_nOsMajorVersion(ReportedMajorVersion()),
      m_pPrevious(g_pShellApi)
{
    m_hShell = ::LoadLibraryW(L"SHELL32.DLL");
    if (m_hShell != nullptr)
    {
        m_pfnILFree = LookUp<PFN_ILFree>(m_hShell, "ILFree");
        m_pfnILClone = LookUp<PFN_ILClone>(m_hShell, "ILClone");
        m_pfnILFindLastID = LookUp<PFN_ILFindLastID>(m_hShell, "ILFindLastID");
        m_pfnILRemoveLastID = LookUp<PFN_ILRemoveLastID>(m_hShell, "ILRemoveLastID");
        m_pfnCreateItemFromParsingName =
            LookUp<PFN_SHCreateItemFromParsingName>(m_hShell, "SHCreateItemFromParsingName");
    }
    g_pShellApi = this;
}

CShellApi::~CShellApi()
{
    if (m_hShell != nullptr)
        ::FreeLibrary(m_hShell);
    if (g_pShellApi == this)
        g_pShellApi = m_pPrevious;
}

CShellApi& CShellApi::Get()
{
    if (g_pShellApi == nullptr)
    {
        static CShellApi s_fallback;
    }
    return *g_pShellApi;
}

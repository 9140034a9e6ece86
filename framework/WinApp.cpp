#include "framework/WinApp.h"

#include <objbase.h>

#include <algorithm>
#include <vector>

#include "framework/Module.h"
#include "framework/Wnd.h"

IMPLEMENT_DYNAMIC(CWinThread, CObject)
IMPLEMENT_DYNAMIC(CWinApp, CWinThread)
IMPLEMENT_DYNAMIC(CShellManager, CObject)

namespace {

CWinApp* g_pApp = nullptr;

// RAII for registry keys so that every early return closes what it opened.
class CRegKey
{
public:
    explicit CRegKey(HKEY hKey = nullptr) : m_hKey(hKey) {}
    ~CRegKey()
    {
        if (m_hKey != nullptr)
            ::RegCloseKey(m_hKey);
    }
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;
    HKEY Get() const { return m_hKey; }
    HKEY Release()
    {
        HKEY hKey = m_hKey;
        m_hKey = nullptr;
        return hKey;
    }

private:
    HKEY m_hKey;
};

HKEY CreateSubKey(HKEY hParent, LPCWSTR lpszName)
{
    HKEY hKey = nullptr;
    if (::RegCreateKeyExW(hParent, lpszName, 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_READ | KEY_WRITE, nullptr, &hKey, nullptr) != ERROR_SUCCESS)
        return nullptr;
    return hKey;
}

}  // namespace

CWinThread::CWinThread() : m_pMainWnd(nullptr) {}

CWinThread::~CWinThread() = default;

CWnd* CWinThread::GetMainWnd()
{
    return m_pMainWnd;
}

BOOL CWinThread::InitInstance()
{
    return FALSE;
}

int CWinThread::Run()
{
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0)
    {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
        if (!AfxIsHandlingMessage())
            AfxDeleteTempMaps();
    }
    return ExitInstance();
}

int CWinThread::ExitInstance()
{
    return 0;
}

CWinThread* AfxGetThread()
{
    return g_pApp;
}

CWinApp::CWinApp(LPCWSTR lpszAppName)
    : m_hInstance(nullptr),
      m_lpCmdLine(nullptr),
      m_nCmdShow(SW_SHOWNORMAL),
      m_pszAppName(nullptr),
      m_pszExeName(nullptr),
      m_pszRegistryKey(nullptr),
      m_dwRestartManagerSupportFlags(0),
      m_bAppNameGiven(lpszAppName != nullptr),
      m_bRestartRegistered(false),
      m_pPreviousApp(g_pApp)
{
    if (lpszAppName != nullptr)
    {
        m_strAppName = lpszAppName;
        m_pszAppName = m_strAppName;
    }
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = m_pPreviousApp;
}

CWinApp* AfxGetApp()
{
    return g_pApp;
}

CString AfxAppNameFromModulePath(LPCWSTR lpszPath)
{
    CString strPath(lpszPath);
    const int nSlash = std::max(strPath.ReverseFind(L'\\'), strPath.ReverseFind(L'/'));
    CString strName = strPath.Mid(nSlash + 1);
    const int nDot = strName.ReverseFind(L'.');
    if (nDot > 0)
        strName = strName.Left(nDot);
    return strName;
}

void CWinApp::SetCurrentHandles(HINSTANCE hInstance, LPWSTR lpCmdLine, int nCmdShow)
{
    m_hInstance = hInstance;
    m_lpCmdLine = lpCmdLine;
    m_nCmdShow = nCmdShow;

    // Long paths: grow the buffer until the whole name fits.
    std::vector<wchar_t> path(MAX_PATH);
    for (;;)
    {
        const DWORD n = ::GetModuleFileNameW(hInstance, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
        {
            path[0] = L'\0';
            break;
        }
        if (n < path.size())
            break;
        path.resize(path.size() * 2);
    }
    m_strExeName = AfxAppNameFromModulePath(path.data());
    m_pszExeName = m_strExeName;
    if (!m_bAppNameGiven)
    {
        m_strAppName = m_strExeName;
        m_pszAppName = m_strAppName;
    }
}

BOOL CWinApp::InitInstance()
{
    if (m_dwRestartManagerSupportFlags & AFX_RESTART_MANAGER_SUPPORT_RESTART)
    {
        // Vista and later only; XP simply has no restart manager.
        using PFNREGISTERRESTART = HRESULT(WINAPI*)(PCWSTR, DWORD);
        HMODULE hKernel = ::GetModuleHandleW(L"kernel32.dll");
        auto pfn = hKernel != nullptr
                       ? reinterpret_cast<PFNREGISTERRESTART>(
                             reinterpret_cast<void*>(::GetProcAddress(hKernel, "RegisterApplicationRestart")))
                       : nullptr;
        // Restart after an update or reboot, not in a loop after a crash or hang.
        constexpr DWORD kRestartNoCrash = 1, kRestartNoHang = 2;
        if (pfn != nullptr)
            m_bRestartRegistered = SUCCEEDED(pfn(L"", kRestartNoCrash | kRestartNoHang));
    }
    return TRUE;
}

int CWinApp::ExitInstance()
{
    return 0;
}

void CWinApp::SetRegistryKey(LPCWSTR lpszRegistryKey)
{
    m_strRegistryKey = lpszRegistryKey != nullptr ? lpszRegistryKey : L"";
    m_pszRegistryKey = m_strRegistryKey.IsEmpty() ? nullptr : static_cast<LPCWSTR>(m_strRegistryKey);
}

HKEY CWinApp::GetAppRegistryKey()
{
    if (m_pszRegistryKey == nullptr || m_pszAppName == nullptr || *m_pszAppName == L'\0')
        return nullptr;
    CRegKey software(CreateSubKey(HKEY_CURRENT_USER, L"Software"));
    if (software.Get() == nullptr)
        return nullptr;
    CRegKey company(CreateSubKey(software.Get(), m_pszRegistryKey));
    if (company.Get() == nullptr)
        return nullptr;
    return CreateSubKey(company.Get(), m_pszAppName);
}

HKEY CWinApp::GetSectionKey(LPCWSTR lpszSection)
{
    if (lpszSection == nullptr)
        return nullptr;
    CRegKey app(GetAppRegistryKey());
    if (app.Get() == nullptr)
        return nullptr;
    return CreateSubKey(app.Get(), lpszSection);
}

UINT CWinApp::GetProfileIntW(LPCWSTR lpszSection, LPCWSTR lpszEntry, int nDefault)
{
    CRegKey section(GetSectionKey(lpszSection));
    return GetProfileIntW(section.Get(), lpszEntry, nDefault);
}

UINT CWinApp::GetProfileIntW(HKEY hSection, LPCWSTR lpszEntry, int nDefault)
{
    if (hSection == nullptr || lpszEntry == nullptr)
        return static_cast<UINT>(nDefault);
    DWORD dwType = 0;
    DWORD dwValue = 0;
    DWORD cb = sizeof(dwValue);
    if (::RegQueryValueExW(hSection, lpszEntry, nullptr, &dwType,
                           reinterpret_cast<BYTE*>(&dwValue), &cb) != ERROR_SUCCESS ||
        dwType != REG_DWORD || cb != sizeof(dwValue))
        return static_cast<UINT>(nDefault);
    return dwValue;
}

BOOL CWinApp::WriteProfileInt(LPCWSTR lpszSection, LPCWSTR lpszEntry, int nValue)
{
    CRegKey section(GetSectionKey(lpszSection));
    if (section.Get() == nullptr || lpszEntry == nullptr)
        return FALSE;
    const DWORD dwValue = static_cast<DWORD>(nValue);
    return ::RegSetValueExW(section.Get(), lpszEntry, 0, REG_DWORD,
                            reinterpret_cast<const BYTE*>(&dwValue), sizeof(dwValue)) == ERROR_SUCCESS;
}

CString CWinApp::GetProfileStringW(LPCWSTR lpszSection, LPCWSTR lpszEntry, LPCWSTR lpszDefault)
{
    const CString strDefault(lpszDefault);
    CRegKey section(GetSectionKey(lpszSection));
    if (section.Get() == nullptr || lpszEntry == nullptr)
        return strDefault;

    // The value may change size between the two queries; retry a few times.
    for (int attempt = 0; attempt < 4; ++attempt)
    {
        DWORD dwType = 0;
        DWORD cb = 0;
        if (::RegQueryValueExW(section.Get(), lpszEntry, nullptr, &dwType, nullptr, &cb) != ERROR_SUCCESS ||
            dwType != REG_SZ)
            return strDefault;
        // Stored data need not be terminated or of even length.
        std::vector<wchar_t> buffer(cb / sizeof(wchar_t) + 2, L'\0');
        DWORD cbRead = cb;
        const LONG rc = ::RegQueryValueExW(section.Get(), lpszEntry, nullptr, &dwType,
                                           reinterpret_cast<BYTE*>(buffer.data()), &cbRead);
        if (rc == ERROR_MORE_DATA)
            continue;
        if (rc != ERROR_SUCCESS || dwType != REG_SZ)
            return strDefault;
        // The string ends at its first NUL, as every C caller reads it.
        const wchar_t* pBegin = buffer.data();
        const wchar_t* pEnd = std::find(pBegin, pBegin + cbRead / sizeof(wchar_t), L'\0');
        return CString(pBegin, static_cast<int>(pEnd - pBegin));
    }
    return strDefault;
}

BOOL CWinApp::WriteProfileStringW(LPCWSTR lpszSection, LPCWSTR lpszEntry, LPCWSTR lpszValue)
{
    if (lpszSection == nullptr)
        return FALSE;
    if (lpszEntry == nullptr)
    {
        CRegKey app(GetAppRegistryKey());
        if (app.Get() == nullptr)
            return FALSE;
        const LONG rc = ::RegDeleteKeyW(app.Get(), lpszSection);
        return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
    }
    CRegKey section(GetSectionKey(lpszSection));
    if (section.Get() == nullptr)
        return FALSE;
    if (lpszValue == nullptr)
    {
        const LONG rc = ::RegDeleteValueW(section.Get(), lpszEntry);
        return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
    }
    const DWORD cb = static_cast<DWORD>((wcslen(lpszValue) + 1) * sizeof(wchar_t));
    return ::RegSetValueExW(section.Get(), lpszEntry, 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(lpszValue), cb) == ERROR_SUCCESS;
}

BOOL CWinApp::OnCommand(UINT nID, UINT /*nCode*/)
{
    if (nID == ID_HELP)
    {
        OnHelp();
        return TRUE;
    }
    return FALSE;
}

void CWinApp::OnHelp()
{
    // The program ships no help file; F1 has nothing to open.
}

int AfxWinMain(HINSTANCE hInstance, HINSTANCE /*hPrevInstance*/, LPWSTR lpCmdLine, int nCmdShow)
{
    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr)
        return -1;
    pApp->SetCurrentHandles(hInstance, lpCmdLine, nCmdShow);
    int nReturnCode;
    if (!pApp->InitInstance())
        nReturnCode = pApp->ExitInstance();
    else
        nReturnCode = pApp->Run();
    AfxDeleteTempMaps();
    return nReturnCode;
}

CShellManager::CShellManager()
    : m_bComInitialized(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)))
{
}

CShellManager::~CShellManager()
{
    if (m_bComInitialized)
        ::CoUninitialize();
}

#pragma once

#include <windows.h>

#include "framework/Object.h"
#include "framework/String.h"

class CWnd;

// Command of the F1 key and of "Help" menu entries.
constexpr UINT ID_HELP = 0xE146;

// Restart-manager support flags of CWinApp::m_dwRestartManagerSupportFlags.
constexpr DWORD AFX_RESTART_MANAGER_SUPPORT_RESTART = 0x01;

class CWinThread : public CObject
{
    DECLARE_DYNAMIC(CWinThread)

public:
    CWinThread();
    ~CWinThread() override;

    CWnd* m_pMainWnd;

    virtual CWnd* GetMainWnd();
    virtual BOOL InitInstance();
    virtual int Run();
    virtual int ExitInstance();
};

// The thread object of the user-interface thread: the application object.
CWinThread* AfxGetThread();

class CWinApp : public CWinThread
{
    DECLARE_DYNAMIC(CWinApp)

public:
    // A null name means: the executable's file name without extension.
    explicit CWinApp(LPCWSTR lpszAppName = nullptr);
    ~CWinApp() override;

    HINSTANCE m_hInstance;
    LPWSTR m_lpCmdLine;
    int m_nCmdShow;
    LPCWSTR m_pszAppName;
    LPCWSTR m_pszExeName;
    LPCWSTR m_pszRegistryKey;
    DWORD m_dwRestartManagerSupportFlags;

    // Takes the instance, command line and names of this process. Called by
    // the entry point before InitInstance; tests call it for their own app.
    void SetCurrentHandles(HINSTANCE hInstance, LPWSTR lpCmdLine, int nCmdShow);

    BOOL InitInstance() override;
    int ExitInstance() override;

    // Profile under HKEY_CURRENT_USER\Software\<registry key>\<app name>.
    void SetRegistryKey(LPCWSTR lpszRegistryKey);
    UINT GetProfileIntW(LPCWSTR lpszSection, LPCWSTR lpszEntry, int nDefault);
    // The same from a section key already open: reading many values, each
    // opening the key path again is most of the cost.
    static UINT GetProfileIntW(HKEY hSection, LPCWSTR lpszEntry, int nDefault);
    BOOL WriteProfileInt(LPCWSTR lpszSection, LPCWSTR lpszEntry, int nValue);
    CString GetProfileStringW(LPCWSTR lpszSection, LPCWSTR lpszEntry, LPCWSTR lpszDefault = nullptr);
    // A null entry deletes the section, a null value deletes the entry.
    BOOL WriteProfileStringW(LPCWSTR lpszSection, LPCWSTR lpszEntry, LPCWSTR lpszValue);
    // Owned by the caller (RegCloseKey); null when the key cannot be opened
    // or created.
    HKEY GetAppRegistryKey();
    HKEY GetSectionKey(LPCWSTR lpszSection);

    // Commands the main window did not handle itself; TRUE when handled.
    virtual BOOL OnCommand(UINT nID, UINT nCode);
    virtual void OnHelp();

    // Whether InitInstance registered the process with the restart manager.
    bool IsRegisteredForRestart() const { return m_bRestartRegistered; }

private:
    CString m_strAppName;
    CString m_strExeName;
    CString m_strRegistryKey;
    bool m_bAppNameGiven;
    bool m_bRestartRegistered;
    // A test may create an application object while another exists; the
    // older one is current again once the newer one is gone.
    CWinApp* m_pPreviousApp;
};

CWinApp* AfxGetApp();

// "C:\dir\Name.exe" -> "Name": the application name when none is given.
CString AfxAppNameFromModulePath(LPCWSTR lpszPath);

// The framework's entry point: InitInstance, then Run when it returned TRUE,
// else ExitInstance.
int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow);

// Shell dialogs (the item dialog among them) need COM on the user-interface
// thread; the shell manager keeps it initialised while it lives.
class CShellManager : public CObject
{
    DECLARE_DYNAMIC(CShellManager)

public:
    CShellManager();
    ~CShellManager() override;
    CShellManager(const CShellManager&) = delete;
    CShellManager& operator=(const CShellManager&) = delete;

    bool IsComInitialized() const { return m_bComInitialized; }

private:
    bool m_bComInitialized;
};

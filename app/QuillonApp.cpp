#include "app/QuillonApp.h"

#include <commctrl.h>
#include <shellapi.h>

#include <memory>

#include "maindlg/DropListCtrl.h"
#include "maindlg/QuillonDlg.h"

CQuillonApp::CQuillonApp()
{
    m_dwRestartManagerSupportFlags = AFX_RESTART_MANAGER_SUPPORT_RESTART;
}

BOOL CQuillonApp::InitInstance()
{
    const CSystemIconsWarmUp iconsWarmUp;
    INITCOMMONCONTROLSEX icc = {};
    icc.dwSize = sizeof(icc);
    icc.dwICC = ICC_WIN95_CLASSES;
    ::InitCommonControlsEx(&icc);

    CWinApp::InitInstance();

    auto pShellManager = std::make_unique<CShellManager>();

    SetRegistryKey(L"Velmora");

    {
        CQuillonDlg dlg;
        // Paths on the command line: Explorer's "Senden an" and files dropped
        // onto the program's icon arrive this way.
        int nArgs = 0;
        LPWSTR* ppszArgs = ::CommandLineToArgvW(::GetCommandLineW(), &nArgs);
        for (int i = 1; ppszArgs != nullptr && i < nArgs; ++i)
            dlg.m_startPaths.emplace_back(ppszArgs[i]);
        if (ppszArgs != nullptr)
            ::LocalFree(ppszArgs);
        m_pMainWnd = &dlg;
        dlg.DoModal();
        pShellManager.reset();
        m_pMainWnd = nullptr;
    }

    // No message loop after the dialog: the process ends here.
    return FALSE;
}

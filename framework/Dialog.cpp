#include "framework/Dialog.h"

#include "framework/Module.h"
#include "framework/WinApp.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

CDataExchange::CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd), m_bFailed(false)
{
}

HWND CDataExchange::PrepareCtrl(int nIDC)
{
    HWND hCtl = m_pDlgWnd != nullptr ? ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC) : nullptr;
    if (hCtl == nullptr)
        Fail();
    return hCtl;
}

namespace {

bool IsRadioButton(HWND hWnd)
{
    const LONG type = ::GetWindowLongW(hWnd, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

}  // namespace

void DDX_Radio(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    if (hWnd == nullptr)
        return;
    if (pDX->m_bSaveAndValidate)
        value = -1;
    // The group runs from the first button to the next window that starts a
    // group of its own; only radio buttons count.
    int index = 0;
    do
    {
        if (IsRadioButton(hWnd))
        {
            if (pDX->m_bSaveAndValidate)
            {
                if (value == -1 && ::SendMessageW(hWnd, BM_GETCHECK, 0, 0) == BST_CHECKED)
                    value = index;
            }
            else
            {
                ::SendMessageW(hWnd, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
            }
            ++index;
        }
        hWnd = ::GetWindow(hWnd, GW_HWNDNEXT);
    } while (hWnd != nullptr && !(::GetWindowLongW(hWnd, GWL_STYLE) & WS_GROUP));
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    if (hWnd == nullptr)
        return;
    if (pDX->m_bSaveAndValidate)
        value = static_cast<int>(::SendMessageW(hWnd, BM_GETCHECK, 0, 0));
    else
        ::SendMessageW(hWnd, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd != nullptr)
        return;
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    if (hWnd != nullptr && !rControl.SubclassWindow(hWnd))
        pDX->Fail();
}

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_pParentWnd(pParentWnd),
      m_nIDTemplate(nIDTemplate),
      m_lpDialogTemplate(nullptr),
      m_nModalResult(-1),
      m_bInModalLoop(false)
{
}

CDialog::CDialog(LPCDLGTEMPLATEW lpDialogTemplate, CWnd* pParentWnd)
    : m_pParentWnd(pParentWnd),
      m_nIDTemplate(0),
      m_lpDialogTemplate(lpDialogTemplate),
      m_nModalResult(-1),
      m_bInModalLoop(false)
{
}

CDialog::~CDialog()
{
    if (m_hWnd != nullptr)
        CWnd::DestroyWindow();
}

LPCDLGTEMPLATEW CDialog::LoadTemplate() const
{
    if (m_lpDialogTemplate != nullptr)
        return m_lpDialogTemplate;
    HINSTANCE hInst = AfxGetInstanceHandle();
    HRSRC hRes = ::FindResourceW(hInst, MAKEINTRESOURCEW(m_nIDTemplate), reinterpret_cast<LPCWSTR>(RT_DIALOG));
    if (hRes == nullptr)
        return nullptr;
    HGLOBAL hGlobal = ::LoadResource(hInst, hRes);
    return hGlobal != nullptr ? static_cast<LPCDLGTEMPLATEW>(::LockResource(hGlobal)) : nullptr;
}

HWND CDialog::CreateFromTemplate(HWND hWndOwner)
{
    if (m_hWnd != nullptr)
        return nullptr;
    LPCDLGTEMPLATEW lpTemplate = LoadTemplate();
    if (lpTemplate == nullptr)
        return nullptr;
    return ::CreateDialogIndirectParamW(AfxGetInstanceHandle(), lpTemplate, hWndOwner,
                                        DialogProc, reinterpret_cast<LPARAM>(this));
}

// Only WM_INITDIALOG comes here on purpose: it binds the object, and from
// then on the subclass procedure sees every message first. Everything else
// answers FALSE, which is the system dialog's default handling.
INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    CDialog* pDlg = reinterpret_cast<CDialog*>(lParam);
    // Default processing of WM_INITDIALOG (Default(), or a handler that
    // declined it) comes back here once the object is bound: it was
    // dispatched already, and dispatching again would never end.
    if (pDlg == nullptr || pDlg->m_hWnd == hWnd || !pDlg->SubclassWindow(hWnd))
        return FALSE;
    return AfxCallWndProc(pDlg, hWnd, message, wParam, lParam);
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd)
{
    if (nIDTemplate != 0)
    {
        m_nIDTemplate = nIDTemplate;
        m_lpDialogTemplate = nullptr;
    }
    m_pParentWnd = pParentWnd;
    return CreateFromTemplate(pParentWnd != nullptr ? pParentWnd->m_hWnd : nullptr) != nullptr;
}

INT_PTR CDialog::DoModal()
{
    if (m_hWnd != nullptr || LoadTemplate() == nullptr)
        return -1;

    CWnd* pOwner = GetSafeOwner(m_pParentWnd);
    HWND hWndOwner = pOwner != nullptr ? pOwner->m_hWnd : nullptr;
    bool bEnableOwner = false;
    if (hWndOwner != nullptr && ::IsWindowEnabled(hWndOwner))
    {
        ::EnableWindow(hWndOwner, FALSE);
        bEnableOwner = true;
    }

    m_nModalResult = -1;
    m_bInModalLoop = true;
    HWND hWnd = CreateFromTemplate(hWndOwner);
    if (hWnd != nullptr && m_bInModalLoop && !(::GetWindowLongW(hWnd, GWL_STYLE) & WS_VISIBLE))
        ::ShowWindow(hWnd, SW_SHOWNORMAL);

    while (m_bInModalLoop && m_hWnd != nullptr)
    {
        MSG msg;
        // A loop nested in a handler leaves the temporaries to the loop that
        // dispatched that handler's message.
        if (!AfxIsHandlingMessage() && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE))
            AfxDeleteTempMaps();
        const BOOL bRet = ::GetMessageW(&msg, nullptr, 0, 0);
        if (bRet == -1)
            break;
        if (bRet == 0)
        {
            // Leave WM_QUIT for the loop that owns the thread.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!PreTranslateMessage(&msg) && !::IsDialogMessageW(m_hWnd, &msg))
        {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    m_bInModalLoop = false;

    // The owner gets the activation back while the dialog is still there,
    // so the system does not hand it to some other application meanwhile.
    if (bEnableOwner)
        ::EnableWindow(hWndOwner, TRUE);
    if (hWndOwner != nullptr && m_hWnd != nullptr && ::GetActiveWindow() == m_hWnd)
        ::SetActiveWindow(hWndOwner);

    if (m_hWnd != nullptr)
        DestroyWindow();
    if (!AfxIsHandlingMessage())
        AfxDeleteTempMaps();
    return hWnd != nullptr ? m_nModalResult : -1;
}

BOOL CDialog::PreTranslateMessage(MSG* /*pMsg*/)
{
    return FALSE;
}

void CDialog::EndDialog(int nResult)
{
    m_nModalResult = nResult;
    if (m_bInModalLoop)
    {
        m_bInModalLoop = false;
        // Wakes the loop even when EndDialog came from outside a message.
        if (m_hWnd != nullptr)
            ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
    }
    else if (m_hWnd != nullptr)
    {
        ::EndDialog(m_hWnd, nResult);
    }
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    if (m_hWnd == nullptr)
        return FALSE;
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return dx.m_bFailed ? FALSE : TRUE;
}

void CDialog::DoDataExchange(CDataExchange* /*pDX*/)
{
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    switch (message)
    {
    case WM_INITDIALOG:
        *pResult = OnInitDialog();
        return TRUE;
    case WM_HELP:
    {
        // F1 becomes the application's help command, as in a main window.
        CWinApp* pApp = AfxGetApp();
        if (pApp != nullptr && pApp->m_pMainWnd != nullptr && pApp->m_pMainWnd->m_hWnd != nullptr)
            pApp->m_pMainWnd->SendMessage(WM_COMMAND, ID_HELP, 0);
        *pResult = TRUE;
        return TRUE;
    }
    default:
        return CWnd::OnWndMsg(message, wParam, lParam, pResult);
    }
}

BOOL CDialog::OnCommand(UINT nID, UINT nCode)
{
    if (nCode != BN_CLICKED)
        return FALSE;
    switch (nID)
    {
    case IDOK:
        OnOK();
        return TRUE;
    case IDCANCEL:
        OnCancel();
        return TRUE;
    default:
        return FALSE;
    }
}

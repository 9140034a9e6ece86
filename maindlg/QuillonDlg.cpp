#include "maindlg/QuillonDlg.h"

#include "app/AboutDlg.h"
#include "framework/Gdi.h"
#include "framework/Module.h"
#include "links/LinkBatch.h"
#include "links/OutputListWriter.h"
#include "links/Win32FileSystem.h"
#include "res/resource.h"

CQuillonDlg::CQuillonDlg(CWnd* pParent)
    : CDialog(IDD_QUILLON_DIALOG, pParent),
      m_hIcon(::LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME))),
      m_pfnCreateSymbolicLinkW(nullptr),
      m_nLinkType(1),
      m_bRemoveExisting(1)
{
}

void CQuillonDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Radio(pDX, IDC_RADIO_SYMBOLIC, m_nLinkType);
    DDX_Control(pDX, IDC_LIST_OUTPUT, m_listOutput);
    DDX_Check(pDX, IDC_CHECK_REMOVE_EXISTING, m_bRemoveExisting);
}

BOOL CQuillonDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    HMENU hSysMenu = GetSystemMenu(FALSE);
    if (hSysMenu != nullptr)
    {
        CString strAboutMenu;
        strAboutMenu.LoadString(IDS_ABOUTBOX);
        if (!strAboutMenu.IsEmpty())
        {
            ::AppendMenuW(hSysMenu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuW(hSysMenu, MF_STRING, IDM_ABOUTBOX, strAboutMenu);
        }
    }

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    m_pfnCreateSymbolicLinkW = LookUpSymbolicLinkOperation();
    EnableRestorePrivilege();

    m_listOutput.InsertColumn(0, L"Text", LVCFMT_LEFT, 500);

    if (m_pfnCreateSymbolicLinkW == nullptr)
    {
        m_nLinkType = 1;
        ::CheckRadioButton(m_hWnd, IDC_RADIO_SYMBOLIC, IDC_RADIO_HARD, IDC_RADIO_HARD);
        m_listOutput.InsertItem(LVIF_TEXT, 0, L"Function CreateSymbolicLinkW not found!", 0, 0, 0, 0);
        CWnd* pSymbolic = GetDlgItem(IDC_RADIO_SYMBOLIC);
        if (pSymbolic != nullptr)
            pSymbolic->EnableWindow(FALSE);
    }
    return TRUE;
}

BOOL CQuillonDlg::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    switch (message)
    {
    case WM_SYSCOMMAND:
        OnSysCommand(static_cast<UINT>(wParam), lParam);
        *pResult = 0;
        return TRUE;
    case WM_PAINT:
        OnPaint();
        *pResult = 0;
        return TRUE;
    case WM_QUERYDRAGICON:
        *pResult = reinterpret_cast<LRESULT>(m_hIcon);
        return TRUE;
    default:
        return CDialog::OnWndMsg(message, wParam, lParam, pResult);
    }
}

BOOL CQuillonDlg::OnCommand(UINT nID, UINT nCode)
{
    // "Erstellen" (IDOK) never closes the window: the dialog stays open for
    // another run.
    if (nID == IDOK)
    {
        if (nCode == BN_CLICKED)
            OnCreateLinks();
        return TRUE;
    }
    return CDialog::OnCommand(nID, nCode);
}

void CQuillonDlg::OnSysCommand(UINT nID, LPARAM /*lParam*/)
{
    if ((nID & 0xFFF0) == IDM_ABOUTBOX)
    {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    }
    else
    {
        Default();
    }
}

void CQuillonDlg::OnPaint()
{
    if (!IsIconic())
    {
        Default();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    const int cxIcon = ::GetSystemMetrics(SM_CXICON);
    const int cyIcon = ::GetSystemMetrics(SM_CYICON);
    RECT rect;
    GetClientRect(&rect);
    const int x = (rect.right - rect.left - cxIcon + 1) / 2;
    const int y = (rect.bottom - rect.top - cyIcon + 1) / 2;
    dc.DrawIcon(x, y, m_hIcon);
}

PFNCREATESYMBOLICLINKW CQuillonDlg::LookUpSymbolicLinkOperation()
{
    return LookUpCreateSymbolicLinkW();
}

void CQuillonDlg::OnCreateLinks()
{
    UpdateData(TRUE);
    m_listOutput.DeleteAllItems();

    CWin32FileSystem fileSystem(m_pfnCreateSymbolicLinkW);
    COutputListWriter output(m_listOutput);
    RunLinkBatch(CLinkPathList<CQNStringArrayHash>(m_setFolders), CLinkPathList<CQNStringArrayHash>(m_setFiles),
                 m_nLinkType, m_bRemoveExisting, fileSystem, output);
    output.Flush();
}

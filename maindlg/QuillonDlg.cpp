#include "maindlg/QuillonDlg.h"

#include "app/AboutDlg.h"
#include "framework/Gdi.h"
#include "framework/Module.h"
#include "links/LinkBatch.h"
#include "links/OutputListWriter.h"
#include "links/Win32FileSystem.h"
#include "res/resource.h"
#include "shell/FilePicker.h"
#include "shell/FolderPicker.h"
#include "shell/PathHelpers.h"

#include <shlwapi.h>

#include <algorithm>
#include <numeric>
#include <vector>

CQuillonDlg* g_pMainDlg = nullptr;

CQuillonDlg::CQuillonDlg(CWnd* pParent)
    : CDialogLayout(IDD_QUILLON_DIALOG, L"Dialog"),
      m_hIcon(::LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME))),
      m_pfnCreateSymbolicLinkW(nullptr),
      m_nLinkType(1),
      m_sfi(),
      m_bRemoveExisting(1)
{
    m_pParentWnd = pParent;
}

void CQuillonDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Radio(pDX, IDC_RADIO_SYMBOLIC, m_nLinkType);
    DDX_Control(pDX, IDC_LIST_FILES, m_listFiles);
    DDX_Control(pDX, IDC_LIST_FOLDERS, m_listFolders);
    DDX_Control(pDX, IDC_LIST_OUTPUT, m_listOutput);
    DDX_Check(pDX, IDC_CHECK_REMOVE_EXISTING, m_bRemoveExisting);
}

BOOL CQuillonDlg::OnInitDialog()
{
    CDialogLayout::OnInitDialog();
    g_pMainDlg = this;

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

    for (CDropListCtrl* pList : {&m_listFiles, &m_listFolders})
    {
        pList->DragAcceptFiles(TRUE);
        pList->m_pfnDrop = &CQuillonDlg::OnDropPaths;
        pList->InitDropList(&CQuillonDlg::OnGetFileIcon);
        pList->InsertColumn(0, L"Path", LVCFMT_LEFT, 500);
    }
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

    DeclareLayout();
    return TRUE;
}

void CQuillonDlg::DeclareLayout()
{
    CLayoutGroup& layout = m_layout;
    const RECT rcTop5 = {0, 5, 0, 0};
    const RECT rcButtonsFiles = {0, 5, 0, 10};
    const RECT rcLeft10 = {10, 0, 0, 0};

    layout.BeginGroup(GLL_VERTICAL);
    layout.AddControl(IDC_STATIC_DESCRIPTION, GLL_FIXED_HEIGHT);
    layout.BeginGroup(GLL_VERTICAL, &rcTop5);

    layout.BeginGroup(GLL_VERTICAL);
    layout.AddControl(IDC_STATIC_FILES, GLL_FIXED_HEIGHT);
    layout.AddControl(IDC_LIST_FILES, 0);
    layout.BeginGroup(GLL_HORIZONTAL, &rcButtonsFiles);
    layout.AddSpace(0);
    layout.AddControl(IDC_ADD_FILES, GLL_FIXED_SIZE);
    layout.AddSpace(10);
    layout.AddControl(IDC_REMOVE_FILE, GLL_FIXED_SIZE);
    EndGroup();
    EndGroup();

    layout.AddSplitter();

    layout.BeginGroup(GLL_VERTICAL, &rcTop5);
    layout.AddControl(IDC_STATIC_FOLDERS, GLL_FIXED_HEIGHT);
    layout.AddControl(IDC_LIST_FOLDERS, 0);
    layout.BeginGroup(GLL_HORIZONTAL, &rcTop5);
    layout.AddControl(IDC_CHECK_REMOVE_EXISTING, GLL_FIXED_HEIGHT);
    layout.AddControl(IDC_ADD_FOLDER, GLL_FIXED_SIZE);
    layout.AddSpace(10);
    layout.AddControl(IDC_REMOVE_FOLDER, GLL_FIXED_SIZE);
    EndGroup();
    EndGroup();

    EndGroup();

    layout.AddSpace(5);
    layout.AddSeparator();

    layout.BeginGroup(GLL_HORIZONTAL);
    layout.BeginGroup(GLL_VERTICAL);
    layout.AddControl(IDC_STATIC_OUTPUT, GLL_FIXED_HEIGHT);
    layout.AddControl(IDC_LIST_OUTPUT, GLL_FIXED_HEIGHT);
    EndGroup();
    layout.BeginGroup(GLL_VERTICAL, &rcLeft10);
    layout.GetCurrentGroup()->Alignment = GLL_ALIGN_BOTTOM;
    layout.AddControl(IDC_RADIO_SYMBOLIC, GLL_FIXED_SIZE);
    layout.AddControl(IDC_RADIO_HARD, GLL_FIXED_SIZE);
    layout.AddSpace(10);
    layout.AddControl(IDOK, GLL_FIXED_SIZE);
    EndGroup();
    EndGroup();

    EndGroup();
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
        *pResult = reinterpret_cast<LRESULT>(OnQueryDragIcon());
        return TRUE;
    default:
        return CDialogLayout::OnWndMsg(message, wParam, lParam, pResult);
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
    if (nCode == BN_CLICKED)
    {
        switch (nID)
        {
        case IDC_ADD_FILES:
            OnAddFiles();
            return TRUE;
        case IDC_ADD_FOLDER:
            OnAddFolder();
            return TRUE;
        case IDC_REMOVE_FILE:
            OnRemoveFile();
            return TRUE;
        case IDC_REMOVE_FOLDER:
            OnRemoveFolder();
            return TRUE;
        default:
            break;
        }
    }
    return CDialog::OnCommand(nID, nCode);
}

BOOL CQuillonDlg::OnNotify(UINT nID, NMHDR* pNMHDR, LRESULT* pResult)
{
    if (pNMHDR->code == NM_CLICK)
    {
        if (nID == IDC_LIST_FILES)
        {
            OnClickFileList(pNMHDR, pResult);
            return TRUE;
        }
        if (nID == IDC_LIST_FOLDERS)
        {
            OnClickFolderList(pNMHDR, pResult);
            return TRUE;
        }
    }
    // A path list is cleared and refilled whole on every change; nothing
    // waits for a notice per item, and thousands of them cost more than the
    // items themselves.
    if ((nID == IDC_LIST_FILES || nID == IDC_LIST_FOLDERS) &&
        (pNMHDR->code == LVN_DELETEALLITEMS || pNMHDR->code == LVN_INSERTITEM))
    {
        *pResult = pNMHDR->code == LVN_DELETEALLITEMS ? TRUE : 0;
        return TRUE;
    }
    // Clearing the output list needs no notice per line; thousands of them
    // would cost more than the run that follows.
    if (nID == IDC_LIST_OUTPUT && pNMHDR->code == LVN_DELETEALLITEMS)
    {
        *pResult = TRUE;
        return TRUE;
    }
    // Nothing waits for the notice of a new line; answered here, it does not
    // travel on down the window's subclass chain, once per line of a run.
    if (nID == IDC_LIST_OUTPUT && pNMHDR->code == LVN_INSERTITEM)
    {
        *pResult = 0;
        return TRUE;
    }
    return CDialog::OnNotify(nID, pNMHDR, pResult);
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
    const POINT pt = GetIconPaintPosition(rect, cxIcon, cyIcon);
    dc.DrawIcon(pt.x, pt.y, m_hIcon);
}

POINT CQuillonDlg::GetIconPaintPosition(const RECT& rcClient, int cxIcon, int cyIcon)
{
    POINT pt;
    pt.x = (rcClient.right - rcClient.left - cxIcon + 1) / 2;
    pt.y = (rcClient.bottom - rcClient.top - cyIcon + 1) / 2;
    return pt;
}

namespace {

// PathIsDirectoryW stops at MAX_PATH; longer paths are asked through the
// long-path prefix.
bool IsDirectoryPath(const CString& path)
{
    if (path.GetLength() < MAX_PATH)
        return ::PathIsDirectoryW(path) != FALSE;
    CString longPath;
    if (path.Left(2) == L"\\\\")
        longPath = path.Left(4) == L"\\\\?\\" ? path : CString(L"\\\\?\\UNC\\") + path.Mid(2);
    else
        longPath = CString(L"\\\\?\\") + path;
    const DWORD dwAttributes = ::GetFileAttributesW(longPath);
    return dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

void CQuillonDlg::FillFileList()
{
    FillList(m_listFiles, m_setFiles);
}

void CQuillonDlg::FillFolderList()
{
    FillList(m_listFolders, m_setFolders);
}

void CQuillonDlg::FillList(CDropListCtrl& list, const CQNStringArrayHash& set)
{
    list.SetRedraw(FALSE);
    list.DeleteAllItems();
    const int nCount = set.GetCount();
    std::vector<CString> texts;
    texts.reserve(static_cast<size_t>(nCount));
    for (int i = 0; i < nCount; ++i)
        texts.push_back(set.GetAt(i));
    list.InsertSortedItems(texts);
    list.SetRedraw(TRUE);
    UpdateCreateButton();
}

void CQuillonDlg::RemoveSelected(CDropListCtrl& list, CQNStringArrayHash& set, int nButtonID)
{
    const int nItem = list.GetNextItem(-1, LVNI_SELECTED);
    if (nItem >= 0)
    {
        set.Remove(list.GetItemText(nItem, 0));
        list.DeleteItem(nItem);
        if (nItem < list.GetItemCount())
            list.SetItemState(nItem, LVIS_SELECTED, LVIS_SELECTED);
        UpdateRemoveButton(list, nButtonID);
    }
    UpdateCreateButton();
}

void CQuillonDlg::OnAddFiles()
{
    // This dialog is the application's main window: it owns the picker.
    CFilePicker picker(m_strFolder, this);
    picker.m_ofn.Flags |= OFN_ALLOWMULTISELECT;
    if (picker.DoModal() == 0)
        return;
    CStringArray paths;
    picker.GetPathNames(paths);
    for (INT_PTR i = 0; i < paths.GetSize(); ++i)
    {
        m_strWork = paths[i];
        if (IsDirectoryPath(m_strWork))
            continue;
        m_setFiles.Add(m_strWork);
    }
    FillFileList();
}

void CQuillonDlg::OnAddFolder()
{
    if (PickFolder(m_strFolder) == IDOK)
    {
        AddTrailingBackslash(m_strFolder);
        m_setFolders.Add(m_strFolder);
    }
    FillFolderList();
}

void CQuillonDlg::OnRemoveFile()
{
    RemoveSelected(m_listFiles, m_setFiles, IDC_REMOVE_FILE);
}

void CQuillonDlg::OnRemoveFolder()
{
    RemoveSelected(m_listFolders, m_setFolders, IDC_REMOVE_FOLDER);
}

void CQuillonDlg::OnDropPaths(HDROP hDrop, CDropListCtrl* pCtrl)
{
    CQuillonDlg* pDlg = g_pMainDlg;
    if (pDlg == nullptr)
        return;
    const bool bFolders = pCtrl == &pDlg->m_listFolders;

    for (CString& path : CDropListCtrl::GetDropPaths(hDrop))
    {
        if (bFolders)
        {
            if (!IsDirectoryPath(path))
                continue;
            AddTrailingBackslash(path);
            pDlg->m_setFolders.Add(path);
        }
        else
        {
            if (IsDirectoryPath(path))
                continue;
            pDlg->m_setFiles.Add(path);
        }
    }

    if (bFolders)
        pDlg->FillFolderList();
    else
        pDlg->FillFileList();
}

HCURSOR CQuillonDlg::OnQueryDragIcon()
{
    return static_cast<HCURSOR>(m_hIcon);
}

void CQuillonDlg::UpdateCreateButton()
{
    CWnd* pCreate = GetDlgItem(IDOK);
    if (pCreate != nullptr)
        pCreate->EnableWindow(m_listFiles.GetItemCount() > 0 && m_listFolders.GetItemCount() > 0);
}

void CQuillonDlg::UpdateRemoveButton(CDropListCtrl& list, int nButtonID)
{
    CWnd* pRemove = GetDlgItem(nButtonID);
    if (pRemove != nullptr)
        pRemove->EnableWindow(list.GetNextItem(-1, LVNI_SELECTED) >= 0);
}

void CQuillonDlg::OnClickFileList(NMHDR* /*pNMHDR*/, LRESULT* pResult)
{
    *pResult = 0;
    UpdateRemoveButton(m_listFiles, IDC_REMOVE_FILE);
}

void CQuillonDlg::OnClickFolderList(NMHDR* /*pNMHDR*/, LRESULT* pResult)
{
    *pResult = 0;
    UpdateRemoveButton(m_listFolders, IDC_REMOVE_FOLDER);
}

int CQuillonDlg::OnGetFileIcon(int nItem, DWORD_PTR /*dwData*/, CDropListCtrl* pCtrl, NMLVDISPINFOW* /*pDispInfo*/)
{
    CQuillonDlg* pDlg = g_pMainDlg;
    if (pDlg == nullptr)
        return 0;
    pDlg->m_strWork = pCtrl->GetItemText(nItem, 0);
    const bool bFolder = pCtrl->GetDlgCtrlID() == IDC_LIST_FOLDERS;
    if (bFolder)
        RemoveTrailingBackslash(pDlg->m_strWork);
    pDlg->m_sfi = SHFILEINFOW();
    if (::SHGetFileInfoW(pDlg->m_strWork, bFolder ? FILE_ATTRIBUTE_DIRECTORY : 0, &pDlg->m_sfi, sizeof(pDlg->m_sfi),
                         SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES) == 0)
        pDlg->m_sfi.iIcon = 3;
    return pDlg->m_sfi.iIcon;
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

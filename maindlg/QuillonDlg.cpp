#include "maindlg/QuillonDlg.h"

#include "maindlg/AboutDlg.h"
#include "framework/Gdi.h"
#include "framework/Module.h"
#include "links/LinkBatch.h"
#include "links/LinkBatchThreads.h"
#include "links/LinkReport.h"
#include "links/OutputListWriter.h"
#include "links/SystemPath.h"
#include "links/Win32FileSystem.h"
#include "res/resource.h"
#include "shell/FilePicker.h"
#include "shell/FolderPicker.h"
#include "shell/PathHelpers.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <string>
#include <system_error>
#include <vector>

CQuillonDlg* g_pMainDlg = nullptr;

namespace {

// Posted by a run's workers when lines wait to be shown.
constexpr UINT kWmLinesWaiting = WM_APP + 0x51;
constexpr UINT_PTR kLinesTimer = 0x51;

}  // namespace

CQuillonDlg::CQuillonDlg(CWnd* pParent)
    : CDialogLayout(IDD_QUILLON_DIALOG, L"Dialog"),
      m_hIcon(::LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME))),
      m_pfnCreateSymbolicLinkW(nullptr),
      m_nLinkType(1),
      m_sfi(),
      m_bRemoveExisting(1),
      m_nRunWorkers(0),
      m_bLinesTimer(false),
      m_bShutdownBlocked(false),
      m_pTaskbar(nullptr)
{
    m_pParentWnd = pParent;
}

CQuillonDlg::~CQuillonDlg()
{
    m_pRun.reset();
    if (m_pTaskbar != nullptr)
        m_pTaskbar->Release();
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

    // Several lines of the report can be selected and copied.
    m_listOutput.ModifyStyle(LVS_SINGLESEL, 0);
    ArrangeTabOrder();
    UpdateRadioTabStop();
    AddStartPaths();

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
    case kWmLinesWaiting:
        OnLinesWaiting();
        *pResult = 0;
        return TRUE;
    case WM_TIMER:
        if (wParam != kLinesTimer)
            break;
        ShowWaitingLines();
        *pResult = 0;
        return TRUE;
    case WM_QUERYENDSESSION:
        // Where the system shows why (Vista on), logging off waits for a
        // run, unless it cannot.
        *pResult = m_pRun != nullptr && m_bShutdownBlocked && !(lParam & ENDSESSION_CRITICAL) ? FALSE : TRUE;
        return TRUE;
    case WM_ENDSESSION:
        // The session ends once this returns: the run stops between pairs
        // first, so that no pair is cut off half done.
        if (wParam && m_pRun != nullptr)
        {
            m_pRun->Stop();
            EndRun();
        }
        *pResult = 0;
        return TRUE;
    case WM_DESTROY:
        // A window that goes without being closed (its owner ends) still
        // lets the run finish the pairs in hand first.
        if (m_pRun != nullptr)
        {
            m_pRun->Stop();
            m_pRun->Wait();
            m_pRun.reset();
            m_pRunOutput.reset();
        }
        break;
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) != m_listOutput.m_hWnd)
            break;
        OnOutputContextMenu(lParam);
        *pResult = 0;
        return TRUE;
    default:
        break;
    }
    return CDialogLayout::OnWndMsg(message, wParam, lParam, pResult);
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
    // Escape, the close box, Alt+F4 and the system menu all end here: a run
    // stops after the pairs in hand, its lines are shown, and the window
    // closes as usual.
    if (nID == IDCANCEL && m_pRun != nullptr)
    {
        m_pRun->Stop();
        EndRun();
    }
    if (m_pRun != nullptr && nCode == BN_CLICKED && nID != IDCANCEL)
        return TRUE;
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
        case IDC_RADIO_SYMBOLIC:
        case IDC_RADIO_HARD:
            UpdateRadioTabStop();
            break;
        default:
            break;
        }
    }
    return CDialog::OnCommand(nID, nCode);
}

BOOL CQuillonDlg::OnNotify(UINT nID, NMHDR* pNMHDR, LRESULT* pResult)
{
    if (pNMHDR->code == LVN_KEYDOWN && OnListKey(nID, reinterpret_cast<NMLVKEYDOWN*>(pNMHDR)->wVKey))
    {
        *pResult = 0;
        return TRUE;
    }
    // "Entfernen" follows the selection however it changes: mouse, keyboard,
    // removal.
    if (pNMHDR->code == LVN_ITEMCHANGED && (nID == IDC_LIST_FILES || nID == IDC_LIST_FOLDERS))
    {
        const NMLISTVIEW* pChange = reinterpret_cast<NMLISTVIEW*>(pNMHDR);
        if ((pChange->uChanged & LVIF_STATE) && ((pChange->uOldState ^ pChange->uNewState) & LVIS_SELECTED))
        {
            if (nID == IDC_LIST_FILES)
                UpdateRemoveButton(m_listFiles, IDC_REMOVE_FILE);
            else
                UpdateRemoveButton(m_listFolders, IDC_REMOVE_FOLDER);
        }
        *pResult = 0;
        return TRUE;
    }
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
    // A refilled list has nothing selected.
    UpdateRemoveButton(m_listFiles, IDC_REMOVE_FILE);
}

void CQuillonDlg::FillFolderList()
{
    FillList(m_listFolders, m_setFolders);
    UpdateRemoveButton(m_listFolders, IDC_REMOVE_FOLDER);
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
    // Nothing changes the lists underneath a run; the control releases the
    // drop all the same.
    if (pDlg == nullptr || pDlg->m_pRun != nullptr)
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

std::unique_ptr<ILinkFileSystem> CQuillonDlg::CreateRunFileSystem()
{
    return std::make_unique<CWin32FileSystem>(m_pfnCreateSymbolicLinkW);
}

namespace {

enum : UINT
{
    ID_OUTPUT_COPY = 1,
    ID_OUTPUT_SELECT_ALL = 2
};

// Lines of a run are shown at most this often: each batch is one repaint.
constexpr UINT kLinesInterval = 100;

// Tells the system why logging off should wait (Vista on; looked up), or
// that it need not any more. False where the system would not take it.
bool BlockShutdown(HWND hWnd, bool bBlock)
{
    typedef BOOL(WINAPI * PFNCREATE)(HWND, LPCWSTR);
    typedef BOOL(WINAPI * PFNDESTROY)(HWND);
    const HMODULE hUser = ::GetModuleHandleW(L"user32.dll");
    if (hUser == nullptr)
        return false;
    if (!bBlock)
    {
        const PFNDESTROY pfnDestroy = reinterpret_cast<PFNDESTROY>(
            reinterpret_cast<void*>(::GetProcAddress(hUser, "ShutdownBlockReasonDestroy")));
        return pfnDestroy != nullptr && pfnDestroy(hWnd);
    }
    const PFNCREATE pfnCreate =
        reinterpret_cast<PFNCREATE>(reinterpret_cast<void*>(::GetProcAddress(hUser, "ShutdownBlockReasonCreate")));
    return pfnCreate != nullptr &&
           pfnCreate(hWnd, L"Quillon erstellt gerade Links. Beim Abmelden endet der Lauf nach den Paaren, "
                           L"die gerade in Arbeit sind.");
}

// A line as it goes on the clipboard: the system's error text ends in a line
// break that the list shows before the final full stop; a mail or a ticket
// wants one line per pair.
void AppendReportLine(std::wstring& text, const CString& strLine)
{
    int nLength = strLine.GetLength();
    const wchar_t* psz = strLine.GetString();
    const bool bFullStop = nLength > 0 && psz[nLength - 1] == L'.';
    if (bFullStop)
        --nLength;
    while (nLength > 0 && (psz[nLength - 1] == L'\r' || psz[nLength - 1] == L'\n'))
        --nLength;
    text.append(psz, static_cast<size_t>(nLength));
    if (bFullStop)
        text += L'.';
}

bool PutOnClipboard(HWND hOwner, const std::wstring& text)
{
    const size_t cb = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL hText = ::GlobalAlloc(GMEM_MOVEABLE, cb);
    if (hText == nullptr)
        return false;
    void* pText = ::GlobalLock(hText);
    if (pText == nullptr)
    {
        ::GlobalFree(hText);
        return false;
    }
    std::memcpy(pText, text.c_str(), cb);
    ::GlobalUnlock(hText);
    // Another program may hold the clipboard for a moment.
    bool bOpen = false;
    for (int nTry = 0; nTry < 10 && !(bOpen = ::OpenClipboard(hOwner) != FALSE); ++nTry)
        ::Sleep(20);
    if (!bOpen)
    {
        ::GlobalFree(hText);
        return false;
    }
    ::EmptyClipboard();
    const bool bSet = ::SetClipboardData(CF_UNICODETEXT, hText) != nullptr;
    if (!bSet)
        ::GlobalFree(hText);
    ::CloseClipboard();
    return bSet;
}

}  // namespace

bool CQuillonDlg::OnListKey(UINT nID, WORD wVKey)
{
    const bool bControl = ::GetKeyState(VK_CONTROL) < 0;
    if (wVKey == VK_DELETE && m_pRun != nullptr && (nID == IDC_LIST_FILES || nID == IDC_LIST_FOLDERS))
        return true;
    if (wVKey == VK_DELETE && !bControl && nID == IDC_LIST_FILES)
        OnRemoveFile();
    else if (wVKey == VK_DELETE && !bControl && nID == IDC_LIST_FOLDERS)
        OnRemoveFolder();
    else if (nID == IDC_LIST_OUTPUT && bControl && (wVKey == 'C' || wVKey == VK_INSERT))
        CopyOutput();
    else if (nID == IDC_LIST_OUTPUT && bControl && wVKey == 'A')
        SelectAllOutput();
    else
        return false;
    return true;
}

void CQuillonDlg::OnOutputContextMenu(LPARAM lParam)
{
    POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    if (lParam == -1)
    {
        // From the keyboard: below the focused line, or at the list's corner.
        pt = POINT{0, 0};
        const int nItem = m_listOutput.GetNextItem(-1, LVNI_FOCUSED);
        RECT rc = {};
        rc.left = LVIR_LABEL;
        if (nItem >= 0 && m_listOutput.SendMessage(LVM_GETITEMRECT, static_cast<WPARAM>(nItem),
                                                   reinterpret_cast<LPARAM>(&rc)) != 0)
            pt = POINT{rc.left, rc.bottom};
        ::ClientToScreen(m_listOutput.m_hWnd, &pt);
    }
    const UINT nEnabled = m_listOutput.GetItemCount() > 0 ? MF_ENABLED : MF_GRAYED;
    HMENU hMenu = ::CreatePopupMenu();
    if (hMenu == nullptr)
        return;
    ::AppendMenuW(hMenu, MF_STRING | nEnabled, ID_OUTPUT_COPY, L"Kopieren");
    ::AppendMenuW(hMenu, MF_STRING | nEnabled, ID_OUTPUT_SELECT_ALL, L"Alles auswählen");
    const UINT nCommand = static_cast<UINT>(
        ::TrackPopupMenu(hMenu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, pt.x, pt.y, 0, m_hWnd, nullptr));
    ::DestroyMenu(hMenu);
    if (nCommand == ID_OUTPUT_COPY)
        CopyOutput();
    else if (nCommand == ID_OUTPUT_SELECT_ALL)
        SelectAllOutput();
}

void CQuillonDlg::CopyOutput()
{
    const bool bSelectedOnly = m_listOutput.GetSelectedCount() > 0;
    const int nFlags = bSelectedOnly ? LVNI_SELECTED : LVNI_ALL;
    std::wstring text;
    for (int nItem = m_listOutput.GetNextItem(-1, nFlags); nItem >= 0;
         nItem = m_listOutput.GetNextItem(nItem, nFlags))
    {
        if (!text.empty())
            text += L"\r\n";
        AppendReportLine(text, m_listOutput.GetItemText(nItem, 0));
    }
    if (!text.empty())
        PutOnClipboard(m_hWnd, text);
}

void CQuillonDlg::SelectAllOutput()
{
    m_listOutput.SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED);
}

void CQuillonDlg::ArrangeTabOrder()
{
    static const int kScreenOrder[] = {IDC_STATIC_DESCRIPTION, IDC_STATIC_FILES,   IDC_LIST_FILES,
                                       IDC_ADD_FILES,          IDC_REMOVE_FILE,    IDC_STATIC_FOLDERS,
                                       IDC_LIST_FOLDERS,       IDC_CHECK_REMOVE_EXISTING, IDC_ADD_FOLDER,
                                       IDC_REMOVE_FOLDER,      IDC_STATIC_OUTPUT,  IDC_LIST_OUTPUT,
                                       IDC_RADIO_SYMBOLIC,     IDC_RADIO_HARD,     IDOK};
    HWND hAfter = HWND_TOP;
    for (int nID : kScreenOrder)
    {
        const HWND hCtrl = ::GetDlgItem(m_hWnd, nID);
        if (hCtrl == nullptr)
            continue;
        ::SetWindowPos(hCtrl, hAfter, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        hAfter = hCtrl;
    }
    // The radio group ends before "Erstellen": the arrow keys stay in it.
    CWnd* pCreate = GetDlgItem(IDOK);
    if (pCreate != nullptr)
        pCreate->ModifyStyle(0, WS_GROUP);
}

void CQuillonDlg::UpdateRadioTabStop()
{
    const int nChecked =
        ::IsDlgButtonChecked(m_hWnd, IDC_RADIO_SYMBOLIC) == BST_CHECKED ? IDC_RADIO_SYMBOLIC : IDC_RADIO_HARD;
    for (int nID : {IDC_RADIO_SYMBOLIC, IDC_RADIO_HARD})
    {
        CWnd* pRadio = GetDlgItem(nID);
        if (pRadio != nullptr)
            pRadio->ModifyStyle(nID == nChecked ? 0 : WS_TABSTOP, nID == nChecked ? WS_TABSTOP : 0);
    }
}

void CQuillonDlg::AddStartPaths()
{
    if (m_startPaths.empty())
        return;
    bool bMissing = false;
    for (const CString& strGiven : m_startPaths)
    {
        // Relative to where the program was started, as a command line means.
        CString strPath = strGiven;
        const DWORD dwLength = ::GetFullPathNameW(strGiven, 0, nullptr, nullptr);
        if (dwLength > 0)
        {
            std::vector<wchar_t> full(dwLength + 1, L'\0');
            const DWORD dwFull = ::GetFullPathNameW(strGiven, static_cast<DWORD>(full.size()), full.data(), nullptr);
            if (dwFull > 0 && dwFull < full.size())
                strPath = full.data();
        }
        const DWORD dwAttributes = ::GetFileAttributesW(MakeSystemPath(strPath));
        if (strGiven.IsEmpty() || dwAttributes == INVALID_FILE_ATTRIBUTES)
        {
            CString strLine;
            strLine.Format(L"Nicht gefunden: %s.", strGiven.GetString());
            m_listOutput.InsertItem(LVIF_TEXT, m_listOutput.GetItemCount(), strLine, 0, 0, 0, 0);
            bMissing = true;
        }
        else if (dwAttributes & FILE_ATTRIBUTE_DIRECTORY)
        {
            AddTrailingBackslash(strPath);
            m_setFolders.Add(strPath);
        }
        else
        {
            m_setFiles.Add(strPath);
        }
    }
    m_startPaths.clear();
    FillFileList();
    FillFolderList();
    if (bMissing)
        m_listOutput.SetColumnWidth(0, LVSCW_AUTOSIZE);
}

void CQuillonDlg::OnCreateLinks()
{
    // While a run goes on, the button reads "Abbrechen".
    if (m_pRun != nullptr)
    {
        m_pRun->Stop();
        return;
    }
    UpdateData(TRUE);
    m_listOutput.DeleteAllItems();
    if (m_setFolders.GetCount() == 0 || m_setFiles.GetCount() == 0)
    {
        // Nothing to wait for: no lines, and the column fitted as after
        // every folder.
        if (m_setFolders.GetCount() > 0)
            m_listOutput.SetColumnWidth(0, LVSCW_AUTOSIZE);
        return;
    }

    LinkRunOptions options;
    options.kind = m_nLinkType == 0 ? LinkKind::Symbolic : LinkKind::Hard;
    options.bRemoveExisting = m_bRemoveExisting != 0;
    const CLinkPathList<CQNStringArrayHash> folders(m_setFolders);
    const CLinkPathList<CQNStringArrayHash> files(m_setFiles);
    m_pRunFileSystem = CreateRunFileSystem();
    m_pRunOutput = std::make_unique<COutputListWriter>(m_listOutput);
    SetRunState(true);
    // The workers only post: the window's thread never waits on them while
    // they wait on it.
    const HWND hWnd = m_hWnd;
    try
    {
        m_pRun = std::make_unique<CLinkBatchThreads>(folders, files, options, *m_pRunFileSystem, m_nRunWorkers,
                                                     [hWnd] { ::PostMessageW(hWnd, kWmLinesWaiting, 0, 0); });
    }
    catch (const std::system_error&)
    {
        // Without a thread the run goes here, as it did before it had
        // workers.
        RunInPlace(folders, files, options);
    }
    catch (const std::bad_alloc&)
    {
        // Not even room for the run's results: nothing was done, and the
        // report says why.
        m_pRunOutput->InsertBatch({FormatEndedEarlyLine(
            0, static_cast<long long>(m_setFolders.GetCount()) * m_setFiles.GetCount(), ERROR_NOT_ENOUGH_MEMORY)});
        m_pRunOutput->EndBatches();
    }
    if (m_pRun == nullptr)
    {
        m_pRunOutput.reset();
        m_pRunFileSystem.reset();
        SetRunState(false);
        return;
    }
    ShowProgress();
}

void CQuillonDlg::RunInPlace(const ILinkPathList& folders, const ILinkPathList& files, const LinkRunOptions& options)
{
    CLinkJob job(folders, files, options, *m_pRunFileSystem);
    std::vector<LinkPairResult> results;
    results.reserve(static_cast<size_t>(job.GetPairCount()));
    RunLinkJob(job, [&results](const LinkPairResult& result) { results.push_back(result); });
    std::vector<CString> lines;
    lines.reserve(results.size());
    for (const LinkPairResult& result : results)
        lines.push_back(job.FormatLine(result));
    m_pRunOutput->InsertBatch(lines);
    m_pRunOutput->EndBatches();
}

std::vector<CString> CQuillonDlg::TakeRunLines()
{
    std::vector<CString> lines;
    for (const LinkPairResult& result : m_pRun->TakeResults())
        lines.push_back(m_pRun->FormatLine(result));
    return lines;
}

void CQuillonDlg::OnLinesWaiting()
{
    if (m_pRun == nullptr)
        return;
    if (m_pRun->HasEnded())
    {
        EndRun();
        return;
    }
    if (!m_bLinesTimer)
        m_bLinesTimer = ::SetTimer(m_hWnd, kLinesTimer, kLinesInterval, nullptr) != 0;
    if (!m_bLinesTimer)
        ShowWaitingLines();
}

void CQuillonDlg::ShowWaitingLines()
{
    if (m_bLinesTimer)
        ::KillTimer(m_hWnd, kLinesTimer);
    m_bLinesTimer = false;
    if (m_pRun == nullptr)
        return;
    m_pRunOutput->InsertBatch(TakeRunLines());
    ShowProgress();
    if (m_pRun->HasEnded())
        EndRun();
}

void CQuillonDlg::EndRun()
{
    if (m_pRun == nullptr)
        return;
    m_pRun->Wait();
    if (m_bLinesTimer)
        ::KillTimer(m_hWnd, kLinesTimer);
    m_bLinesTimer = false;
    std::vector<CString> lines = TakeRunLines();
    // A run that ended early says after how many pairs, and why when it was
    // not the user who stopped it.
    if (m_pRun->GetPairsDone() < m_pRun->GetPairsTotal())
        lines.push_back(FormatEndedEarlyLine(m_pRun->GetPairsDone(), m_pRun->GetPairsTotal(), m_pRun->GetFailure()));
    m_pRunOutput->InsertBatch(lines);
    m_pRunOutput->EndBatches();
    m_pRun.reset();
    m_pRunOutput.reset();
    m_pRunFileSystem.reset();
    SetRunState(false);
}

void CQuillonDlg::SetRunState(bool bRunning)
{
    if (bRunning)
    {
        // Focus on a control about to be disabled would be lost: it goes to
        // the button that now stops the run.
        const HWND hFocus = ::GetFocus();
        for (int nID : {IDC_ADD_FILES, IDC_REMOVE_FILE, IDC_ADD_FOLDER, IDC_REMOVE_FOLDER, IDC_RADIO_SYMBOLIC,
                        IDC_RADIO_HARD, IDC_CHECK_REMOVE_EXISTING})
        {
            const HWND hCtrl = ::GetDlgItem(m_hWnd, nID);
            if (hCtrl == nullptr)
                continue;
            if (hCtrl == hFocus)
                SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(m_hWnd, IDOK)), TRUE);
            ::EnableWindow(hCtrl, FALSE);
        }
        m_listFiles.DragAcceptFiles(FALSE);
        m_listFolders.DragAcceptFiles(FALSE);
        CWnd* pLabel = GetDlgItem(IDC_STATIC_OUTPUT);
        if (pLabel != nullptr)
            pLabel->GetWindowText(m_strOutputLabel);
        SetDlgItemText(IDOK, L"Abbrechen");
        if (m_pTaskbar == nullptr)
        {
            // Where the system has it (Windows 7 on): progress on the taskbar
            // button.
            ITaskbarList3* pTaskbar = nullptr;
            if (SUCCEEDED(::CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                             reinterpret_cast<void**>(&pTaskbar))))
            {
                if (SUCCEEDED(pTaskbar->HrInit()))
                    m_pTaskbar = pTaskbar;
                else
                    pTaskbar->Release();
            }
        }
        if (m_pTaskbar != nullptr)
            m_pTaskbar->SetProgressState(m_hWnd, TBPF_NORMAL);
        m_bShutdownBlocked = BlockShutdown(m_hWnd, true);
        return;
    }
    if (m_bShutdownBlocked)
        BlockShutdown(m_hWnd, false);
    m_bShutdownBlocked = false;
    for (int nID : {IDC_ADD_FILES, IDC_ADD_FOLDER, IDC_RADIO_HARD, IDC_CHECK_REMOVE_EXISTING})
        ::EnableWindow(::GetDlgItem(m_hWnd, nID), TRUE);
    // Without symbolic links on the system, their button stays off.
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_RADIO_SYMBOLIC), m_pfnCreateSymbolicLinkW != nullptr);
    m_listFiles.DragAcceptFiles(TRUE);
    m_listFolders.DragAcceptFiles(TRUE);
    SetDlgItemText(IDOK, L"Erstellen");
    SetDlgItemText(IDC_STATIC_OUTPUT, m_strOutputLabel);
    UpdateRemoveButton(m_listFiles, IDC_REMOVE_FILE);
    UpdateRemoveButton(m_listFolders, IDC_REMOVE_FOLDER);
    UpdateCreateButton();
    if (m_pTaskbar != nullptr)
        m_pTaskbar->SetProgressState(m_hWnd, TBPF_NOPROGRESS);
}

void CQuillonDlg::ShowProgress()
{
    if (m_pRun == nullptr)
        return;
    CString strLabel;
    strLabel.Format(L"%s %I64d von %I64d", m_strOutputLabel.GetString(), m_pRun->GetPairsDone(),
                    m_pRun->GetPairsTotal());
    SetDlgItemText(IDC_STATIC_OUTPUT, strLabel);
    if (m_pTaskbar != nullptr)
        m_pTaskbar->SetProgressValue(m_hWnd, static_cast<ULONGLONG>(m_pRun->GetPairsDone()),
                                     static_cast<ULONGLONG>(m_pRun->GetPairsTotal()));
}

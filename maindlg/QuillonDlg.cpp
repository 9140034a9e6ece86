#include "maindlg/QuillonDlg.h"

#include "framework/Gdi.h"
#include "framework/Module.h"
#include "framework/WinApp.h"
#include "maindlg/AboutDlg.h"
#include "maindlg/TabOrder.h"
#include "res/resource.h"

#include <shlobj.h>

CQuillonDlg* g_pMainDlg = nullptr;


CQuillonDlg::CQuillonDlg(CWnd* pParent)
    : CDialogLayout(IDD_QUILLON_DIALOG, L"Dialog"),
      m_hIcon(::LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME))),
      m_pfnCreateSymbolicLinkW(nullptr),
      m_nLinkType(1),
      m_sfi(),
      m_bRemoveExisting(1),
      m_bRelative(0),
      m_nRunWorkers(0),
      m_files(*this, m_listFiles, m_setFiles, false),
      m_folders(*this, m_listFolders, m_setFolders, true),
      m_reportView(m_listOutput),
      m_reportCommands(m_listOutput, m_reportView),
      m_runWindow(*this, m_reportView, [this] { UpdateWindowState(); }),
      m_run(m_runWindow),
      m_dwInputTime(0),
      m_bInput(false),
      m_bRepeatedKey(false),
      m_dwRunClickTime(0),
      m_bRunClicked(false),
      m_dwRunEndTime(0),
      m_bRunEnded(false)
{
    m_pParentWnd = pParent;
    m_reportCommands.SetFolderSource(&m_strFolder);
}

CQuillonDlg::~CQuillonDlg() = default;

void CQuillonDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Radio(pDX, IDC_RADIO_SYMBOLIC, m_nLinkType);
    DDX_Control(pDX, IDC_LIST_FILES, m_listFiles);
    DDX_Control(pDX, IDC_LIST_FOLDERS, m_listFolders);
    DDX_Control(pDX, IDC_LIST_OUTPUT, m_listOutput);
    DDX_Check(pDX, IDC_CHECK_REMOVE_EXISTING, m_bRemoveExisting);
    DDX_Check(pDX, IDC_CHECK_RELATIVE, m_bRelative);
}

BOOL CQuillonDlg::OnInitDialog()
{
    // Remembered choices, before the base shows the members in the controls.
    CWinApp* pApp = AfxGetApp();
    if (pApp != nullptr)
        m_bRelative = pApp->GetProfileIntW(kOptionsSection, kRelativeEntry, 0) != 0 ? 1 : 0;
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
        pList->m_pCallbackContext = this;
        pList->m_pfnDrop = &CQuillonDlg::OnDropPaths;
        pList->InitDropList(&CQuillonDlg::OnGetFileIcon);
        pList->InsertColumn(0, L"Path", LVCFMT_LEFT, 500);
    }
    // The output list shows the report, it does not hold it; several of its
    // lines can be selected and copied.
    m_reportView.Attach(this);
    m_runWindow.SetLabel(GetDlgItem(IDC_STATIC_OUTPUT)->GetWindowText());
    m_listOutput.InsertColumn(0, L"Text", LVCFMT_LEFT, 500);

    if (m_pfnCreateSymbolicLinkW == nullptr)
    {
        m_nLinkType = 1;
        ::CheckRadioButton(m_hWnd, IDC_RADIO_SYMBOLIC, IDC_RADIO_HARD, IDC_RADIO_HARD);
        m_reportView.AddTexts({L"Function CreateSymbolicLinkW not found!"});
    }

    // Tab and Shift+Tab go through the controls as they appear on screen; the
    // radio group ends before "Erstellen".
    ArrangeTabOrder(m_hWnd,
                    {IDC_STATIC_DESCRIPTION, IDC_STATIC_FILES, IDC_LIST_FILES, IDC_ADD_SOURCE_FOLDERS, IDC_ADD_FILES,
                     IDC_REMOVE_FILE, IDC_STATIC_FOLDERS, IDC_LIST_FOLDERS, IDC_CHECK_REMOVE_EXISTING, IDC_ADD_FOLDER,
                     IDC_REMOVE_FOLDER, IDC_STATIC_OUTPUT, IDC_UNDO, IDC_LIST_OUTPUT, IDC_RADIO_SYMBOLIC, IDC_RADIO_HARD,
                     IDC_CHECK_RELATIVE, IDC_PREVIEW, IDOK},
                    IDOK);
    UpdateRadioTabStop(m_hWnd, {IDC_RADIO_SYMBOLIC, IDC_RADIO_HARD});
    AddStartPaths();
    // The controls' first state comes from the same rule as every later one.
    UpdateWindowState();

    DeclareLayout();
    // The records of earlier runs are read once the window is up.
    PostMessage(kWmLoadHistory, 0, 0);
    return TRUE;
}

WindowFacts CQuillonDlg::GetWindowFacts() const
{
    WindowFacts facts;
    facts.run = !m_run.IsRunning() ? RunKind::None : m_run.IsPreview() ? RunKind::Preview : RunKind::Create;
    facts.nFiles = m_files.GetCount();
    facts.nFolders = m_folders.GetCount();
    facts.bFileSelected = m_files.HasSelection();
    facts.bFolderSelected = m_folders.HasSelection();
    facts.bSymbolicLinks = m_pfnCreateSymbolicLinkW != nullptr;
    facts.bSymbolicChosen = ::IsDlgButtonChecked(m_hWnd, IDC_RADIO_SYMBOLIC) == BST_CHECKED;
    facts.bReport = m_listOutput.GetItemCount() > 0;
    facts.bSaving = m_reportCommands.IsSaving();
    facts.bUndoable = m_history.HasUndoable();
    facts.bKept = m_history.GetKept().nFiles > 0;
    if (m_run.IsRunning() && m_run.IsUndo())
        facts.run = RunKind::Undo;
    return facts;
}

void CQuillonDlg::UpdateWindowState()
{
    const bool bWasRunning = m_windowState.GetFacts().run != RunKind::None;
    m_windowState.Apply(m_hWnd, GetWindowFacts());
    if (bWasRunning && !m_run.IsRunning())
    {
        m_dwRunEndTime = ::GetTickCount();
        m_bRunEnded = true;
        // What the run did may be undone, or ended what was kept.
        if (!m_run.IsPreview())
            OnRunEnded();
    }
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
        m_run.OnResultsWaiting();
        *pResult = 0;
        return TRUE;
    case kWmLoadHistory:
        m_strHistoryFolder = GetHistoryFolder();
        LoadHistory();
        *pResult = 0;
        return TRUE;
    case WM_TIMER:
        if (wParam == CRunWindow::kBatchTimer)
            m_run.OnBatchTimer();
        else if (wParam == CReportCommands::kCopyTimer)
            m_reportCommands.OnCopyTimer(m_hWnd);
        else if (wParam == CReportCommands::kSaveTimer)
        {
            m_reportCommands.OnSaveTimer(m_hWnd);
            if (!m_reportCommands.IsSaving())
                UpdateWindowState();
        }
        else
            break;
        *pResult = 0;
        return TRUE;
    case WM_QUERYENDSESSION:
        // Where the system shows why (Vista on), logging off waits for a
        // run, unless it cannot.
        *pResult = m_run.IsRunning() && m_runWindow.IsShutdownBlocked() && !(lParam & ENDSESSION_CRITICAL) ? FALSE : TRUE;
        return TRUE;
    case WM_ENDSESSION:
        // The session ends once this returns: the run stops between pairs
        // first, so that no pair is cut off half done.
        if (wParam)
            m_run.Finish();
        *pResult = 0;
        return TRUE;
    case WM_DESTROY:
        // A window that goes without being closed (its owner ends) still
        // lets the run finish the pairs in hand first.
        m_run.Finish();
        break;
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) != m_listOutput.m_hWnd)
            break;
        m_reportCommands.OnContextMenu(m_hWnd, lParam, DecideWindowState(GetWindowFacts()));
        *pResult = 0;
        return TRUE;
    default:
        break;
    }
    return CDialogLayout::OnWndMsg(message, wParam, lParam, pResult);
}

BOOL CQuillonDlg::PreTranslateMessage(MSG* pMsg)
{
    // When the user gave the input now being handled: a click on the run's
    // button is judged by it.
    const bool bOnRunButton = pMsg->hwnd == ::GetDlgItem(m_hWnd, IDOK) || pMsg->hwnd == ::GetDlgItem(m_hWnd, IDC_PREVIEW) ||
                              pMsg->hwnd == ::GetDlgItem(m_hWnd, IDC_UNDO);
    m_bInput = (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST) ||
               (bOnRunButton && pMsg->message == WM_LBUTTONUP);
    m_dwInputTime = pMsg->time;
    m_bRepeatedKey = pMsg->message == WM_KEYDOWN && (pMsg->lParam & (1 << 30)) != 0;
    if (pMsg->message != WM_KEYDOWN || (pMsg->wParam != 'S' && pMsg->wParam != 'Z') || ::GetKeyState(VK_CONTROL) >= 0 ||
        ::GetKeyState(VK_MENU) < 0 || (pMsg->hwnd != m_hWnd && !::IsChild(m_hWnd, pMsg->hwnd)))
        return CDialogLayout::PreTranslateMessage(pMsg);
    if (pMsg->wParam == 'S')
        SaveReport();
    else if (!m_bRepeatedKey)
        OnUndo();
    return TRUE;
}

void CQuillonDlg::SaveReport()
{
    // A report still being written is not saved: the user is told so and
    // saves it when the run is over.
    if (m_run.IsRunning())
    {
        ::MessageBoxW(m_hWnd, L"Der Bericht kann gespeichert werden, sobald der Lauf zu Ende ist.", L"Quillon",
                      MB_OK | MB_ICONINFORMATION);
        return;
    }
    m_reportCommands.SaveAs(m_hWnd);
    UpdateWindowState();
}

BOOL CQuillonDlg::OnCommand(UINT nID, UINT nCode)
{
    // "Erstellen" (IDOK) never closes the window: the dialog stays open for
    // another run.
    if (nID == IDOK || nID == IDC_PREVIEW)
    {
        if (nCode == BN_CLICKED)
            OnCreateLinks(nID == IDC_PREVIEW);
        return TRUE;
    }
    if (nID == CReportCommands::kSaveCommand)
    {
        SaveReport();
        return TRUE;
    }
    if (nID == IDC_UNDO || nID == CReportCommands::kUndoCommand)
    {
        if (nCode == BN_CLICKED)
            OnUndo();
        return TRUE;
    }
    if (nID == CReportCommands::kReleaseCommand)
    {
        OnReleaseKept();
        return TRUE;
    }
    // Escape, the close box, Alt+F4 and the system menu all end here: a run
    // stops after the pairs in hand, its lines are shown, and the window
    // closes as usual.
    if (nID == IDCANCEL)
        m_run.Finish();
    if (m_run.IsRunning() && nCode == BN_CLICKED)
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
        case IDC_ADD_SOURCE_FOLDERS:
            OnAddSourceFolders();
            return TRUE;
        case IDC_CHECK_RELATIVE:
            if (CWinApp* pApp = AfxGetApp())
                pApp->WriteProfileInt(kOptionsSection, kRelativeEntry,
                                      ::IsDlgButtonChecked(m_hWnd, IDC_CHECK_RELATIVE) == BST_CHECKED ? 1 : 0);
            return TRUE;
        case IDC_REMOVE_FILE:
            OnRemoveFile();
            return TRUE;
        case IDC_REMOVE_FOLDER:
            OnRemoveFolder();
            return TRUE;
        case IDC_RADIO_SYMBOLIC:
        case IDC_RADIO_HARD:
            UpdateRadioTabStop(m_hWnd, {IDC_RADIO_SYMBOLIC, IDC_RADIO_HARD});
            UpdateWindowState();
            break;
        default:
            break;
        }
    }
    return CDialog::OnCommand(nID, nCode);
}

BOOL CQuillonDlg::OnNotify(UINT nID, NMHDR* pNMHDR, LRESULT* pResult)
{
    const UINT nCode = pNMHDR->code;
    *pResult = 0;
    if (nCode == LVN_KEYDOWN && OnListKey(nID, reinterpret_cast<NMLVKEYDOWN*>(pNMHDR)->wVKey))
        return TRUE;
    if (nID == IDC_LIST_OUTPUT && nCode == LVN_GETDISPINFOW)
        return m_reportView.OnGetDispInfo(reinterpret_cast<NMLVDISPINFOW*>(pNMHDR));
    if (nID == IDC_LIST_OUTPUT && nCode == LVN_ODFINDITEMW)
    {
        *pResult = m_reportView.OnFindItem(reinterpret_cast<NMLVFINDITEMW*>(pNMHDR));
        return TRUE;
    }
    CPathList* pPaths = nID == IDC_LIST_FILES ? &m_files : nID == IDC_LIST_FOLDERS ? &m_folders : nullptr;
    if (pPaths == nullptr)
        return CDialog::OnNotify(nID, pNMHDR, pResult);
    if (nCode == NM_CLICK)
    {
        if (nID == IDC_LIST_FILES)
            OnClickFileList(pNMHDR, pResult);
        else
            OnClickFolderList(pNMHDR, pResult);
        return TRUE;
    }
    bool bSelectionChanged = false;
    if (!pPaths->OnNotify(pNMHDR, bSelectionChanged, pResult))
        return CDialog::OnNotify(nID, pNMHDR, pResult);
    if (bSelectionChanged)
        UpdateWindowState();
    return TRUE;
}

void CQuillonDlg::OnSysCommand(UINT nID, LPARAM /*lParam*/)
{
    if ((nID & 0xFFF0) != IDM_ABOUTBOX)
        Default();
    else
        CAboutDlg().DoModal();
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

HCURSOR CQuillonDlg::OnQueryDragIcon()
{
    return static_cast<HCURSOR>(m_hIcon);
}

bool CQuillonDlg::OnListKey(UINT nID, WORD wVKey)
{
    const bool bControl = ::GetKeyState(VK_CONTROL) < 0;
    if (nID == IDC_LIST_OUTPUT)
        return m_reportCommands.OnKey(wVKey, bControl);
    if (wVKey != VK_DELETE || bControl || (nID != IDC_LIST_FILES && nID != IDC_LIST_FOLDERS))
        return false;
    if (nID == IDC_LIST_FILES)
        OnRemoveFile();
    else
        OnRemoveFolder();
    return true;
}

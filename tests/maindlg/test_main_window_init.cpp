#include <gtest/gtest.h>

#include "tests/maindlg/main_window_support.h"

#include <commctrl.h>

namespace {

struct ColumnInfo
{
    bool bExists = false;
    std::wstring text;
    int nWidth = 0;
    int nFormat = 0;
};

ColumnInfo Column(const CListCtrl& list, int nCol)
{
    wchar_t text[64] = {};
    LVCOLUMNW col = {};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    col.pszText = text;
    col.cchTextMax = 64;
    ColumnInfo info;
    info.bExists = list.SendMessage(LVM_GETCOLUMNW, static_cast<WPARAM>(nCol), reinterpret_cast<LPARAM>(&col)) != 0;
    info.text = text;
    info.nWidth = col.cx;
    info.nFormat = col.fmt & LVCFMT_JUSTIFYMASK;
    return info;
}

bool IsRestorePrivilegeEnabled()
{
    HANDLE hToken = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &hToken))
        return false;
    LUID luid;
    ::LookupPrivilegeValueW(nullptr, SE_RESTORE_NAME, &luid);
    PRIVILEGE_SET set = {1, PRIVILEGE_SET_ALL_NECESSARY, {{luid, 0}}};
    BOOL bEnabled = FALSE;
    ::PrivilegeCheck(hToken, &set, &bEnabled);
    ::CloseHandle(hToken);
    return bEnabled != FALSE;
}

bool SetRestorePrivilege(bool bEnable)
{
    HANDLE hToken = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &hToken))
        return false;
    TOKEN_PRIVILEGES tp = {1, {{{0, 0}, bEnable ? static_cast<DWORD>(SE_PRIVILEGE_ENABLED) : 0u}}};
    ::LookupPrivilegeValueW(nullptr, SE_RESTORE_NAME, &tp.Privileges[0].Luid);
    const BOOL bDone = ::AdjustTokenPrivileges(hToken, FALSE, &tp, sizeof(tp), nullptr, nullptr);
    const bool bAssigned = bDone && ::GetLastError() == ERROR_SUCCESS;
    ::CloseHandle(hToken);
    return bAssigned;
}

}  // namespace

// Initialisation leaves each list ready for its role: the two path lists
// take drops, hand them and their icon requests to the dialog and show the
// shell's small icons; every list has its one column.
TEST(MainWindowInitTest, EachListIsPreparedForItsRole)
{
    CTestMainDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_QUILLON_DIALOG));
    EXPECT_EQ(&dlg, g_pMainDlg);
    SHFILEINFOW sfi = {};
    const auto hSystem = reinterpret_cast<HIMAGELIST>(
        ::SHGetFileInfoW(L"C:\\", 0, &sfi, sizeof(sfi), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));

    struct Case
    {
        int nID;
        CListCtrl* pList;
        CDropListCtrl* pPathList;
        const wchar_t* column;
    } cases[] = {
        {IDC_LIST_FILES, &dlg.m_listFiles, &dlg.m_listFiles, L"Path"},
        {IDC_LIST_FOLDERS, &dlg.m_listFolders, &dlg.m_listFolders, L"Path"},
        {IDC_LIST_OUTPUT, &dlg.m_listOutput, nullptr, L"Text"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.nID);
        ASSERT_EQ(::GetDlgItem(dlg.m_hWnd, c.nID), c.pList->m_hWnd);
        const bool bPathList = c.pPathList != nullptr;
        const LONG exStyle = ::GetWindowLongW(c.pList->m_hWnd, GWL_EXSTYLE);
        EXPECT_EQ(bPathList, (exStyle & WS_EX_ACCEPTFILES) != 0);
        const ColumnInfo col = Column(*c.pList, 0);
        EXPECT_TRUE(col.bExists);
        EXPECT_EQ(std::wstring(c.column), col.text);
        EXPECT_EQ(500, col.nWidth);
        EXPECT_EQ(LVCFMT_LEFT, col.nFormat);
        EXPECT_FALSE(Column(*c.pList, 1).bExists);
        EXPECT_EQ(bPathList ? hSystem : nullptr, c.pList->GetImageList(LVSIL_SMALL));
        if (bPathList)
        {
            EXPECT_EQ(&CQuillonDlg::OnDropPaths, c.pPathList->m_pfnDrop);
            EXPECT_EQ(&CQuillonDlg::OnGetFileIcon, c.pPathList->m_pfnImage);
            EXPECT_TRUE(c.pPathList->m_bImageOnly);
        }
    }
}

// Restoring attributes of replaced targets needs the restore privilege,
// which initialisation turns on.
TEST(MainWindowInitTest, RestorePrivilegeIsEnabled)
{
    if (!SetRestorePrivilege(false) || IsRestorePrivilegeEnabled())
        GTEST_SKIP() << "the process token does not hold the restore privilege here";
    CTestMainDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_QUILLON_DIALOG));
    EXPECT_TRUE(IsRestorePrivilegeEnabled());
}

// Without the dialog the list callbacks do nothing: no icon lookup, no path
// taken from a drop.
TEST(MainWindowInitTest, CallbacksDoNothingWithoutTheDialog)
{
    CTempTree tree;
    const std::wstring file = tree.File(L"x.txt");
    const std::wstring folder = tree.Folder(L"Sub");
    CTestMainDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_QUILLON_DIALOG));
    dlg.m_setFolders.Add(L"C:\\nowhere\\Target\\");
    dlg.FillFolderList();
    ASSERT_NE(0, CQuillonDlg::OnGetFileIcon(0, 0, &dlg.m_listFolders, nullptr));

    // The callbacks know their dialog by the control they are given.
    dlg.m_listFiles.m_pCallbackContext = nullptr;
    dlg.m_listFolders.m_pCallbackContext = nullptr;
    const int nIcon = CQuillonDlg::OnGetFileIcon(0, 0, &dlg.m_listFolders, nullptr);
    for (CDropListCtrl* pList : {&dlg.m_listFiles, &dlg.m_listFolders})
    {
        HDROP hDrop = MakeDrop({file, folder});
        CQuillonDlg::OnDropPaths(hDrop, pList);
        ::DragFinish(hDrop);
    }
    EXPECT_EQ(0, nIcon);
    EXPECT_EQ(0, dlg.m_setFiles.GetCount());
    EXPECT_EQ(std::vector<std::wstring>{L"C:\\nowhere\\Target\\"}, SetTexts(dlg.m_setFolders));
    EXPECT_EQ(0, dlg.m_listFiles.GetItemCount());
}

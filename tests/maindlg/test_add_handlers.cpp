#include <gtest/gtest.h>

#include "tests/maindlg/main_window_support.h"

#include "framework/WinApp.h"
#include "tests/shell/scripted_pickers.h"

namespace {

void Click(CTestMainDlg& dlg, int nID)
{
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(nID, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dlg.m_hWnd, nID)));
}

std::wstring Lower(std::wstring s)
{
    for (wchar_t& ch : s)
        ch = static_cast<wchar_t>(::towlower(ch));
    return s;
}

}  // namespace

TEST(AddHandlersTest, ChosenFilesGoIntoTheListButChosenFoldersDoNot)
{
    CTempTree tree;
    const std::wstring b = tree.File(L"b.txt");
    const std::wstring a = tree.File(L"a.txt");
    tree.Folder(L"Sub");
    CScriptedPickers script;
    CTestMainDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_QUILLON_DIALOG));
    dlg.m_strFolder = (tree.Root() + L"\\").c_str();

    script.bFileOk = TRUE;
    script.fileResult = tree.Root() + std::wstring(1, L'\0') + L"b.txt" + std::wstring(1, L'\0') + L"Sub" +
                        std::wstring(1, L'\0') + L"a.txt" + std::wstring(2, L'\0');
    Click(dlg, IDC_ADD_FILES);
    EXPECT_EQ(1, script.nFileCalls);
    EXPECT_EQ(tree.Root(), script.initialDirSeen);
    EXPECT_EQ(static_cast<DWORD>(OFN_ALLOWMULTISELECT), script.dwFlagsSeen & OFN_ALLOWMULTISELECT);
    EXPECT_EQ((std::vector<std::wstring>{b, a}), SetTexts(dlg.m_setFiles));
    EXPECT_EQ((std::vector<std::wstring>{a, b}), ListTexts(dlg.m_listFiles));
    EXPECT_EQ(tree.Root() + L"\\", std::wstring(dlg.m_strFolder.GetString()));

    // A cancelled pick changes nothing and does not rebuild the list: a path
    // put into the set behind the list's back stays unseen.
    dlg.m_setFiles.Add(L"C:\\only\\in\\the\\set.txt");
    script.bFileOk = FALSE;
    Click(dlg, IDC_ADD_FILES);
    EXPECT_EQ(2, script.nFileCalls);
    EXPECT_EQ((std::vector<std::wstring>{a, b}), ListTexts(dlg.m_listFiles));
}

TEST(AddHandlersTest, PickedFolderEndsInBackslashAndEnablesCreateWithFiles)
{
    CTempTree tree;
    const std::wstring file = tree.File(L"a.txt");
    const std::wstring folder = tree.Folder(L"Target");
    CScriptedPickers script;
    CTestMainDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_QUILLON_DIALOG));
    dlg.m_strFolder = tree.Root().c_str();

    script.nFolderResult = IDOK;
    script.folderResult = folder;
    Click(dlg, IDC_ADD_FOLDER);
    EXPECT_EQ(1, script.nFolderCalls);
    EXPECT_EQ((std::vector<std::wstring>{folder + L"\\"}), ListTexts(dlg.m_listFolders));
    EXPECT_EQ(folder + L"\\", std::wstring(dlg.m_strFolder.GetString()));
    EXPECT_FALSE(IsEnabled(dlg, IDOK));

    // The same folder in other letter case is not taken twice.
    for (wchar_t& ch : script.folderResult)
        ch = static_cast<wchar_t>(::towupper(ch));
    Click(dlg, IDC_ADD_FOLDER);
    EXPECT_EQ(1, dlg.m_setFolders.GetCount());

    script.bFileOk = TRUE;
    script.fileResult = file + std::wstring(2, L'\0');
    Click(dlg, IDC_ADD_FILES);
    EXPECT_TRUE(IsEnabled(dlg, IDOK));
    // The file picker starts in the folder picked last.
    EXPECT_EQ(Lower(folder), Lower(script.initialDirSeen));
}

TEST(AddHandlersTest, CancelledFolderPickRebuildsTheListUnchanged)
{
    CTempTree tree;
    const std::wstring kept = tree.Folder(L"Kept");
    CScriptedPickers script;
    CTestMainDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_QUILLON_DIALOG));
    dlg.m_setFolders.Add((kept + L"\\").c_str());
    dlg.m_strFolder = (kept + L"\\Gone\\").c_str();

    script.nFolderResult = IDCANCEL;
    Click(dlg, IDC_ADD_FOLDER);
    EXPECT_EQ(1, script.nFolderCalls);
    EXPECT_EQ((std::vector<std::wstring>{kept + L"\\"}), SetTexts(dlg.m_setFolders));
    EXPECT_EQ((std::vector<std::wstring>{kept + L"\\"}), ListTexts(dlg.m_listFolders));
    // The start folder is kept in its settled form: the nearest existing
    // folder, lower-cased.
    EXPECT_EQ(Lower(kept + L"\\"), script.folderStartSeen);
    EXPECT_EQ(Lower(kept + L"\\"), std::wstring(dlg.m_strFolder.GetString()));
    EXPECT_FALSE(IsEnabled(dlg, IDOK));
}

TEST(AddHandlersTest, SourceFoldersArePickedSeveralAtOnceAndRelativePathsFollowTheKind)
{
    CTempTree tree;
    const std::wstring file = tree.File(L"a.txt");
    const std::wstring one = tree.Folder(L"Eins");
    const std::wstring two = tree.Folder(L"Zwei");
    CWinApp app;
    app.SetCurrentHandles(::GetModuleHandleW(nullptr), nullptr, SW_SHOWNORMAL);
    app.SetRegistryKey(L"VelmoraTest-Options");
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\VelmoraTest-Options");
    CScriptedPickers script;
    CTestMainDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_QUILLON_DIALOG));
    dlg.m_setFiles.Add(file.c_str());

    // Both folders go into the source list, as folders, beside the file;
    // a file among what the dialog answers is not a folder and is left out.
    script.nFolderResult = IDOK;
    script.folderResult = one;
    script.foldersResult = {one, two, file};
    Click(dlg, IDC_ADD_SOURCE_FOLDERS);
    EXPECT_EQ(1, script.nMultipleCalls);
    EXPECT_EQ((std::vector<std::wstring>{file, one + L"\\", two + L"\\"}), ListTexts(dlg.m_listFiles));
    EXPECT_TRUE(dlg.m_setFolders.GetCount() == 0);
    SHFILEINFOW folderIcon = {};
    ::SHGetFileInfoW(L"x", FILE_ATTRIBUTE_DIRECTORY, &folderIcon, sizeof(folderIcon),
                     SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES);
    LVITEMW item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = 1;
    dlg.m_listFiles.SendMessage(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(folderIcon.iIcon, item.iImage) << "a folder source shows as a folder";

    // "Relative Pfade" only while symbolic links are chosen; a click on it
    // is remembered in the profile, and the next window starts with it.
    EXPECT_FALSE(IsEnabled(dlg, IDC_CHECK_RELATIVE));
    ::CheckRadioButton(dlg.m_hWnd, IDC_RADIO_SYMBOLIC, IDC_RADIO_HARD, IDC_RADIO_SYMBOLIC);
    Click(dlg, IDC_RADIO_SYMBOLIC);
    ASSERT_TRUE(IsEnabled(dlg, IDC_CHECK_RELATIVE));
    for (const UINT nCheck : {BST_UNCHECKED, BST_CHECKED})
    {
        ::CheckDlgButton(dlg.m_hWnd, IDC_CHECK_RELATIVE, nCheck);
        Click(dlg, IDC_CHECK_RELATIVE);
        EXPECT_EQ(nCheck == BST_CHECKED ? 1u : 0u, app.GetProfileIntW(L"Options", L"RelativePaths", 7));
    }
    ::CheckRadioButton(dlg.m_hWnd, IDC_RADIO_SYMBOLIC, IDC_RADIO_HARD, IDC_RADIO_HARD);
    Click(dlg, IDC_RADIO_HARD);
    EXPECT_FALSE(IsEnabled(dlg, IDC_CHECK_RELATIVE));
    CTestMainDlg next;
    ASSERT_TRUE(next.Create(IDD_QUILLON_DIALOG));
    EXPECT_EQ(static_cast<UINT>(BST_CHECKED), ::IsDlgButtonChecked(next.m_hWnd, IDC_CHECK_RELATIVE));
    next.DestroyWindow();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\VelmoraTest-Options");
}

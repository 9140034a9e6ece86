#include <gtest/gtest.h>

#include "tests/maindlg/main_window_support.h"

#include <algorithm>
#include <utility>

namespace {

std::wstring Upper(std::wstring s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](wchar_t c) { return static_cast<wchar_t>(::towupper(c)); });
    return s;
}

void Drop(CTestMainDlg& dlg, int nListID, const std::vector<std::wstring>& paths)
{
    ::SendMessageW(::GetDlgItem(dlg.m_hWnd, nListID), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(paths)), 0);
}

struct DropCase
{
    const char* name;
    int nListID;
    bool bFolders;
};

}  // namespace

// Three files and a folder on each list, then the same selection again in
// other letter case: each list takes only its kind, once, in drop order,
// shown sorted.
TEST(MainWindowDropTest, EachListTakesItsKindOnceInDropOrder)
{
    CTempTree tree;
    const std::wstring c = tree.File(L"c.txt");
    const std::wstring a = tree.File(L"a.txt");
    const std::wstring b = tree.File(L"B.txt");
    const std::wstring sub = tree.Folder(L"Sub");
    const DropCase cases[] = {
        {"files", IDC_LIST_FILES, false},
        {"folders", IDC_LIST_FOLDERS, true},
    };
    for (const DropCase& dc : cases)
    {
        SCOPED_TRACE(dc.name);
        CTestMainDlg dlg;
        ASSERT_TRUE(dlg.Create(IDD_QUILLON_DIALOG));
        Drop(dlg, dc.nListID, {c, a, sub, b});
        Drop(dlg, dc.nListID, {Upper(c), Upper(a), Upper(sub), Upper(b)});

        CQNStringArrayHash& set = dc.bFolders ? dlg.m_setFolders : dlg.m_setFiles;
        CDropListCtrl& list = dc.bFolders ? dlg.m_listFolders : dlg.m_listFiles;
        const std::vector<std::wstring> inSetOrder =
            dc.bFolders ? std::vector<std::wstring>{sub + L"\\"} : std::vector<std::wstring>{c, a, b};
        EXPECT_EQ(inSetOrder, SetTexts(set));
        const std::vector<std::wstring> shown =
            dc.bFolders ? std::vector<std::wstring>{sub + L"\\"} : std::vector<std::wstring>{a, b, c};
        EXPECT_EQ(shown, ListTexts(list));
        EXPECT_EQ(0, (dc.bFolders ? dlg.m_setFiles : dlg.m_setFolders).GetCount());
        EXPECT_FALSE(IsEnabled(dlg, IDOK));
        // A stream of a file or folder is no entry of its own, and what a
        // run kept aside is no source or target: refused, and the report
        // says so.
        const std::wstring kept = tree.Folder(L"~Quillon-Aufbewahrt-20250601-000000-000");
        const std::wstring keptFile = tree.File(L"~Quillon-Aufbewahrt-20250601-000000-000\\a.txt");
        Drop(dlg, dc.nListID, {c + L"::$DATA", sub + L":s", kept, keptFile});
        EXPECT_EQ(inSetOrder, SetTexts(set));
        EXPECT_EQ((std::vector<std::wstring>{L"Nicht übernommen, kein einfacher Name: " + c + L"::$DATA.",
                                             L"Nicht übernommen, kein einfacher Name: " + sub + L":s.",
                                             L"Nicht übernommen, von Quillon aufbewahrt: " + kept + L".",
                                             L"Nicht übernommen, von Quillon aufbewahrt: " + keptFile + L"."}),
                  ListTexts(dlg.m_listOutput));
    }
}

// A path longer than MAX_PATH arrives whole on either list.
TEST(MainWindowDropTest, PathsLongerThanMaxPathAreTakenWhole)
{
    CTempTree tree;
    std::wstring deep = tree.Folder(std::wstring(120, L'd'));
    deep = tree.Folder(std::wstring(120, L'd') + L"\\" + std::wstring(120, L'e'));
    const std::wstring longFile = tree.File(std::wstring(120, L'd') + L"\\" + std::wstring(120, L'e') + L"\\f.txt");
    ASSERT_GT(longFile.size(), static_cast<size_t>(MAX_PATH));
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW((L"\\\\?\\" + deep).c_str()));

    CTestMainDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_QUILLON_DIALOG));
    Drop(dlg, IDC_LIST_FILES, {longFile, deep});
    Drop(dlg, IDC_LIST_FOLDERS, {longFile, deep});
    EXPECT_EQ(std::vector<std::wstring>{longFile}, SetTexts(dlg.m_setFiles));
    EXPECT_EQ(std::vector<std::wstring>{longFile}, ListTexts(dlg.m_listFiles));
    EXPECT_EQ(std::vector<std::wstring>{deep + L"\\"}, SetTexts(dlg.m_setFolders));
    EXPECT_TRUE(IsEnabled(dlg, IDOK));
}

// "Erstellen" and "Vorschau" are enabled exactly when both lists hold items.
TEST(MainWindowButtonTest, CreateNeedsItemsInBothLists)
{
    struct Case
    {
        int nFiles;
        int nFolders;
        bool bEnabled;
    } cases[] = {{0, 0, false}, {2, 0, false}, {0, 1, false}, {1, 1, true}, {3, 2, true}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.nFiles << " files, " << c.nFolders << " folders");
        CTestMainDlg dlg;
        ASSERT_TRUE(dlg.Create(IDD_QUILLON_DIALOG));
        ::EnableWindow(::GetDlgItem(dlg.m_hWnd, IDOK), !c.bEnabled);
        ::EnableWindow(::GetDlgItem(dlg.m_hWnd, IDC_PREVIEW), !c.bEnabled);
        for (int i = 0; i < c.nFiles; ++i)
            dlg.m_setFiles.Add(L"C:\\f" + CString(static_cast<wchar_t>(L'0' + i)) + L".txt");
        for (int i = 0; i < c.nFolders; ++i)
            dlg.m_setFolders.Add(L"C:\\d" + CString(static_cast<wchar_t>(L'0' + i)) + L"\\");
        dlg.FillFileList();
        dlg.FillFolderList();
        EXPECT_EQ(c.bEnabled, IsEnabled(dlg, IDOK));
        EXPECT_EQ(c.bEnabled, IsEnabled(dlg, IDC_PREVIEW));
        EXPECT_EQ(c.nFiles, dlg.m_listFiles.GetItemCount());
    }
}

namespace {

void Click(CTestMainDlg& dlg, CListCtrl& list)
{
    NMITEMACTIVATE nm = {};
    nm.hdr.hwndFrom = list.m_hWnd;
    nm.hdr.idFrom = static_cast<UINT_PTR>(list.GetDlgCtrlID());
    nm.hdr.code = NM_CLICK;
    nm.iItem = -1;
    dlg.SendMessage(WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
}

void PressButton(CTestMainDlg& dlg, int nID)
{
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(nID, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dlg.m_hWnd, nID)));
}

}  // namespace

// Clicking and removing on both lists: the next item takes the selection;
// the last removal disables "Entfernen" and "Erstellen".
TEST(MainWindowButtonTest, RemoveTakesTheSelectedItemOutOfListAndSet)
{
    struct Side
    {
        const char* name;
        bool bFolders;
        int nRemoveID;
    } sides[] = {{"files", false, IDC_REMOVE_FILE}, {"folders", true, IDC_REMOVE_FOLDER}};
    for (const Side& side : sides)
    {
        SCOPED_TRACE(side.name);
        CTestMainDlg dlg;
        ASSERT_TRUE(dlg.Create(IDD_QUILLON_DIALOG));
        CQNStringArrayHash& set = side.bFolders ? dlg.m_setFolders : dlg.m_setFiles;
        CDropListCtrl& list = side.bFolders ? dlg.m_listFolders : dlg.m_listFiles;
        for (const wchar_t* p : {L"C:\\c\\", L"C:\\a\\", L"C:\\b\\"})
            set.Add(p);
        (side.bFolders ? dlg.m_setFiles : dlg.m_setFolders).Add(L"C:\\other\\");
        dlg.FillFileList();
        dlg.FillFolderList();
        ASSERT_TRUE(IsEnabled(dlg, IDOK));

        Click(dlg, list);  // nothing selected
        EXPECT_FALSE(IsEnabled(dlg, side.nRemoveID));
        PressButton(dlg, side.nRemoveID);
        EXPECT_EQ(3, list.GetItemCount());

        list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);  // the middle one, b
        Click(dlg, list);
        EXPECT_TRUE(IsEnabled(dlg, side.nRemoveID));
        PressButton(dlg, side.nRemoveID);
        EXPECT_EQ((std::vector<std::wstring>{L"C:\\a\\", L"C:\\c\\"}), ListTexts(list));
        EXPECT_EQ((std::vector<std::wstring>{L"C:\\c\\", L"C:\\a\\"}), SetTexts(set));
        EXPECT_EQ(1, list.GetNextItem(-1, LVNI_SELECTED));
        EXPECT_TRUE(IsEnabled(dlg, side.nRemoveID));

        PressButton(dlg, side.nRemoveID);  // c, the last row
        EXPECT_EQ(-1, list.GetNextItem(-1, LVNI_SELECTED));
        EXPECT_FALSE(IsEnabled(dlg, side.nRemoveID));
        EXPECT_TRUE(IsEnabled(dlg, IDOK));

        list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
        PressButton(dlg, side.nRemoveID);
        EXPECT_EQ(0, list.GetItemCount());
        EXPECT_EQ(0, set.GetCount());
        EXPECT_FALSE(IsEnabled(dlg, side.nRemoveID));
        EXPECT_FALSE(IsEnabled(dlg, IDOK));
    }
}

// Icons: a folder entry keeps the shell's folder icon although its text ends
// in a backslash; a file gets the icon its name calls for.
TEST(MainWindowIconTest, IconFollowsTheNameAndTheList)
{
    CTestMainDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_QUILLON_DIALOG));
    dlg.m_setFolders.Add(L"C:\\nowhere\\Target\\");
    dlg.m_setFiles.Add(L"C:\\nowhere\\readme.txt");
    dlg.FillFolderList();
    dlg.FillFileList();

    auto expected = [](const wchar_t* path, DWORD attributes) {
        SHFILEINFOW sfi = {};
        ::SHGetFileInfoW(path, attributes, &sfi, sizeof(sfi), SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES);
        return sfi.iIcon;
    };
    const int folderIcon = expected(L"C:\\nowhere\\Target", FILE_ATTRIBUTE_DIRECTORY);
    const int fileIcon = expected(L"C:\\nowhere\\readme.txt", 0);
    ASSERT_NE(folderIcon, fileIcon);
    EXPECT_EQ(folderIcon, CQuillonDlg::OnGetFileIcon(0, 0, &dlg.m_listFolders, nullptr));
    EXPECT_EQ(fileIcon, CQuillonDlg::OnGetFileIcon(0, 0, &dlg.m_listFiles, nullptr));

    // The list asks for it itself.
    LVITEMW item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = 0;
    ASSERT_TRUE(::SendMessageW(dlg.m_listFolders.m_hWnd, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    EXPECT_EQ(folderIcon, item.iImage);
}

TEST(MainWindowPaintTest, MinimisedIconIsCentredWithHalvesTruncatedTowardZero)
{
    struct Case
    {
        RECT rcClient;
        int cx, cy;
        POINT expected;
    } cases[] = {
        {{0, 0, 100, 60}, 32, 32, {34, 14}},
        {{0, 0, 101, 61}, 32, 32, {35, 15}},
        {{10, 20, 42, 52}, 32, 32, {0, 0}},
        {{0, 0, 0, 0}, 32, 32, {-15, -15}},  // (0 - 32 + 1) / 2, not -16
        {{0, 0, 160, 24}, 48, 48, {56, -11}},
    };
    for (const Case& c : cases)
    {
        const POINT pt = CQuillonDlg::GetIconPaintPosition(c.rcClient, c.cx, c.cy);
        EXPECT_EQ(c.expected.x, pt.x) << c.rcClient.right;
        EXPECT_EQ(c.expected.y, pt.y) << c.rcClient.bottom;
    }
}

namespace {

// Counts the icon-background erases the dialog asks for while painting.
class CPaintRecordingDlg : public CTestMainDlg
{
public:
    int m_nIconErases = 0;
    bool m_bEraseHadDC = true;

protected:
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override
    {
        if (message == WM_ICONERASEBKGND)
        {
            ++m_nIconErases;
            m_bEraseHadDC = m_bEraseHadDC && wParam != 0;
        }
        return CTestMainDlg::OnWndMsg(message, wParam, lParam, pResult);
    }
};

}  // namespace

// Minimised, a paint erases the icon background with the paint context and
// draws the icon; restored, the dialog paints as usual. Either way the
// window ends validated.
TEST(MainWindowPaintTest, PaintsTheIconOnlyWhileMinimised)
{
    CPaintRecordingDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_QUILLON_DIALOG));
    for (const int nShow : {SW_MINIMIZE, SW_RESTORE})
    {
        SCOPED_TRACE(nShow);
        dlg.ShowWindow(nShow);
        ASSERT_EQ(nShow == SW_MINIMIZE, dlg.IsIconic() != FALSE);
        dlg.m_nIconErases = 0;
        dlg.InvalidateRect(nullptr, TRUE);
        dlg.SendMessage(WM_PAINT);
        EXPECT_EQ(nShow == SW_MINIMIZE ? 1 : 0, dlg.m_nIconErases);
        EXPECT_TRUE(dlg.m_bEraseHadDC);
        RECT rcUpdate;
        EXPECT_FALSE(::GetUpdateRect(dlg.m_hWnd, &rcUpdate, FALSE));
    }
}

namespace {

// A list view like the path lists, filled the plain way: each text inserted
// in set order, then the column fitted.
std::pair<std::vector<std::wstring>, int> FillPlainly(const CTestMainDlg& dlg, const std::vector<std::wstring>& texts)
{
    const HWND hModel = dlg.m_listFiles.m_hWnd;
    HWND hList = ::CreateWindowExW(0, WC_LISTVIEWW, L"", static_cast<DWORD>(::GetWindowLongW(hModel, GWL_STYLE)) & ~WS_VISIBLE,
                                   0, 0, 300, 200, dlg.m_hWnd, nullptr, nullptr, nullptr);
    ::SendMessageW(hList, WM_SETFONT, ::SendMessageW(hModel, WM_GETFONT, 0, 0), 0);
    ::SendMessageW(hList, LVM_SETIMAGELIST, LVSIL_SMALL, ::SendMessageW(hModel, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    LVCOLUMNW col = {};
    col.mask = LVCF_WIDTH | LVCF_FMT;
    col.cx = 500;
    ::SendMessageW(hList, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&col));
    for (size_t i = 0; i < texts.size(); ++i)
    {
        LVITEMW item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<LPWSTR>(texts[i].c_str());
        item.iImage = I_IMAGECALLBACK;
        ::SendMessageW(hList, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    ::SendMessageW(hList, LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE);
    std::vector<std::wstring> shown;
    const int nCount = static_cast<int>(::SendMessageW(hList, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < nCount; ++i)
    {
        wchar_t text[1024] = {};
        LVITEMW item = {};
        item.iSubItem = 0;
        item.pszText = text;
        item.cchTextMax = 1024;
        ::SendMessageW(hList, LVM_GETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        shown.emplace_back(text);
    }
    const int nWidth = static_cast<int>(::SendMessageW(hList, LVM_GETCOLUMNWIDTH, 0, 0));
    ::DestroyWindow(hList);
    return {shown, nWidth};
}

}  // namespace

// However the rebuild hands the items over, the list ends with the items in
// the order and the column in the width that inserting them one by one in
// set order gives.
TEST(MainWindowFillTest, RebuiltListEndsAsInsertingInSetOrderWould)
{
    std::vector<std::wstring> equalWidth;
    for (int i = 0; i < 40; ++i)
        equalWidth.push_back(L"C:\\data\\file_" + std::to_wstring(1000 + (i * 7) % 40) + L".txt");
    const std::wstring longPath = L"C:\\" + std::wstring(300, L'w') + L"\\x.txt";
    const std::wstring longerPart = L"C:\\" + std::wstring(250, L'm') + L"\\y.txt";
    const struct
    {
        const char* name;
        std::vector<std::wstring> texts;
    } cases[] = {
        {"ascending", {L"C:\\a.txt", L"C:\\b.txt", L"C:\\c.txt", L"C:\\d.txt"}},
        {"descending", {L"C:\\d.txt", L"C:\\c.txt", L"C:\\b.txt", L"C:\\a.txt"}},
        {"mixed", {L"C:\\Zebra.txt", L"C:\\äpfel.txt", L"C:\\apfel.txt", L"C:\\co-op.txt", L"C:\\coop.txt",
                   L"C:\\B\\", L"C:\\b1.txt", L"C:\\_x.txt", L"C:\\10.txt", L"C:\\9.txt", L"C:\\Ölfass.txt"}},
        {"equally wide", equalWidth},
        {"longer than the control measures", {L"C:\\b.txt", longPath, L"C:\\a.txt", longerPart}},
        {"texts the control finds equal", {L"C:\\ab.txt", L"C:\\a\u00ADb.txt", L"C:\\a\u200Bb.txt", L"C:\\aa.txt"}},
    };
    CTestMainDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_QUILLON_DIALOG));
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        dlg.m_setFiles.RemoveAll();
        for (const std::wstring& text : c.texts)
            dlg.m_setFiles.Add(text.c_str());
        dlg.FillFileList();
        const auto plain = FillPlainly(dlg, SetTexts(dlg.m_setFiles));
        EXPECT_EQ(plain.first, ListTexts(dlg.m_listFiles));
        EXPECT_EQ(plain.second, dlg.m_listFiles.GetColumnWidth(0));
        EXPECT_TRUE(dlg.m_listFiles.GetStyle() & LVS_SORTASCENDING);
    }
}

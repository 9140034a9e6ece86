#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <new>
#include <string>
#include <vector>

#include "links/LinkRun.h"
#include "links/LinkReport.h"
#include "links/LinkPrivileges.h"
#include "links/Win32FileSystem.h"
#include "maindlg/QuillonDlg.h"
#include "tests/maindlg/main_window_support.h"
#include "res/resource.h"
#include "tests/links/wine_host.h"
#include "tests/temp_tree.h"

namespace {

class CCreateLinksDlg : public CQuillonDlg
{
public:
    explicit CCreateLinksDlg(bool bHasSymbolicLinks = true) : m_bHasSymbolicLinks(bHasSymbolicLinks) {}
    ~CCreateLinksDlg() override { DestroyWindow(); }

    // Presses "Erstellen" and lets the window's messages flow until the run
    // has ended and its lines are in the list, as they would for a user.
    void PressCreate()
    {
        SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(m_hWnd, IDOK)));
        WaitForRun();
    }
    void WaitForRun()
    {
        MSG msg;
        while (IsRunning() && ::GetMessageW(&msg, nullptr, 0, 0) > 0)
        {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }

    std::vector<std::wstring> OutputLines() const
    {
        std::vector<std::wstring> lines;
        for (int i = 0; i < m_listOutput.GetItemCount(); ++i)
            lines.emplace_back(m_listOutput.GetItemText(i, 0).GetString());
        return lines;
    }

protected:
    PFNCREATESYMBOLICLINKW LookUpSymbolicLinkOperation() override
    {
        return m_bHasSymbolicLinks ? CQuillonDlg::LookUpSymbolicLinkOperation() : nullptr;
    }
    // Runs are recorded only where a test gives a folder.
    CString GetHistoryFolder() override { return m_strHistory; }

public:
    CString m_strHistory;

protected:

private:
    bool m_bHasSymbolicLinks;
};

CString ErrorText(DWORD code)
{
    wchar_t* raw = nullptr;
    const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                         FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&raw), 0, nullptr);
    CString text(raw, static_cast<int>(n));
    ::LocalFree(raw);
    return text;
}

std::wstring HardLinkLine(const std::wstring& target, DWORD code)
{
    CString line;
    line.Format(L"HardLink: %s, File: %s, Error: %ld, %s.", code == 0 ? L"OK" : L"FAILED", target.c_str(),
                static_cast<long>(code), ErrorText(code).GetString());
    return line.GetString();
}

bool SameFile(const std::wstring& a, const std::wstring& b)
{
    BY_HANDLE_FILE_INFORMATION info[2] = {};
    int n = 0;
    for (const std::wstring& path : {a, b})
    {
        HANDLE h = ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return false;
        ::GetFileInformationByHandle(h, &info[n++]);
        ::CloseHandle(h);
    }
    return info[0].nFileIndexLow == info[1].nFileIndexLow && info[0].nFileIndexHigh == info[1].nFileIndexHigh;
}

// What a list with the output list's style shows after the lines were
// inserted one by one in processing order, and the width that fits them.
std::vector<std::wstring> AsTheListShowsThem(HWND hDlg, const std::vector<std::wstring>& lines, int* pWidth)
{
    RECT rc = {0, 0, 300, 100};
    CListCtrl list;
    list.Create(LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_SORTASCENDING | WS_CHILD, rc,
                CWnd::FromHandle(hDlg), 2000);
    list.SetFont(reinterpret_cast<HFONT>(::SendMessageW(::GetDlgItem(hDlg, IDC_LIST_OUTPUT), WM_GETFONT, 0, 0)));
    list.InsertColumn(0, L"Text", LVCFMT_LEFT, 500);
    for (size_t i = 0; i < lines.size(); ++i)
        list.InsertItem(static_cast<int>(i), lines[i].c_str());
    list.SetColumnWidth(0, LVSCW_AUTOSIZE);
    *pWidth = list.GetColumnWidth(0);
    std::vector<std::wstring> shown;
    for (int i = 0; i < list.GetItemCount(); ++i)
        shown.emplace_back(list.GetItemText(i, 0).GetString());
    list.DestroyWindow();
    return shown;
}

}  // namespace

TEST(CreateLinksDialogTest, WithoutSymbolicLinksHardLinkIsForcedUntilTheFirstRun)
{
    for (bool hasSymbolicLinks : {true, false})
    {
        SCOPED_TRACE(hasSymbolicLinks);
        CCreateLinksDlg dlg(hasSymbolicLinks);
        ASSERT_TRUE(dlg.Create(IDD_QUILLON_DIALOG));
        EXPECT_EQ(hasSymbolicLinks, dlg.m_pfnCreateSymbolicLinkW != nullptr);
        EXPECT_EQ(hasSymbolicLinks ? TRUE : FALSE, ::IsWindowEnabled(::GetDlgItem(dlg.m_hWnd, IDC_RADIO_SYMBOLIC)));
        EXPECT_EQ(static_cast<UINT>(BST_CHECKED), ::IsDlgButtonChecked(dlg.m_hWnd, IDC_RADIO_HARD));
        const std::vector<std::wstring> before = dlg.OutputLines();
        EXPECT_EQ(hasSymbolicLinks ? std::vector<std::wstring>{}
                                   : std::vector<std::wstring>{L"Function CreateSymbolicLinkW not found!"},
                  before);

        // Even with the symbolic button checked by hand, only hard links are
        // made while the operation is missing.
        CTempTree tree;
        const std::wstring source = tree.File(L"S", L"a.txt");
        const std::wstring folder = tree.TargetFolder(L"T");
        dlg.m_setFiles.Add(source.c_str());
        dlg.m_setFolders.Add(folder.c_str());
        ::CheckRadioButton(dlg.m_hWnd, IDC_RADIO_SYMBOLIC, IDC_RADIO_HARD, IDC_RADIO_SYMBOLIC);
        dlg.PressCreate();
        ASSERT_TRUE(dlg.IsWindow());
        const std::vector<std::wstring> after = dlg.OutputLines();
        ASSERT_EQ(1u, after.size());
        const std::wstring kind = hasSymbolicLinks ? L"SymbolicLink: " : L"HardLink: OK, ";
        EXPECT_EQ(0u, after[0].rfind(kind, 0)) << after[0].c_str();
        EXPECT_EQ(hasSymbolicLinks ? TRUE : FALSE, ::IsWindowEnabled(::GetDlgItem(dlg.m_hWnd, IDC_RADIO_SYMBOLIC)));
    }
}

TEST(CreateLinksDialogTest, OutputListEndsAsIfEveryLineWereInsertedInTurn)
{
    CTempTree tree;
    const std::wstring T = tree.TargetFolder(L"T");
    const std::wstring S = tree.TargetFolder(L"S");
    const std::wstring R = tree.TargetFolder(L"R");
    tree.File(L"S", L"b.dat");
    tree.File(L"S", L"a.txt");
    tree.File(L"R", L"A.txt");
    const auto skipSelf = [](const std::wstring& target) { return L"Skip: File: " + target + L"."; };
    const auto skipKept = [](const std::wstring& source, const std::wstring& target) {
        return L"Skip: " + source + L", File: " + target + L".";
    };

    struct Run
    {
        int removeExisting;
        std::vector<std::wstring> files;
        std::vector<std::wstring> linesInProcessingOrder;
    };
    // Folders T and S, outer; files inner. The first run keeps what is in
    // the way; the second replaces the first run's links.
    const std::vector<Run> runs = {
        {0,
         {S + L"b.dat", S + L"a.txt", R + L"A.txt", R + L"missing.txt"},
         {HardLinkLine(T + L"b.dat", 0), HardLinkLine(T + L"a.txt", 0), skipKept(R + L"A.txt", T + L"A.txt"),
          HardLinkLine(T + L"missing.txt", ERROR_FILE_NOT_FOUND), skipSelf(S + L"b.dat"), skipSelf(S + L"a.txt"),
          skipKept(R + L"A.txt", S + L"A.txt"), HardLinkLine(S + L"missing.txt", ERROR_FILE_NOT_FOUND)}},
        {1,
         {S + L"b.dat", S + L"a.txt", R + L"missing.txt"},
         {HardLinkLine(T + L"b.dat", 0), HardLinkLine(T + L"a.txt", 0),
          HardLinkLine(T + L"missing.txt", ERROR_FILE_NOT_FOUND), skipSelf(S + L"b.dat"), skipSelf(S + L"a.txt"),
          HardLinkLine(S + L"missing.txt", ERROR_FILE_NOT_FOUND)}},
    };

    CCreateLinksDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_QUILLON_DIALOG));
    HWND hOutput = ::GetDlgItem(dlg.m_hWnd, IDC_LIST_OUTPUT);
    const LONG style = ::GetWindowLongW(hOutput, GWL_STYLE);
    // A view of the report, in the order a list sorted by text shows.
    ASSERT_TRUE(style & LVS_OWNERDATA);
    dlg.m_setFolders.Add(T.c_str());
    dlg.m_setFolders.Add(S.c_str());
    for (const Run& run : runs)
    {
        SCOPED_TRACE(run.removeExisting);
        dlg.m_setFiles.RemoveAll();
        for (const std::wstring& f : run.files)
            dlg.m_setFiles.Add(f.c_str());
        ::CheckDlgButton(dlg.m_hWnd, IDC_CHECK_REMOVE_EXISTING, run.removeExisting ? BST_CHECKED : BST_UNCHECKED);
        dlg.PressCreate();

        int width = 0;
        EXPECT_EQ(AsTheListShowsThem(dlg.m_hWnd, run.linesInProcessingOrder, &width), dlg.OutputLines());
        EXPECT_EQ(width, dlg.m_listOutput.GetColumnWidth(0));
        // The list's own style bits; the scroll bars come and go with the contents.
        EXPECT_EQ(style & 0xFFFF, ::GetWindowLongW(hOutput, GWL_STYLE) & 0xFFFF);
        EXPECT_EQ(run.removeExisting, dlg.m_bRemoveExisting);
        for (const wchar_t* name : {L"b.dat", L"a.txt"})
            EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW((S + name).c_str())) << name;
    }

    // No folders: the list ends empty and the column is not refitted.
    dlg.m_setFolders.RemoveAll();
    dlg.m_listOutput.SetColumnWidth(0, 321);
    dlg.PressCreate();
    EXPECT_TRUE(dlg.OutputLines().empty());
    EXPECT_EQ(321, dlg.m_listOutput.GetColumnWidth(0));
}

TEST(CreateLinksDialogTest, ColumnFitsTheWidestLineAsTheListMeasuresIt)
{
    CTempTree tree;
    // Lines past the length a list view reads of an item, and names whose
    // widest is not the longest.
    const std::wstring deep(170, L'i');
    const struct
    {
        const char* name;
        std::vector<std::wstring> folders;
        std::vector<std::wstring> names;
    } cases[] = {
        {"one line", {L"T"}, {L"a.txt"}},
        {"wide letters against many narrow ones", {L"T", L"U"}, {L"WWWWWW.txt", L"iiiiiiiiiiiiiiiiii.txt", L"m.txt"}},
        {"lines longer than the list reads",
         {L"T", deep},
         {L"WWWWWWWWWW.txt", L"iiiiiiiiiiiiiiiiiiiiiiiiiiiiii.txt", L"lllllllllllllllllllllllllllllllllllllll.txt"}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        CCreateLinksDlg dlg;
        ASSERT_TRUE(dlg.Create(IDD_QUILLON_DIALOG));
        std::vector<std::wstring> processed;
        for (const std::wstring& name : c.names)
            dlg.m_setFiles.Add(tree.File(L"S", name).c_str());
        for (const std::wstring& folder : c.folders)
        {
            const std::wstring path = tree.TargetFolder(folder);
            dlg.m_setFolders.Add(path.c_str());
            for (const std::wstring& name : c.names)
                processed.push_back(HardLinkLine(path + name, 0));
        }
        dlg.PressCreate();

        int width = 0;
        EXPECT_EQ(AsTheListShowsThem(dlg.m_hWnd, processed, &width), dlg.OutputLines());
        EXPECT_EQ(width, dlg.m_listOutput.GetColumnWidth(0));
        EXPECT_GT(width, 0);
    }
}

namespace {

class CVectorList : public ILinkPathList
{
public:
    explicit CVectorList(std::vector<std::wstring> paths) : m_paths(std::move(paths)) {}
    int GetCount() const override { return static_cast<int>(m_paths.size()); }
    CString GetAt(int i) const override { return CString(m_paths[static_cast<size_t>(i)].c_str()); }

private:
    std::vector<std::wstring> m_paths;
};

}  // namespace

// The window's run on its workers ends with the lines of the sequential run,
// also where list order decides: two files of one name, one folder listed
// under two spellings (Wine's Z: drive), targets already there.
TEST(CreateLinksDialogTest, WorkersGiveTheLinesOfTheSequentialRun)
{
    std::vector<std::vector<std::wstring>> results;
    size_t nPairs = 0;
    for (int nWorkers : {0, 1, 4})
    {
        SCOPED_TRACE(nWorkers);
        CTempTree tree(L"workers");
        const std::vector<std::wstring> files = {tree.File(L"S", L"a.txt"), tree.File(L"R", L"a.txt"),
                                                 tree.File(L"S", L"b.txt"), tree.File(L"R", L"c.txt")};
        tree.File(L"T", L"b.txt");
        std::vector<std::wstring> folders = {tree.TargetFolder(L"T"), tree.TargetFolder(L"U"), tree.TargetFolder(L"S")};
        const std::string unixName = UnixPathOf(folders[0]);
        if (!unixName.empty())
        {
            std::wstring alias = L"Z:" + std::wstring(unixName.begin(), unixName.end());
            std::replace(alias.begin(), alias.end(), L'/', L'\\');
            folders.insert(folders.begin() + 2, alias);
        }
        nPairs = files.size() * folders.size();
        std::vector<std::wstring> lines;
        if (nWorkers == 0)
        {
            CWin32FileSystem fs(LookUpCreateSymbolicLinkW());
            for (const CString& line : RunLinkBatch(CVectorList(folders), CVectorList(files), LinkRunOptions(), fs))
                lines.emplace_back(line.GetString());
        }
        else
        {
            CCreateLinksDlg dlg;
            ASSERT_TRUE(dlg.Create(IDD_QUILLON_DIALOG));
            dlg.m_nRunWorkers = nWorkers;
            for (const std::wstring& f : files)
                dlg.m_setFiles.Add(f.c_str());
            for (const std::wstring& f : folders)
                dlg.m_setFolders.Add(f.c_str());
            dlg.PressCreate();
            lines = dlg.OutputLines();
        }
        // What each run kept is named after its start: compared without it.
        lines.erase(std::remove_if(lines.begin(), lines.end(),
                                   [](const std::wstring& line) { return line.rfind(L"Aufbewahrt: ", 0) == 0; }),
                    lines.end());
        std::sort(lines.begin(), lines.end());
        results.push_back(lines);
    }
    ASSERT_EQ(nPairs, results[0].size());
    EXPECT_EQ(results[0], results[1]);
    EXPECT_EQ(results[0], results[2]);
}

namespace {

// Gives up on the run's file system at the nth entry it opens in a target
// folder, in the middle of the workers' pairs.
class CFailingFileSystem : public CWin32FileSystem
{
public:
    CFailingFileSystem(PFNCREATESYMBOLICLINKW pfn, int nFailAt) : CWin32FileSystem(pfn), m_nFailAt(nFailAt) {}
    DWORD OpenFolder(const CString& path, std::unique_ptr<ILinkFolder>& folder) override
    {
        const DWORD dwError = CWin32FileSystem::OpenFolder(path, folder);
        if (dwError == ERROR_SUCCESS)
            folder.reset(new CFolder(std::move(folder), *this));
        return dwError;
    }

private:
    class CFolder : public ILinkFolder
    {
    public:
        CFolder(std::unique_ptr<ILinkFolder> folder, CFailingFileSystem& fs) : m_folder(std::move(folder)), m_fs(fs) {}
        bool GetId(LinkFileId& id) const override { return m_folder->GetId(id); }
        DWORD GetFinalPath(CString& path) override { return m_folder->GetFinalPath(path); }
        bool MayHold(const CString& name) override { return m_folder->MayHold(name); }
        DWORD FindEntry(const CString& name, LinkEntryInfo& entry) override { return m_folder->FindEntry(name, entry); }
        DWORD OpenEntry(const CString& name, EntryAccess access, std::unique_ptr<ILinkEntry>& entry) override
        {
            if (++m_fs.m_nCalls == m_fs.m_nFailAt)
                throw std::bad_alloc();
            return m_folder->OpenEntry(name, access, entry);
        }
        DWORD ListEntries(std::vector<LinkEntryInfo>& entries) override { return m_folder->ListEntries(entries); }
        DWORD CreateHardLink(const CString& name, const CString& source) override
        {
            return m_folder->CreateHardLink(name, source);
        }
        DWORD CreateSymbolicLink(const CString& name, const CString& source, DWORD flags) override
        {
            return m_folder->CreateSymbolicLink(name, source, flags);
        }
        DWORD CreateJunction(const CString& name, const CString& folder) override
        {
            return m_folder->CreateJunction(name, folder);
        }
        DWORD CreateFolder(const CString& name, std::unique_ptr<ILinkFolder>& folder) override
        {
            return m_folder->CreateFolder(name, folder);
        }
        DWORD OpenFolder(const CString& name, std::unique_ptr<ILinkFolder>& folder) override
        {
            return m_folder->OpenFolder(name, folder);
        }
        DWORD RemoveEmpty() override { return m_folder->RemoveEmpty(); }
        ILinkFolder& GetHolder() override { return m_folder->GetHolder(); }

    private:
        std::unique_ptr<ILinkFolder> m_folder;
        CFailingFileSystem& m_fs;
    };

    std::atomic<int> m_nCalls{0};
    const int m_nFailAt;
};

class CFailingRunDlg : public CCreateLinksDlg
{
public:
    int m_nFailAt = 0;

protected:
    std::unique_ptr<ILinkFileSystem> CreateRunFileSystem() override
    {
        if (m_nFailAt == 0)
            return CCreateLinksDlg::CreateRunFileSystem();
        return std::make_unique<CFailingFileSystem>(m_pfnCreateSymbolicLinkW, m_nFailAt);
    }
};

}  // namespace

// A run that cannot go on, because the session ends or because a worker
// fails, stops between pairs: when the window has handled it the run is
// over, every pair that changed something has its line, no temporary file
// is left, and the last line says after how many pairs and why.
TEST(CreateLinksDialogTest, ARunThatCannotGoOnEndsBetweenPairs)
{
    const struct
    {
        const char* name;
        int nFailAt;
        DWORD dwError;
    } cases[] = {{"the session ends", 0, 0}, {"a worker fails", 30, ERROR_NOT_ENOUGH_MEMORY}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        CTempTree tree;
        CFailingRunDlg dlg;
        dlg.m_nFailAt = c.nFailAt;
        ASSERT_TRUE(dlg.Create(IDD_QUILLON_DIALOG));
        std::vector<std::wstring> sources;
        for (int j = 0; j < 40; ++j)
        {
            sources.push_back(tree.File(L"S", L"f" + std::to_wstring(j) + L".txt"));
            dlg.m_setFiles.Add(sources.back().c_str());
        }
        std::vector<std::wstring> folders;
        for (int i = 0; i < 10; ++i)
        {
            folders.push_back(tree.TargetFolder(L"T" + std::to_wstring(i)));
            dlg.m_setFolders.Add(folders.back().c_str());
            for (int j = 0; j < 40; ++j)
                tree.File(L"T" + std::to_wstring(i), L"f" + std::to_wstring(j) + L".txt");
        }
        dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dlg.m_hWnd, IDOK)));
        ASSERT_TRUE(dlg.IsRunning());
        if (c.nFailAt == 0)
        {
            dlg.SendMessage(WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
            EXPECT_FALSE(dlg.IsRunning());
        }
        dlg.WaitForRun();
        ASSERT_FALSE(dlg.IsRunning());

        const std::vector<std::wstring> lines = dlg.OutputLines();
        size_t nLinked = 0;
        for (size_t i = 0; i < folders.size(); ++i)
        {
            EXPECT_EQ(0, TempFilesIn(folders[i]));
            for (size_t j = 0; j < sources.size(); ++j)
            {
                const std::wstring target = folders[i] + L"f" + std::to_wstring(j) + L".txt";
                const bool bLinked = SameFile(target, sources[j]);
                nLinked += bLinked ? 1 : 0;
                EXPECT_EQ(bLinked ? 1 : 0, std::count(lines.begin(), lines.end(), HardLinkLine(target, 0)));
            }
        }
        ASSERT_FALSE(lines.empty());
        ASSERT_LT(nLinked, 400u) << "the run ended before it could be stopped";
        EXPECT_EQ(nLinked + 1, lines.size());
        // The ended-early line, and what the pairs done kept of the files
        // they replaced.
        const std::wstring ended = FormatEndedEarlyLine(static_cast<long long>(nLinked), 400, c.dwError).GetString();
        std::wstring kept = FormatKeptSentence(static_cast<long long>(nLinked), 0, 1, false).GetString();
        kept.resize(kept.find(L" im versteckten Ordner "));
        if (lines.back() != ended)
        {
            EXPECT_EQ(0u, lines.back().rfind(ended + L" " + kept, 0)) << lines.back();
        }
    }
}

// Where the system shows why logging off should wait (Vista on), it waits
// for a run, and for nothing else.
TEST(CreateLinksDialogTest, LoggingOffWaitsForARunWhereTheSystemShowsWhy)
{
    typedef BOOL(WINAPI * PFNQUERY)(HWND, LPWSTR, DWORD*);
    const PFNQUERY pfnQuery = reinterpret_cast<PFNQUERY>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "ShutdownBlockReasonQuery")));
    if (pfnQuery == nullptr)
        GTEST_SKIP() << "this system cannot say why logging off should wait (Wine has no ShutdownBlockReasonQuery, "
                        "and its ShutdownBlockReasonCreate is a stub)";
    CTempTree tree;
    CCreateLinksDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_QUILLON_DIALOG));
    for (int j = 0; j < 200; ++j)
        dlg.m_setFiles.Add(tree.File(L"S", L"f" + std::to_wstring(j) + L".txt").c_str());
    for (int i = 0; i < 10; ++i)
        dlg.m_setFolders.Add(tree.TargetFolder(L"T" + std::to_wstring(i)).c_str());
    EXPECT_EQ(TRUE, dlg.SendMessage(WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dlg.m_hWnd, IDOK)));
    wchar_t reason[256] = {};
    DWORD cch = 256;
    EXPECT_TRUE(pfnQuery(dlg.m_hWnd, reason, &cch));
    EXPECT_NE(L'\0', reason[0]);
    EXPECT_EQ(FALSE, dlg.SendMessage(WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
    EXPECT_EQ(TRUE, dlg.SendMessage(WM_QUERYENDSESSION, 0, ENDSESSION_CRITICAL));
    dlg.WaitForRun();
    cch = 256;
    EXPECT_FALSE(pfnQuery(dlg.m_hWnd, reason, &cch));
    EXPECT_EQ(TRUE, dlg.SendMessage(WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
}

// While a run goes on, the lists stay as they are: a path selected leaves
// "Entfernen" off, and Delete removes nothing. The run is held open by not
// letting its messages through, so no timing decides this.
TEST(CreateLinksDialogTest, NothingChangesThePathListsDuringARun)
{
    CTempTree tree;
    CCreateLinksDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_QUILLON_DIALOG));
    dlg.m_setFiles.Add(tree.File(L"S", L"a.txt").c_str());
    dlg.m_setFiles.Add(tree.File(L"S", L"b.txt").c_str());
    dlg.m_setFolders.Add(tree.TargetFolder(L"T").c_str());
    dlg.FillFileList();
    dlg.FillFolderList();
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dlg.m_hWnd, IDOK)));
    ASSERT_TRUE(dlg.IsRunning());
    const struct
    {
        CDropListCtrl* pList;
        int nRemoveID;
    } lists[] = {{&dlg.m_listFiles, IDC_REMOVE_FILE}, {&dlg.m_listFolders, IDC_REMOVE_FOLDER}};
    for (const auto& list : lists)
    {
        list.pList->SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        NMHDR click = {list.pList->m_hWnd, static_cast<UINT_PTR>(list.pList->GetDlgCtrlID()), NM_CLICK};
        dlg.SendMessage(WM_NOTIFY, click.idFrom, reinterpret_cast<LPARAM>(&click));
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(dlg.m_hWnd, list.nRemoveID)));
        list.pList->SendMessage(WM_KEYDOWN, VK_DELETE, 0);
    }
    EXPECT_EQ(2, dlg.m_setFiles.GetCount());
    EXPECT_EQ(1, dlg.m_setFolders.GetCount());
    // "Vorschau" is off, and pressed anyway it neither stops nor starts a run.
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(dlg.m_hWnd, IDC_PREVIEW)));
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_PREVIEW, BN_CLICKED), 0);
    EXPECT_TRUE(dlg.IsRunning());
    dlg.WaitForRun();
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(dlg.m_hWnd, IDC_REMOVE_FILE)));
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(dlg.m_hWnd, IDC_PREVIEW)));
}

// Ctrl+C copies the selected lines, and every line when none is selected.
TEST(CreateLinksDialogTest, CopyTakesTheSelectedLinesOrEveryLine)
{
    CCreateLinksDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_QUILLON_DIALOG));
    dlg.GetReportView().AddTexts({L"b line", L"a line", L"c line"});
    dlg.GetReportView().EndRun(nullptr);
    const auto clipboard = [&dlg]() {
        std::wstring text;
        if (::OpenClipboard(dlg.m_hWnd))
        {
            const HANDLE hText = ::GetClipboardData(CF_UNICODETEXT);
            if (hText != nullptr)
            {
                text = static_cast<const wchar_t*>(::GlobalLock(hText));
                ::GlobalUnlock(hText);
            }
            ::CloseClipboard();
        }
        return text;
    };
    dlg.CopyOutput();
    EXPECT_EQ(L"a line\r\nb line\r\nc line", clipboard());
    dlg.m_listOutput.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);
    dlg.m_listOutput.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    dlg.CopyOutput();
    EXPECT_EQ(L"a line\r\nc line", clipboard());
}

namespace {

// The window's messages as its own loop handles them, until done says so.
void PumpAsTheDialogDoes(CQuillonDlg& dlg, const std::function<bool()>& done)
{
    MSG msg;
    while (!done() && ::GetMessageW(&msg, nullptr, 0, 0) > 0)
    {
        if (!dlg.PreTranslateMessage(&msg) && !::IsDialogMessageW(dlg.m_hWnd, &msg))
        {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

// Clicks on a button as the system queues them, the second of a pair as
// the second click of a double click.
void QueueClicks(HWND hButton, int nClicks)
{
    for (int i = 0; i < nClicks; ++i)
    {
        ::PostMessageW(hButton, i == 0 ? WM_LBUTTONDOWN : WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(4, 4));
        ::PostMessageW(hButton, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    }
}

}  // namespace

// Clicks belong to the run they were made for: a double click on
// "Erstellen" starts a run and does not stop it, one on "Abbrechen" stops
// the run and starts none, a click made while a run went on does not start
// the next; "Vorschau" pressed with the mouse has the focus again after its
// run, so that Enter presses "Vorschau", not "Erstellen".
TEST(CreateLinksDialogTest, ClicksBelongToTheRunTheyWereMadeFor)
{
    CTempTree tree;
    CCreateLinksDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_QUILLON_DIALOG));
    dlg.ShowWindow(SW_SHOW);
    for (int j = 0; j < 200; ++j)
        dlg.m_setFiles.Add(tree.File(L"S", L"f" + std::to_wstring(j) + L".txt").c_str());
    for (int i = 0; i < 10; ++i)
        dlg.m_setFolders.Add(tree.TargetFolder(L"T" + std::to_wstring(i)).c_str());
    dlg.FillFileList();
    dlg.FillFolderList();
    const HWND hCreate = ::GetDlgItem(dlg.m_hWnd, IDOK);
    const HWND hPreview = ::GetDlgItem(dlg.m_hWnd, IDC_PREVIEW);
    const auto idle = [&dlg] { return !dlg.IsRunning(); };
    const auto lastLine = [&dlg] {
        const std::vector<std::wstring> lines = dlg.OutputLines();
        return lines.empty() ? std::wstring() : lines.back();
    };

    // A double click on "Vorschau": one preview, whole; the focus where the
    // mouse put it.
    ::SetFocus(hPreview);
    QueueClicks(hPreview, 2);
    PumpAsTheDialogDoes(dlg, [&dlg] { return dlg.IsRunning(); });
    PumpAsTheDialogDoes(dlg, idle);
    EXPECT_EQ(2000u, dlg.OutputLines().size());
    EXPECT_EQ(hPreview, ::GetFocus());

    // A double click on "Abbrechen": stopped, and nothing started after.
    ::Sleep(600);
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(hCreate));
    ASSERT_TRUE(dlg.IsRunning());
    QueueClicks(hCreate, 2);
    PumpAsTheDialogDoes(dlg, idle);
    ::Sleep(50);
    PumpAsTheDialogDoes(dlg, [] {
        MSG msg;
        return !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    });
    EXPECT_FALSE(dlg.IsRunning());
    EXPECT_EQ(0u, lastLine().rfind(L"Abgebrochen nach ", 0)) << lastLine();

    // A click made while the run went on, handled after it ended: no run.
    RemoveTree(tree.Root() + L"\\T0");
    tree.TargetFolder(L"T0");
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(hCreate));
    for (int nWait = 0; nWait < 600 && !dlg.HaveWorkersEnded(); ++nWait)
        ::Sleep(50);
    ASSERT_TRUE(dlg.IsRunning());
    QueueClicks(hCreate, 1);
    ::Sleep(50);
    PumpAsTheDialogDoes(dlg, [] {
        MSG msg;
        return !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    });
    EXPECT_FALSE(dlg.IsRunning());

    // A double click on "Erstellen": one run, to its end.
    for (int i = 0; i < 10; ++i)
    {
        RemoveTree(tree.Root() + L"\\T" + std::to_wstring(i));
        tree.TargetFolder(L"T" + std::to_wstring(i));
    }
    ::Sleep(600);
    QueueClicks(hCreate, 2);
    PumpAsTheDialogDoes(dlg, [&dlg] { return dlg.IsRunning(); });
    PumpAsTheDialogDoes(dlg, idle);
    EXPECT_EQ(2000u, dlg.OutputLines().size());
    EXPECT_EQ(0u, lastLine().rfind(L"HardLink: OK, ", 0)) << lastLine();
}

// Cost of filling the main dialog's path lists, on the real CQuillonDlg and
// its real sorted list controls:
//   - 10,000 files dropped on the source list: WM_DROPFILES to the list, the
//     dialog's drop handler reading every path, the set taking each one and
//     the list rebuilt; with the names handed over ascending, descending and
//     shuffled;
//   - the rebuild of a list of 10,000 paths alone;
//   - beside them, on a smaller list, the rebuild the plain way (items handed
//     over in set order) against the one the dialog does, and whether both
//     end with the same items in the same order.
// Figures only: nothing here passes or fails.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_main_dialog.h"
#include "bench/bench_support.h"
#include "layout/LayoutDpi.h"
#include "layout/LayoutMessages.h"
#include "layout/LayoutMonitor.h"
#include "maindlg/QuillonDlg.h"
#include "res/resource.h"
#include "tests/maindlg/main_window_support.h"

namespace {

// The program's start-up objects of the layout, in the program's order.
CLayoutMessages s_layoutMessages;
CLayoutScaledLengths s_scaledLengths;
CGUILayoutLibMonitor s_layoutMonitor;

// Existing files, so that the handler's folder test asks the file system
// what a real drop makes it ask.
class CBenchFolder
{
public:
    explicit CBenchFolder(int nFiles)
    {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        m_root = std::wstring(temp) + L"quillon_bench_drop_" + std::to_wstring(::GetCurrentProcessId());
        ::CreateDirectoryW(m_root.c_str(), nullptr);
        for (int i = 0; i < nFiles; ++i)
        {
            wchar_t name[32];
            // Mixed letter case, so that the sorted control compares more
            // than plain code units.
            ::swprintf(name, 32, i % 3 == 0 ? L"\\Datei_%05d.txt" : L"\\datei_%05d.TXT", i);
            const std::wstring path = m_root + name;
            HANDLE hFile = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            if (hFile != INVALID_HANDLE_VALUE)
                ::CloseHandle(hFile);
            m_paths.push_back(path);
        }
    }
    ~CBenchFolder()
    {
        for (const std::wstring& path : m_paths)
            ::DeleteFileW(path.c_str());
        ::RemoveDirectoryW(m_root.c_str());
    }
    CBenchFolder(const CBenchFolder&) = delete;
    CBenchFolder& operator=(const CBenchFolder&) = delete;
    const std::vector<std::wstring>& Paths() const { return m_paths; }

private:
    std::wstring m_root;
    std::vector<std::wstring> m_paths;
};

// The plain rebuild: every item handed to the sorted control in set order.
void FillInSetOrder(CListCtrl& list, const CQNStringArrayHash& set)
{
    list.SetRedraw(FALSE);
    list.DeleteAllItems();
    for (int i = 0; i < set.GetCount(); ++i)
        list.InsertItem(LVIF_TEXT | LVIF_IMAGE, i, set.GetAt(i), 0, 0, I_IMAGECALLBACK, 0);
    list.SetColumnWidth(0, LVSCW_AUTOSIZE);
    list.SetRedraw(TRUE);
}

struct DropFigures
{
    double dDropSeconds;
    int nItems;
    bool bSorted;
};

DropFigures DropOnFileList(const std::vector<std::wstring>& paths)
{
    CBenchDlg dlg;
    if (!dlg.Create(IDD_QUILLON_DIALOG))
        return {-1.0, 0, false};
    dlg.ShowWindow(SW_SHOW);
    Pump();
    const double dStart = Now();
    dlg.m_listFiles.SendMessage(WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(paths)), 0);
    dlg.UpdateWindow();
    const double dSeconds = Now() - dStart;
    const std::vector<std::wstring> shown = ListTexts(dlg.m_listFiles);
    const bool bSorted = std::is_sorted(shown.begin(), shown.end(), [](const std::wstring& a, const std::wstring& b) {
        return ::lstrcmpW(a.c_str(), b.c_str()) < 0;
    });
    return {dSeconds, dlg.m_listFiles.GetItemCount(), bSorted};
}

int Run()
{
    const int nFiles = 10000;
    std::printf("creating %d files ...\n", nFiles);
    const CBenchFolder folder(nFiles);
    std::vector<std::wstring> ascending = folder.Paths();
    std::sort(ascending.begin(), ascending.end(),
              [](const std::wstring& a, const std::wstring& b) { return ::lstrcmpW(a.c_str(), b.c_str()) < 0; });
    std::vector<std::wstring> descending(ascending.rbegin(), ascending.rend());
    std::vector<std::wstring> shuffled = ascending;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));

    std::printf("%d files dropped on the source list (WM_DROPFILES to the end of the repaint):\n", nFiles);
    const struct
    {
        const char* name;
        const std::vector<std::wstring>* pPaths;
    } drops[] = {{"ascending", &ascending}, {"descending", &descending}, {"shuffled", &shuffled}};
    for (const auto& drop : drops)
    {
        const DropFigures f = DropOnFileList(*drop.pPaths);
        std::printf("  %-12s %8.3f s   %d items, %s\n", drop.name, f.dDropSeconds, f.nItems,
                    f.bSorted ? "shown in text order" : "NOT in text order");
    }

    CBenchDlg dlg;
    if (!dlg.Open())
        return 1;

    // The steps of the shuffled drop one by one.
    HDROP hDrop = MakeDrop(shuffled);
    double dStart = Now();
    const std::vector<CString> dropped = CDropListCtrl::GetDropPaths(hDrop);
    const double dRead = Now() - dStart;
    ::GlobalFree(hDrop);
    dStart = Now();
    int nFolders = 0;
    for (const CString& path : dropped)
        nFolders += ::PathIsDirectoryW(path) ? 1 : 0;
    const double dFolderTest = Now() - dStart;
    dStart = Now();
    for (const CString& path : dropped)
        dlg.m_setFiles.Add(path);
    const double dSet = Now() - dStart;
    dStart = Now();
    dlg.FillFileList();
    dlg.UpdateWindow();
    const double dFill = Now() - dStart;
    std::printf("the shuffled drop step by step: paths read %.3f s, folder test %.3f s (%d folders), set insert %.3f s, "
                "list filled and painted %.3f s\n",
                dRead, dFolderTest, nFolders, dSet, dFill);

    dlg.m_setFiles.RemoveAll();
    for (const std::wstring& path : ascending)
        dlg.m_setFiles.Add(path.c_str());
    double dBest = 1e9;
    for (int run = 0; run < 3; ++run)
    {
        const double dStart = Now();
        dlg.FillFileList();
        dlg.UpdateWindow();
        dBest = std::min(dBest, Now() - dStart);
    }
    const bool bKeepsSort = (dlg.m_listFiles.GetStyle() & LVS_SORTASCENDING) != 0;
    std::printf("rebuild of a list of %d paths (set in ascending order): %.3f s; the control %s its sort style\n",
                dlg.m_listFiles.GetItemCount(), dBest, bKeepsSort ? "keeps" : "LOST");

    // Side by side on fewer items, where the plain way still ends in time;
    // its ascending case grows with the square of the count.
    const int nSmall = 2000;
    std::vector<std::wstring> smallShuffled(shuffled.begin(), shuffled.begin() + nSmall);
    std::vector<std::wstring> smallAscending = smallShuffled;
    std::sort(smallAscending.begin(), smallAscending.end(),
              [](const std::wstring& a, const std::wstring& b) { return ::lstrcmpW(a.c_str(), b.c_str()) < 0; });
    std::printf("side by side, %d paths:\n", nSmall);
    const struct
    {
        const char* name;
        const std::vector<std::wstring>* pPaths;
    } sets[] = {{"ascending", &smallAscending}, {"shuffled", &smallShuffled}};
    for (const auto& set : sets)
    {
        dlg.m_setFiles.RemoveAll();
        for (const std::wstring& path : *set.pPaths)
            dlg.m_setFiles.Add(path.c_str());
        double dStart = Now();
        FillInSetOrder(dlg.m_listFiles, dlg.m_setFiles);
        const double dPlain = Now() - dStart;
        const std::vector<std::wstring> plain = ListTexts(dlg.m_listFiles);
        dStart = Now();
        dlg.FillFileList();
        const double dOurs = Now() - dStart;
        const std::vector<std::wstring> ours = ListTexts(dlg.m_listFiles);
        std::printf("  set %-10s in set order %8.3f s, as the dialog hands them %8.3f s (%6.1f x); %s\n", set.name,
                    dPlain, dOurs, dPlain / dOurs, plain == ours ? "same items in the same order" : "ORDER DIFFERS");
    }
    return 0;
}

}  // namespace

int wmain()
{
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    return Run();
}

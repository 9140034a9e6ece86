#include <gtest/gtest.h>

#include "links/LinkRun.h"
#include "tests/links/fake_file_system.h"
#include "tests/maindlg/main_window_support.h"

#include <new>
#include <string>
#include <vector>

namespace {

// Allocations fail from the nth on, on this thread, while set; -1: never.
thread_local long t_nAllocationsLeft = -1;

}  // namespace

void* operator new(size_t cb)
{
    if (t_nAllocationsLeft == 0)
        throw std::bad_alloc();
    if (t_nAllocationsLeft > 0)
        --t_nAllocationsLeft;
    void* p = ::HeapAlloc(::GetProcessHeap(), 0, cb != 0 ? cb : 1);
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}

void operator delete(void* p) noexcept
{
    if (p != nullptr)
        ::HeapFree(::GetProcessHeap(), 0, p);
}

void operator delete(void* p, size_t) noexcept
{
    if (p != nullptr)
        ::HeapFree(::GetProcessHeap(), 0, p);
}

namespace {

// A run's results for a folder T and files named as given, as the window
// takes them in batches.
struct CRunLines
{
    CFakeFileSystem fs;
    std::shared_ptr<CLinkJob> job;
    explicit CRunLines(const std::vector<std::wstring>& names)
    {
        std::vector<std::wstring> files;
        for (const std::wstring& name : names)
            files.push_back(L"C:\\S\\" + name);
        job = std::make_shared<CLinkJob>(CVectorPathList({L"C:\\T\\"}), CVectorPathList(files), LinkRunOptions(), fs);
    }
    std::vector<LinkPairResult> Results(int nFrom, int nTo) const
    {
        std::vector<LinkPairResult> results;
        for (int j = nFrom; j < nTo; ++j)
        {
            LinkPairResult result;
            result.nFile = j;
            results.push_back(result);
        }
        return results;
    }
};

std::vector<std::wstring> Selected(CListCtrl& list)
{
    std::vector<std::wstring> lines;
    for (int n = list.GetNextItem(-1, LVNI_SELECTED); n >= 0; n = list.GetNextItem(n, LVNI_SELECTED))
        lines.emplace_back(list.GetItemText(n, 0).GetString());
    return lines;
}

}  // namespace

// Lines come in above and among the selected ones while a run goes on: the
// selection, the focus and the selection mark stay on their lines; all
// lines selected (Ctrl+A) take the run's last line in too; a letter typed in
// the list goes to the next line that begins with it.
TEST(ReportViewTest, SelectionFocusAndMarkStayOnTheirLines)
{
    CTestMainDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_QUILLON_DIALOG));
    dlg.ShowWindow(SW_SHOW);
    std::vector<std::wstring> names;
    for (int j = 0; j < 300; ++j)
        names.push_back(L"f" + std::to_wstring(1000 + (j * 7919) % 300) + L".txt");
    CRunLines run(names);
    CReportView& view = dlg.GetReportView();
    CListCtrl& list = dlg.m_listOutput;
    view.BeginRun(run.job);
    view.AddResults(run.Results(0, 100));
    // A block, one line apart from it, the mark and the focus on the last.
    for (int n = 10; n < 60; ++n)
        list.SetItemState(n, LVIS_SELECTED, LVIS_SELECTED);
    list.SetItemState(80, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    list.SendMessage(LVM_SETSELECTIONMARK, 0, 80);
    const std::vector<std::wstring> before = Selected(list);
    const std::wstring marked = list.GetItemText(80, 0).GetString();
    for (int nFrom = 100; nFrom < 300; nFrom += 50)
        view.AddResults(run.Results(nFrom, nFrom + 50));
    EXPECT_EQ(before, Selected(list));
    EXPECT_EQ(marked, list.GetItemText(list.GetNextItem(-1, LVNI_FOCUSED), 0).GetString());
    EXPECT_EQ(marked, list.GetItemText(static_cast<int>(list.SendMessage(LVM_GETSELECTIONMARK)), 0).GetString());

    // Typing: from the focused line on, and round.
    list.SetItemState(-1, 0, LVIS_SELECTED);
    list.SendMessage(WM_CHAR, L'h', 0);
    const int nFound = list.GetNextItem(-1, LVNI_FOCUSED);
    ASSERT_GE(nFound, 0);
    EXPECT_EQ(0u, std::wstring(list.GetItemText(nFound, 0).GetString()).rfind(L"HardLink: ", 0));
    ::Sleep(1100);
    list.SendMessage(WM_CHAR, L'q', 0);
    EXPECT_EQ(nFound, list.GetNextItem(-1, LVNI_FOCUSED));

    // Ctrl+A during the run, then a stop: the stop line is selected too.
    dlg.SelectAllOutput();
    const CString strStop = FormatEndedEarlyLine(300, 900, 0);
    view.EndRun(&strStop);
    EXPECT_EQ(list.GetItemCount(), static_cast<int>(list.GetSelectedCount()));
}

// The report sorts as the path lists and lstrcmpW do, by the thread's
// locale; and a line whose place cannot be had for want of memory is not
// half in the report.
TEST(ReportViewTest, OneOrderAndNoHalfAddedLine)
{
    const LCID before = ::GetThreadLocale();
    const LCID swedish = MAKELCID(MAKELANGID(LANG_SWEDISH, SUBLANG_SWEDISH), SORT_DEFAULT);
    const LCID german = MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT);
    const bool bLocalesDiffer = ::CompareStringW(swedish, 0, L"ä", -1, L"z", -1) !=
                                ::CompareStringW(german, 0, L"ä", -1, L"z", -1);
    ::SetThreadLocale(swedish);
    CReport report;
    const std::vector<CString> lines = {L"z", L"ä", L"a", L"Ö", L"o"};
    report.AddTexts(lines);
    std::vector<std::wstring> shown;
    for (size_t i = 0; i < report.GetCount(); ++i)
        shown.emplace_back(report.GetLine(i).GetString());
    std::vector<std::wstring> sorted(lines.begin(), lines.end());
    std::sort(sorted.begin(), sorted.end(),
              [](const std::wstring& a, const std::wstring& b) { return ::lstrcmpW(a.c_str(), b.c_str()) < 0; });
    ::SetThreadLocale(before);
    EXPECT_EQ(sorted, shown);

    for (long nFailAt = 0; nFailAt < 40; ++nFailAt)
    {
        CReport partial;
        partial.AddTexts({L"b", L"d"});
        t_nAllocationsLeft = nFailAt;
        try
        {
            partial.AddTexts({L"a line that needs room of its own, longer than a small string", L"c"});
        }
        catch (const std::bad_alloc&)
        {
        }
        t_nAllocationsLeft = -1;
        // Every line counted is one that is there, in order.
        std::vector<std::wstring> got;
        for (size_t i = 0; i < partial.GetCount(); ++i)
            got.emplace_back(partial.GetLine(i).GetString());
        EXPECT_TRUE(std::is_sorted(got.begin(), got.end())) << nFailAt;
        EXPECT_TRUE(std::find(got.begin(), got.end(), std::wstring()) == got.end()) << nFailAt;
        EXPECT_GE(got.size(), 2u);
    }
    if (!bLocalesDiffer)
        GTEST_SKIP() << "this system sorts Swedish and German alike, so the order of locales cannot show here";
}

namespace {

RECT g_rcMenu;

}  // namespace

// The context menu from the keyboard (the point -1, -1, however widely the
// sender passed it) opens at the focused line, not at the screen's corner.
TEST(ReportViewTest, KeyboardMenuOpensAtTheFocusedLine)
{
    CTestMainDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_QUILLON_DIALOG));
    dlg.ShowWindow(SW_SHOW);
    dlg.GetReportView().AddTexts({L"a line", L"b line"});
    dlg.GetReportView().EndRun(nullptr);
    dlg.m_listOutput.SetItemState(1, LVIS_FOCUSED, LVIS_FOCUSED);
    RECT rcList = {};
    ::GetWindowRect(dlg.m_listOutput.m_hWnd, &rcList);
    const UINT_PTR nTimer = ::SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) {
        const HWND hMenu = ::FindWindowW(L"#32768", nullptr);
        if (hMenu != nullptr && ::IsWindowVisible(hMenu))
        {
            ::GetWindowRect(hMenu, &g_rcMenu);
            ::EndMenu();
        }
    });
    for (const LPARAM lParam : {static_cast<LPARAM>(-1), static_cast<LPARAM>(static_cast<DWORD>(MAKELPARAM(-1, -1)))})
    {
        g_rcMenu = RECT{-100, -100, -100, -100};
        dlg.SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(dlg.m_listOutput.m_hWnd), lParam);
        EXPECT_GE(g_rcMenu.left, rcList.left) << lParam;
        EXPECT_GT(g_rcMenu.top, rcList.top) << lParam;
    }
    ::KillTimer(nullptr, nTimer);
}

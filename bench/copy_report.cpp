// The report of a large run in the real main dialog: 100,000 lines copied to
// the clipboard (none selected, and all selected with Ctrl+A's operation),
// the time from the request to the text on the clipboard and what the
// clipboard then holds, and what clearing them costs, as the next run does
// first. Then a report of 1,000,000 lines: a run of 1,000 files into 1,000
// folders through the window, over a file system that makes every link at
// once (so that only the window's side is measured), and the longest the
// window was busy with one message while the run's lines came in, while it
// was scrolled from top to bottom, while they were copied, saved as CSV
// and cleared. Last, runs of 100,000 pairs with many of their lines
// selected while they come in: every line, all but one, the first 40 %.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_main_dialog.h"
#include "files/PathRules.h"
#include "tests/shell/scripted_pickers.h"
#include "tests/temp_tree.h"

namespace {

class CCopyBenchDlg : public CBenchDlg
{
public:
    using CQuillonDlg::CopyOutput;
    using CQuillonDlg::SelectAllOutput;
};

// Lines on the clipboard, counted by their separators; 0 when it holds no
// text.
size_t ClipboardLines(HWND hOwner)
{
    size_t nLines = 0;
    if (!::OpenClipboard(hOwner))
        return 0;
    const HANDLE hText = ::GetClipboardData(CF_UNICODETEXT);
    const auto* pszText = hText != nullptr ? static_cast<const wchar_t*>(::GlobalLock(hText)) : nullptr;
    if (pszText != nullptr)
    {
        nLines = *pszText != L'\0' ? 1 : 0;
        for (const wchar_t* p = pszText; *p != L'\0'; ++p)
            nLines += (p[0] == L'\r' && p[1] == L'\n') ? 1 : 0;
        ::GlobalUnlock(hText);
    }
    ::CloseClipboard();
    return nLines;
}

// Makes every link at once and finds nothing in its way.
class CInstantFileSystem : public ILinkFileSystem
{
    class CFolder : public ILinkFolder
    {
    public:
        bool GetId(LinkFileId& id) const override
        {
            id.nVolume = 1;
            id.nLow = m_nIndex;
            return true;
        }
        bool MayHold(const CString&) override { return false; }
        DWORD GetFinalPath(CString& path) override
        {
            path = L"C:\\";
            return 0;
        }
        DWORD FindEntry(const CString&, LinkEntryInfo&) override { return ERROR_FILE_NOT_FOUND; }
        DWORD OpenEntry(const CString&, EntryAccess, std::unique_ptr<ILinkEntry>&) override { return ERROR_FILE_NOT_FOUND; }
        DWORD ListEntries(std::vector<LinkEntryInfo>&) override { return ERROR_SUCCESS; }
        DWORD CreateHardLink(const CString&, const CString&) override { return 0; }
        DWORD CreateSymbolicLink(const CString&, const CString&, DWORD) override { return 0; }
        DWORD CreateJunction(const CString&, const CString&) override { return ERROR_ACCESS_DENIED; }
        DWORD CreateFolder(const CString&, std::unique_ptr<ILinkFolder>&) override { return ERROR_ACCESS_DENIED; }
        DWORD OpenFolder(const CString&, std::unique_ptr<ILinkFolder>&) override { return ERROR_FILE_NOT_FOUND; }
        DWORD RemoveEmpty() override { return ERROR_ACCESS_DENIED; }
        ULONGLONG m_nIndex = 0;
    };

public:
    bool CanCreateSymbolicLink() const override { return true; }
    DWORD OpenFolder(const CString&, std::unique_ptr<ILinkFolder>& folder) override
    {
        auto opened = std::make_unique<CFolder>();
        opened->m_nIndex = ++m_nFolders;
        folder = std::move(opened);
        return 0;
    }
    DWORD GetStoredName(const CString& path, CString& name) override
    {
        name = GetFileName(path);
        return 0;
    }
    DWORD GetFileInfo(const CString&, Follow, LinkFileInfo&) override { return ERROR_FILE_NOT_FOUND; }
    DWORD GetFinalPath(const CString&, CString&) override { return ERROR_FILE_NOT_FOUND; }
    bool IsOnNetwork(const CString&) override { return false; }

private:
    std::atomic<ULONGLONG> m_nFolders{0};
};

class CMillionDlg : public CBenchDlg
{
public:
    using CQuillonDlg::CopyOutput;

protected:
    std::unique_ptr<ILinkFileSystem> CreateRunFileSystem() override
    {
        return std::make_unique<CInstantFileSystem>();
    }
};

// Dispatches messages until done() says so; returns the longest time one
// message took, in seconds.
template<class TDone>
double LongestMessageUntil(TDone done)
{
    double dLongest = 0;
    MSG msg;
    while (!done())
    {
        if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
            continue;
        }
        const double dStart = Now();
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
        dLongest = std::max(dLongest, Now() - dStart);
    }
    return dLongest;
}

void MillionLines()
{
    CMillionDlg dlg;
    if (!dlg.Open())
        return;
    for (int j = 0; j < 1000; ++j)
        dlg.m_setFiles.Add((L"C:\\Quelle\\datei" + std::to_wstring(j) + L".txt").c_str());
    for (int i = 0; i < 1000; ++i)
        dlg.m_setFolders.Add((L"C:\\Ziel\\Ordner " + std::to_wstring(i) + L"\\").c_str());
    dlg.FillFileList();
    dlg.FillFolderList();
    const double dStart = Now();
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dlg.m_hWnd, IDOK)));
    const double dRunBusy = LongestMessageUntil([&dlg] { return !dlg.IsRunning(); });
    const double dRun = Now() - dStart;
    const int nShown = dlg.m_listOutput.GetItemCount();

    // Scrolled page by page from top to bottom, each page drawn.
    double dScrollBusy = 0;
    const double dScrollStart = Now();
    const int nPage = static_cast<int>(dlg.m_listOutput.SendMessage(LVM_GETCOUNTPERPAGE));
    int nPages = 0;
    for (int nTop = 0; nTop < nShown; nTop += std::max(1, nPage) * 997, ++nPages)
    {
        const double dPage = Now();
        dlg.m_listOutput.EnsureVisible(nTop, FALSE);
        ::UpdateWindow(dlg.m_listOutput.m_hWnd);
        dScrollBusy = std::max(dScrollBusy, Now() - dPage);
    }
    dlg.m_listOutput.EnsureVisible(nShown - 1, FALSE);
    ::UpdateWindow(dlg.m_listOutput.m_hWnd);
    const double dScroll = Now() - dScrollStart;

    const double dCopyStart = Now();
    dlg.CopyOutput();
    const double dCopyBusy = LongestMessageUntil([&dlg] { return !dlg.IsCopyingOutput(); });
    const double dCopy = Now() - dCopyStart;
    const size_t nCopied = ClipboardLines(dlg.m_hWnd);

    // Ctrl+S, the Save dialog answered at once.
    CTempTree tree;
    CScriptedPickers pickers;
    pickers.saveResult = tree.Root() + L"\\Bericht.csv";
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    ::SetKeyboardState(keys);
    MSG ctrlS = {dlg.m_listOutput.m_hWnd, WM_KEYDOWN, 'S', 0, 0, {0, 0}};
    const double dSaveStart = Now();
    dlg.PreTranslateMessage(&ctrlS);
    const double dSaveBusy = LongestMessageUntil([&dlg] { return !dlg.IsSavingReport(); });
    const double dSave = Now() - dSaveStart;
    keys[VK_CONTROL] = 0;
    ::SetKeyboardState(keys);
    WIN32_FILE_ATTRIBUTE_DATA saved = {};
    ::GetFileAttributesExW(pickers.saveResult.c_str(), GetFileExInfoStandard, &saved);

    const double dClearStart = Now();
    dlg.GetReportView().Clear();
    const double dClear = Now() - dClearStart;
    std::printf("1000 files x 1000 folders through the window (links made at once): %d lines shown after %.2f s, "
                "longest message %.0f ms; %d places from top to bottom drawn in %.2f s, longest %.0f ms; copied in "
                "%.2f s, longest message %.0f ms (%zu lines on the clipboard); saved as CSV in %.2f s, longest "
                "message %.0f ms (%.0f MB); cleared in %.0f ms\n",
                nShown, dRun, dRunBusy * 1000, nPages, dScroll, dScrollBusy * 1000, dCopy, dCopyBusy * 1000, nCopied,
                dSave, dSaveBusy * 1000, static_cast<double>(saved.nFileSizeLow) / 1e6, dClear * 1000);
    dlg.DestroyWindow();
}

// 100 files into 1,000 folders; once the first lines are in, a part of
// them is selected, and the window takes the rest of the run's lines.
void SelectedDuringARun()
{
    const struct
    {
        const char* name;
        int nKind;  // 0 every line (Ctrl+A), 1 all but one, 2 the first 40 %, 3 none
    } kinds[] = {{"nothing selected", 3},
                 {"every line selected (Ctrl+A)", 0},
                 {"all but one selected", 1},
                 {"the first 40 % selected", 2}};
    for (const auto& kind : kinds)
    {
        CMillionDlg dlg;
        if (!dlg.Open())
            return;
        for (int j = 0; j < 100; ++j)
            dlg.m_setFiles.Add((L"C:\\Quelle\\datei" + std::to_wstring(j) + L".txt").c_str());
        for (int i = 0; i < 1000; ++i)
            dlg.m_setFolders.Add((L"C:\\Ziel\\Ordner " + std::to_wstring(i) + L"\\").c_str());
        dlg.FillFileList();
        dlg.FillFolderList();
        dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dlg.m_hWnd, IDOK)));
        CListCtrl& list = dlg.m_listOutput;
        LongestMessageUntil([&list, &dlg] { return list.GetItemCount() >= 20000 || !dlg.IsRunning(); });
        const int nAtSelection = list.GetItemCount();
        list.SetItemState(-1, kind.nKind == 3 ? 0 : LVIS_SELECTED, LVIS_SELECTED);
        if (kind.nKind == 1)
            list.SetItemState(nAtSelection / 2, 0, LVIS_SELECTED);
        if (kind.nKind == 2)
        {
            list.SetItemState(-1, 0, LVIS_SELECTED);
            for (int n = 0; n < nAtSelection * 2 / 5; ++n)
                list.SetItemState(n, LVIS_SELECTED, LVIS_SELECTED);
        }
        const int nSelected = static_cast<int>(list.GetSelectedCount());
        const double dBusy = LongestMessageUntil([&dlg] { return !dlg.IsRunning(); });
        std::printf("100 files x 1000 folders, %s (%d of %d lines when selected, %d selected at the end of %d): "
                    "longest message while the rest came in %.0f ms\n",
                    kind.name, nSelected, nAtSelection, static_cast<int>(list.GetSelectedCount()), list.GetItemCount(),
                    dBusy * 1000);
        dlg.DestroyWindow();
    }
}

}  // namespace

int wmain()
{
    CCopyBenchDlg dlg;
    if (!dlg.Open())
        return 1;
    const int nLines = 100000;
    {
        std::vector<CString> lines;
        for (int i = 0; i < nLines; ++i)
        {
            wchar_t line[160];
            std::swprintf(line, 160, L"HardLink: OK, File: C:\\Ziel\\Ordner %02d\\datei%05d.txt, Error: 0, %ls.",
                          i % 20, i / 20, L"The operation completed successfully.\r\n");
            lines.push_back(line);
        }
        dlg.GetReportView().AddTexts(lines);
        dlg.GetReportView().EndRun(nullptr);
    }
    Pump();

    bool ok = true;
    for (const bool bSelectAll : {false, true})
    {
        if (bSelectAll)
            dlg.SelectAllOutput();
        const double dStart = Now();
        dlg.CopyOutput();
        LongestMessageUntil([&dlg] { return !dlg.IsCopyingOutput(); });
        const double dCopied = Now() - dStart;
        const size_t nCopied = ClipboardLines(dlg.m_hWnd);
        ok = ok && nCopied == static_cast<size_t>(nLines);
        std::printf("%d lines, %s: on the clipboard after %.3f s (%zu lines there)\n", nLines,
                    bSelectAll ? "all selected" : "none selected", dCopied, nCopied);
    }
    // What a new run pays first when the report of the last one is this long.
    const double dStart = Now();
    dlg.GetReportView().Clear();
    std::printf("%d lines cleared from the list in %.3f s\n", nLines, Now() - dStart);
    dlg.DestroyWindow();
    std::fflush(stdout);
    MillionLines();
    std::fflush(stdout);
    SelectedDuringARun();
    return ok ? 0 : 1;
}

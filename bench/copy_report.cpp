// The report of a large run copied to the clipboard: 100,000 lines in the
// real main dialog's output list, all copied (none selected) and all
// selected with Ctrl+A's operation and copied; the time from the request to
// the text on the clipboard, and what the clipboard then holds. Last, what
// clearing those lines costs, as the next run does first.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_main_dialog.h"

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
    return ok ? 0 : 1;
}

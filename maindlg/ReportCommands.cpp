#include "maindlg/ReportCommands.h"

#include "files/ErrorCode.h"
#include "links/LinkReport.h"
#include "maindlg/ReportFile.h"
#include "shell/DirectoryMemory.h"
#include "shell/SavePicker.h"

#include <windowsx.h>

#include <algorithm>
#include <cstring>

namespace {

enum : UINT
{
    ID_OUTPUT_COPY = 1,
    ID_OUTPUT_SELECT_ALL = 2,
    ID_OUTPUT_SAVE = 3
};

// A line as it goes on the clipboard: the system's error text ends in a line
// break that the list shows before the final full stop; a mail or a ticket
// wants one line per pair.
void AppendReportLine(std::wstring& text, const CString& strLine)
{
    const CString strOne = MakeOneLine(strLine);
    text.append(strOne.GetString(), static_cast<size_t>(strOne.GetLength()));
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

namespace {

// Lines written at once, and per tick of a longer copy: a few tens of
// milliseconds each.
constexpr size_t kLinesAtOnce = 50000;

}  // namespace

CReportCommands::CReportCommands(CListCtrl& list, const CReportView& view)
    : m_list(list),
      m_view(view),
      m_pFolder(nullptr),
      m_nNext(0),
      m_nGeneration(0),
      m_bSaving(false),
      m_chSeparator(L','),
      m_nSaveNext(0),
      m_nSaveGeneration(0)
{
}

bool CReportCommands::Copy(HWND hOwner)
{
    const CReport& report = m_view.GetReport();
    const std::vector<size_t> positions = m_view.GetLinesToCopy();
    m_rows.clear();
    m_rows.reserve(positions.size());
    for (size_t nPosition : positions)
        m_rows.push_back(report.GetRowAt(nPosition));
    m_nNext = 0;
    m_nGeneration = report.GetGeneration();
    m_text.clear();
    if (!CopySlice())
        return ::SetTimer(hOwner, kCopyTimer, 1, nullptr) != 0;
    const bool bCopied = !m_text.empty() && PutOnClipboard(hOwner, m_text);
    std::wstring().swap(m_text);
    std::vector<uint32_t>().swap(m_rows);
    m_nNext = 0;
    return bCopied;
}

void CReportCommands::OnCopyTimer(HWND hOwner)
{
    if (m_view.GetReport().GetGeneration() != m_nGeneration)
    {
        ::KillTimer(hOwner, kCopyTimer);
        m_rows.clear();
        return;
    }
    if (!CopySlice())
        return;
    ::KillTimer(hOwner, kCopyTimer);
    if (!m_text.empty())
        PutOnClipboard(hOwner, m_text);
    std::wstring().swap(m_text);
    std::vector<uint32_t>().swap(m_rows);
    m_nNext = 0;
}

bool CReportCommands::CopySlice()
{
    const CReport& report = m_view.GetReport();
    const size_t nEnd = std::min(m_rows.size(), m_nNext + kLinesAtOnce);
    for (; m_nNext < nEnd; ++m_nNext)
    {
        if (!m_text.empty())
            m_text += L"\r\n";
        AppendReportLine(m_text, report.GetLineOfRow(m_rows[m_nNext]));
    }
    return m_nNext >= m_rows.size();
}

void CReportCommands::SelectAll()
{
    m_list.SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED);
}

bool CReportCommands::OnKey(WORD wVKey, bool bControl)
{
    if (bControl && (wVKey == 'C' || wVKey == VK_INSERT))
        Copy(::GetParent(m_list.m_hWnd));
    else if (bControl && wVKey == 'A')
        SelectAll();
    else
        return false;
    return true;
}

void CReportCommands::OnContextMenu(HWND hOwner, LPARAM lParam, const WindowState& state)
{
    POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    // From the keyboard the point is (-1, -1), however the sender widened it.
    if (pt.x == -1 && pt.y == -1)
    {
        // From the keyboard: below the focused line, or at the list's corner.
        pt = POINT{0, 0};
        const int nItem = m_list.GetNextItem(-1, LVNI_FOCUSED);
        RECT rc = {};
        rc.left = LVIR_LABEL;
        if (nItem >= 0 && m_list.SendMessage(LVM_GETITEMRECT, static_cast<WPARAM>(nItem),
                                             reinterpret_cast<LPARAM>(&rc)) != 0)
            pt = POINT{rc.left, rc.bottom};
        ::ClientToScreen(m_list.m_hWnd, &pt);
    }
    const UINT nCopy = state.bCanCopy ? MF_ENABLED : MF_GRAYED;
    HMENU hMenu = ::CreatePopupMenu();
    if (hMenu == nullptr)
        return;
    ::AppendMenuW(hMenu, MF_STRING | nCopy, ID_OUTPUT_COPY, L"Kopieren");
    ::AppendMenuW(hMenu, MF_STRING | nCopy, ID_OUTPUT_SELECT_ALL, L"Alles auswählen");
    ::AppendMenuW(hMenu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(hMenu, MF_STRING | (state.bCanSave ? MF_ENABLED : MF_GRAYED), ID_OUTPUT_SAVE, L"Speichern unter…");
    ::AppendMenuW(hMenu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(hMenu, MF_STRING | (state.bCanUndo ? MF_ENABLED : MF_GRAYED), kUndoCommand, L"Rückgängig\tStrg+Z");
    ::AppendMenuW(hMenu, MF_STRING | (state.bCanRelease ? MF_ENABLED : MF_GRAYED), kReleaseCommand,
                  L"Aufbewahrte Dateien freigeben…");
    const UINT nCommand = static_cast<UINT>(
        ::TrackPopupMenu(hMenu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, pt.x, pt.y, 0, hOwner, nullptr));
    ::DestroyMenu(hMenu);
    if (nCommand == ID_OUTPUT_COPY)
        Copy(hOwner);
    else if (nCommand == ID_OUTPUT_SELECT_ALL)
        SelectAll();
    else if (nCommand == ID_OUTPUT_SAVE || nCommand == kUndoCommand || nCommand == kReleaseCommand)
        ::SendMessageW(hOwner, WM_COMMAND, MAKEWPARAM(nCommand == ID_OUTPUT_SAVE ? kSaveCommand : nCommand, 0), 0);
}

bool CReportCommands::SaveAs(HWND hOwner)
{
    const CReport& report = m_view.GetReport();
    if (report.GetCount() == 0 || m_bSaving)
    {
        ::MessageBeep(MB_OK);
        return false;
    }
    CString strFolder = m_pFolder != nullptr ? *m_pFolder : CString();
    if (strFolder.IsEmpty())
        strFolder = ReadLastDir();
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    CString strPath;
    if (!PickSaveFile(hOwner, strFolder, MakeReportFileName(now, report.IsPreview()), L"CSV (Trennzeichen-getrennt) (*.csv)", L"*.csv",
                      strPath))
        return false;
    // Written in slices on the owner's timer, so that the window answers
    // while a long report is made into a file.
    m_strSavePath = strPath;
    m_chSeparator = GetListSeparator();
    m_nSaveNext = 0;
    m_nSaveGeneration = report.GetGeneration();
    DWORD dwError = m_save.Begin(strPath);
    if (dwError == ERROR_SUCCESS)
        dwError = m_save.Write(MakeReportCsvHead(m_chSeparator));
    if (dwError == ERROR_SUCCESS && !::SetTimer(hOwner, kSaveTimer, 1, nullptr))
        dwError = FailureCode(::GetLastError());
    if (dwError == ERROR_SUCCESS)
    {
        m_bSaving = true;
        return true;
    }
    EndSave(hOwner, dwError);
    return false;
}

void CReportCommands::OnSaveTimer(HWND hOwner)
{
    const CReport& report = m_view.GetReport();
    if (!m_bSaving)
        return;
    if (report.GetGeneration() != m_nSaveGeneration)
    {
        // The report went (a new run): what was begun is given up.
        EndSave(hOwner, ERROR_CANCELLED);
        return;
    }
    const size_t nEnd = std::min(report.GetCount(), m_nSaveNext + kLinesAtOnce);
    DWORD dwError = m_save.Write(MakeReportCsvRows(report, m_chSeparator, m_nSaveNext, nEnd));
    m_nSaveNext = nEnd;
    if (dwError == ERROR_SUCCESS && m_nSaveNext < report.GetCount())
        return;
    if (dwError == ERROR_SUCCESS)
        dwError = m_save.Commit();
    EndSave(hOwner, dwError);
}

void CReportCommands::EndSave(HWND hOwner, DWORD dwError)
{
    ::KillTimer(hOwner, kSaveTimer);
    m_bSaving = false;
    m_save.Abandon();
    if (dwError == ERROR_SUCCESS)
        return;
    CString strText;
    strText.Format(L"Der Bericht konnte nicht gespeichert werden:\n%s\n\nFehler %ld: %s", m_strSavePath.GetString(),
                   static_cast<long>(dwError), GetSystemTextInLine(dwError).GetString());
    ::MessageBoxW(hOwner, strText, L"Quillon", MB_OK | MB_ICONERROR);
}

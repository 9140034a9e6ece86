#include "maindlg/ReportView.h"

#include <algorithm>

namespace {

// The widest text a list view measures for an item: it reads at most this
// many units of the item's text.
const int kMeasuredLength = 259;

}  // namespace

CReportView::CReportView(CListCtrl& list) : m_list(list) {}

BOOL CReportView::Attach(CWnd* pParent)
{
    const HWND hOld = m_list.m_hWnd;
    const HWND hParent = pParent->m_hWnd;
    RECT rc = {};
    ::GetWindowRect(hOld, &rc);
    ::MapWindowPoints(nullptr, hParent, reinterpret_cast<POINT*>(&rc), 2);
    // A list view cannot become an owner-data list once it exists.
    const DWORD dwStyle = (static_cast<DWORD>(::GetWindowLongW(hOld, GWL_STYLE)) &
                           ~static_cast<DWORD>(LVS_SORTASCENDING | LVS_SORTDESCENDING | LVS_SINGLESEL)) |
                          LVS_OWNERDATA;
    const DWORD dwExStyle = static_cast<DWORD>(::GetWindowLongW(hOld, GWL_EXSTYLE));
    const HFONT hFont = reinterpret_cast<HFONT>(::SendMessageW(hOld, WM_GETFONT, 0, 0));
    const HWND hBefore = ::GetWindow(hOld, GW_HWNDPREV);
    const int nID = ::GetDlgCtrlID(hOld);
    m_list.UnsubclassWindow();
    ::DestroyWindow(hOld);
    const HWND hNew = ::CreateWindowExW(dwExStyle, WC_LISTVIEWW, L"", dwStyle, rc.left, rc.top, rc.right - rc.left,
                                        rc.bottom - rc.top, hParent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(nID)),
                                        reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(hParent, GWLP_HINSTANCE)),
                                        nullptr);
    if (hNew == nullptr)
        return FALSE;
    ::SetWindowPos(hNew, hBefore != nullptr ? hBefore : HWND_TOP, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::SendMessageW(hNew, WM_SETFONT, reinterpret_cast<WPARAM>(hFont), FALSE);
    return m_list.SubclassWindow(hNew);
}

void CReportView::Clear()
{
    m_report.Clear();
    m_widest.clear();
    m_list.SetItemCountEx(0, 0);
}

void CReportView::AddTexts(const std::vector<CString>& lines)
{
    m_report.AddTexts(lines);
    m_list.SetItemCountEx(static_cast<int>(m_report.GetCount()), LVSICF_NOSCROLL);
    std::vector<CString> candidates = m_widest;
    candidates.insert(candidates.end(), lines.begin(), lines.end());
    std::vector<CString> widest;
    for (size_t i : FindWidestLines(candidates))
        widest.push_back(candidates[i]);
    m_widest = widest;
}

void CReportView::BeginRun(std::shared_ptr<const CLinkJob> job)
{
    Clear();
    m_report.SetJob(std::move(job));
}

void CReportView::AddResults(const std::vector<LinkPairResult>& results)
{
    if (results.empty())
        return;
    // Rows come in between the rows shown: the selection follows its rows.
    const int nSelected = static_cast<int>(m_list.GetSelectedCount());
    const bool bAll = nSelected > 0 && nSelected == m_list.GetItemCount();
    std::vector<uint32_t> selected;
    if (!bAll)
    {
        for (int nItem = m_list.GetNextItem(-1, LVNI_SELECTED); nItem >= 0;
             nItem = m_list.GetNextItem(nItem, LVNI_SELECTED))
            selected.push_back(m_report.GetRowAt(static_cast<size_t>(nItem)));
    }
    const int nFocused = m_list.GetNextItem(-1, LVNI_FOCUSED);
    const uint32_t nFocusRow = nFocused >= 0 ? m_report.GetRowAt(static_cast<size_t>(nFocused)) : 0;

    std::vector<CString> lines;
    lines.reserve(results.size());
    m_report.AddResults(results, &lines);

    m_list.SetRedraw(FALSE);
    m_list.SetItemCountEx(static_cast<int>(m_report.GetCount()), LVSICF_NOSCROLL);
    if (bAll || !selected.empty())
        m_list.SetItemState(-1, 0, LVIS_SELECTED);
    if (bAll)
        m_list.SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED);
    for (uint32_t nRow : selected)
        m_list.SetItemState(static_cast<int>(m_report.FindPosition(nRow)), LVIS_SELECTED, LVIS_SELECTED);
    if (nFocused >= 0)
        m_list.SetItemState(static_cast<int>(m_report.FindPosition(nFocusRow)), LVIS_FOCUSED, LVIS_FOCUSED);
    GrowColumn(lines);
    m_list.SetRedraw(TRUE);
    m_list.Invalidate();
}

void CReportView::EndRun(const CString* pLastLine)
{
    if (pLastLine != nullptr)
        m_report.SetLastLine(*pLastLine);
    m_report.Freeze();
    m_list.SetItemCountEx(static_cast<int>(m_report.GetCount()), LVSICF_NOSCROLL);
    if (pLastLine != nullptr)
        GrowColumn({*pLastLine});
    FitColumn();
    m_list.Invalidate();
}

BOOL CReportView::OnGetDispInfo(NMLVDISPINFOW* pDispInfo)
{
    LVITEMW& item = pDispInfo->item;
    if (!(item.mask & LVIF_TEXT) || item.pszText == nullptr || item.cchTextMax <= 0)
        return TRUE;
    const CString strLine =
        item.iItem >= 0 ? m_report.GetLine(static_cast<size_t>(item.iItem)) : CString();
    ::lstrcpynW(item.pszText, strLine, item.cchTextMax);
    return TRUE;
}

std::vector<size_t> CReportView::GetLinesToCopy() const
{
    std::vector<size_t> positions;
    if (m_list.GetSelectedCount() == 0)
    {
        positions.resize(m_report.GetCount());
        for (size_t i = 0; i < positions.size(); ++i)
            positions[i] = i;
        return positions;
    }
    for (int nItem = m_list.GetNextItem(-1, LVNI_SELECTED); nItem >= 0; nItem = m_list.GetNextItem(nItem, LVNI_SELECTED))
        positions.push_back(static_cast<size_t>(nItem));
    return positions;
}

void CReportView::GrowColumn(const std::vector<CString>& lines)
{
    std::vector<CString> candidates = m_widest;
    candidates.insert(candidates.end(), lines.begin(), lines.end());
    std::vector<CString> widest;
    for (size_t i : FindWidestLines(candidates))
        widest.push_back(candidates[i]);
    if (widest.empty() || widest == m_widest)
        return;
    m_widest = widest;
    const int cx = MeasureFittedWidth(m_widest);
    if (cx > m_list.GetColumnWidth(0))
        m_list.SetColumnWidth(0, cx);
}

void CReportView::FitColumn()
{
    // The width fitting would give the whole list, had it been written at
    // once.
    const int cx = m_widest.empty() ? -1 : MeasureFittedWidth(m_widest);
    m_list.SetColumnWidth(0, cx >= 0 ? cx : LVSCW_AUTOSIZE);
}

std::vector<size_t> CReportView::FindWidestLines(const std::vector<CString>& lines) const
{
    std::vector<size_t> widest;
    const HFONT hFont = m_list.GetFont();
    HDC hdc = ::GetDC(m_list.m_hWnd);
    if (hFont == nullptr || hdc == nullptr)
    {
        if (hdc != nullptr)
            ::ReleaseDC(m_list.m_hWnd, hdc);
        return widest;
    }
    const HGDIOBJ hOldFont = ::SelectObject(hdc, hFont);
    // The widest whole line and the widest first part a list view would
    // read, so that a widest item is among them whichever it measures. One
    // of each is enough: lines of equal width fit the column alike.
    LONG cxWholeMax = -1;
    LONG cxPartMax = -1;
    size_t nWholeMax = 0;
    size_t nPartMax = 0;
    bool bMeasured = true;
    for (size_t i = 0; i < lines.size() && bMeasured; ++i)
    {
        const int nLength = lines[i].GetLength();
        SIZE whole = {};
        bMeasured = ::GetTextExtentPoint32W(hdc, lines[i], nLength, &whole) != FALSE;
        SIZE part = whole;
        if (bMeasured && nLength > kMeasuredLength)
            bMeasured = ::GetTextExtentPoint32W(hdc, lines[i], kMeasuredLength, &part) != FALSE;
        if (whole.cx > cxWholeMax)
        {
            cxWholeMax = whole.cx;
            nWholeMax = i;
        }
        if (part.cx > cxPartMax)
        {
            cxPartMax = part.cx;
            nPartMax = i;
        }
    }
    ::SelectObject(hdc, hOldFont);
    ::ReleaseDC(m_list.m_hWnd, hdc);
    if (!bMeasured || lines.empty())
        return widest;
    widest.push_back(nWholeMax);
    if (nPartMax != nWholeMax)
        widest.push_back(nPartMax);
    return widest;
}

int CReportView::MeasureFittedWidth(const std::vector<CString>& lines) const
{
    // Fitting an owner-data list would ask for every line it holds; a hidden
    // list of the same kind, font and column that holds only the widest
    // lines fits to the same width.
    const DWORD dwStyle =
        (m_list.GetStyle() & ~(WS_VISIBLE | LVS_SORTASCENDING | LVS_OWNERDATA)) | WS_CHILD;
    const HWND hParent = ::GetParent(m_list.m_hWnd);
    const HWND hMeasure = ::CreateWindowExW(m_list.GetExStyle(), WC_LISTVIEWW, L"", dwStyle, 0, 0, 100, 100,
                                            hParent, nullptr, nullptr, nullptr);
    if (hMeasure == nullptr)
        return -1;
    ::SendMessageW(hMeasure, WM_SETFONT, reinterpret_cast<WPARAM>(m_list.GetFont()), FALSE);
    LVCOLUMNW column = {};
    column.mask = LVCF_WIDTH;
    column.cx = 100;
    ::SendMessageW(hMeasure, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    for (size_t i = 0; i < lines.size(); ++i)
    {
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<LPWSTR>(lines[i].GetString());
        ::SendMessageW(hMeasure, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    ::SendMessageW(hMeasure, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(LVSCW_AUTOSIZE, 0));
    const int cx = static_cast<int>(::SendMessageW(hMeasure, LVM_GETCOLUMNWIDTH, 0, 0));
    ::DestroyWindow(hMeasure);
    return cx;
}

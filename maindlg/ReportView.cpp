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

namespace {

// Where an old place p is after rows came in at the (ascending) places
// inserted; with one pass for ascending places.
class CPlaceMap
{
public:
    explicit CPlaceMap(const std::vector<size_t>& inserted) : m_inserted(inserted) {}
    size_t operator()(size_t nOld)
    {
        while (m_nBefore < m_inserted.size() && m_inserted[m_nBefore] <= nOld + m_nBefore)
            ++m_nBefore;
        return nOld + m_nBefore;
    }

private:
    const std::vector<size_t>& m_inserted;
    size_t m_nBefore = 0;
};

}  // namespace

void CReportView::AddResults(const std::vector<LinkPairResult>& results)
{
    if (results.empty())
        return;
    // Rows come in between the rows shown: the selection, the focus and the
    // selection mark follow their rows. Only places whose state changes are
    // touched, so that a long selection costs what the rows coming in cost.
    const int nCount = m_list.GetItemCount();
    const int nSelected = static_cast<int>(m_list.GetSelectedCount());
    const bool bAll = nSelected > 0 && nSelected == nCount;
    std::vector<size_t> selected;
    if (!bAll && nSelected > 0)
    {
        selected.reserve(static_cast<size_t>(nSelected));
        for (int nItem = m_list.GetNextItem(-1, LVNI_SELECTED); nItem >= 0;
             nItem = m_list.GetNextItem(nItem, LVNI_SELECTED))
            selected.push_back(static_cast<size_t>(nItem));
    }
    const int nFocused = m_list.GetNextItem(-1, LVNI_FOCUSED);
    const int nMark = static_cast<int>(m_list.SendMessage(LVM_GETSELECTIONMARK));

    const size_t nFirstRow = m_report.GetRowCount();
    std::vector<CString> lines;
    lines.reserve(results.size());
    m_report.AddResults(results, &lines);
    std::vector<size_t> inserted;
    inserted.reserve(m_report.GetRowCount() - nFirstRow);
    for (size_t nRow = nFirstRow; nRow < m_report.GetRowCount(); ++nRow)
    {
        const size_t nPlace = m_report.FindPosition(static_cast<uint32_t>(nRow));
        if (nPlace < m_report.GetCount())
            inserted.push_back(nPlace);
    }
    std::sort(inserted.begin(), inserted.end());
    const auto moved = [&inserted](size_t nOld) { return CPlaceMap(inserted)(nOld); };

    m_list.SetRedraw(FALSE);
    m_list.SetItemCountEx(static_cast<int>(m_report.GetCount()), LVSICF_NOSCROLL);
    if (bAll)
    {
        // Every place was selected: every place is, the new ones at the end.
        for (int nItem = nCount; nItem < static_cast<int>(m_report.GetCount()); ++nItem)
            m_list.SetItemState(nItem, LVIS_SELECTED, LVIS_SELECTED);
    }
    else if (!selected.empty())
    {
        std::vector<size_t> now;
        now.reserve(selected.size());
        CPlaceMap map(inserted);
        for (size_t nOld : selected)
            now.push_back(map(nOld));
        // Both ascending: what was selected and is not now, and the other
        // way round.
        size_t a = 0;
        size_t b = 0;
        while (a < selected.size() || b < now.size())
        {
            if (b == now.size() || (a < selected.size() && selected[a] < now[b]))
                m_list.SetItemState(static_cast<int>(selected[a++]), 0, LVIS_SELECTED);
            else if (a == selected.size() || now[b] < selected[a])
                m_list.SetItemState(static_cast<int>(now[b++]), LVIS_SELECTED, LVIS_SELECTED);
            else
                ++a, ++b;
        }
    }
    if (nFocused >= 0)
        m_list.SetItemState(static_cast<int>(moved(static_cast<size_t>(nFocused))), LVIS_FOCUSED, LVIS_FOCUSED);
    if (nMark >= 0)
        m_list.SendMessage(LVM_SETSELECTIONMARK, 0, static_cast<LPARAM>(moved(static_cast<size_t>(nMark))));
    GrowColumn(lines);
    m_list.SetRedraw(TRUE);
    m_list.Invalidate();
}

void CReportView::EndRun(const CString* pLastLine)
{
    // Every line selected (Ctrl+A during the run): the last one too.
    const int nSelected = static_cast<int>(m_list.GetSelectedCount());
    const bool bAll = nSelected > 0 && nSelected == m_list.GetItemCount();
    if (pLastLine != nullptr)
        m_report.SetLastLine(*pLastLine);
    m_report.Freeze();
    m_list.SetItemCountEx(static_cast<int>(m_report.GetCount()), LVSICF_NOSCROLL);
    if (bAll)
        m_list.SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED);
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

LRESULT CReportView::OnFindItem(const NMLVFINDITEMW* pFind) const
{
    // Typing in the list: the next line, from the one given on and round,
    // that begins with what was typed, in any letter case.
    const LVFINDINFOW& find = pFind->lvfi;
    if (!(find.flags & (LVFI_STRING | LVFI_PARTIAL)) || find.psz == nullptr)
        return -1;
    const int nPrefix = ::lstrlenW(find.psz);
    const size_t nCount = m_report.GetCount();
    if (nCount == 0 || nPrefix == 0)
        return -1;
    const size_t nStart = pFind->iStart >= 0 && static_cast<size_t>(pFind->iStart) < nCount
                              ? static_cast<size_t>(pFind->iStart)
                              : 0;
    const bool bWhole = !(find.flags & LVFI_PARTIAL);
    for (size_t n = 0; n < nCount; ++n)
    {
        const size_t nPlace = (nStart + n) % nCount;
        if (nPlace < nStart && !(find.flags & LVFI_WRAP))
            break;
        const CString strLine = m_report.GetLine(nPlace);
        if (bWhole ? ::CompareStringW(::GetThreadLocale(), NORM_IGNORECASE, strLine, -1, find.psz, -1) == CSTR_EQUAL
                   : strLine.GetLength() >= nPrefix &&
                         ::CompareStringW(::GetThreadLocale(), NORM_IGNORECASE, strLine, nPrefix, find.psz, nPrefix) ==
                             CSTR_EQUAL)
            return static_cast<LRESULT>(nPlace);
    }
    return -1;
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

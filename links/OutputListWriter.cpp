#include "links/OutputListWriter.h"

#include <algorithm>
#include <string>

COutputListWriter::COutputListWriter(CListCtrl& list) : m_list(list), m_bFitColumn(false), m_bSortingOff(false)
{
}

COutputListWriter::~COutputListWriter()
{
    Flush();
}

void COutputListWriter::AddLine(const CString& strLine)
{
    m_lines.push_back(strLine);
}

void COutputListWriter::EndFolder()
{
    m_bFitColumn = true;
}

namespace {

// The widest text a list view measures for an item: it reads at most this
// many units of the item's text.
const int kMeasuredLength = 259;

// A key that orders lines as lstrcmpW does, at one conversion per line
// instead of a linguistic comparison per step of a sort or search (a few
// microseconds each). Empty when the system cannot make one.
std::string SortKey(const CString& strLine)
{
    std::string key;
    const int cb = ::LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY, strLine, -1, nullptr, 0);
    if (cb <= 0)
        return key;
    key.resize(static_cast<size_t>(cb));
    if (::LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY, strLine, -1, reinterpret_cast<LPWSTR>(&key[0]), cb) != cb)
        key.clear();
    return key;
}

}  // namespace

std::vector<size_t> COutputListWriter::FindWidestLines(const std::vector<CString>& lines) const
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
    if (!bMeasured)
        return widest;
    widest.push_back(nWholeMax);
    if (nPartMax != nWholeMax)
        widest.push_back(nPartMax);
    return widest;
}

std::vector<size_t> COutputListWriter::DescendingOrder() const
{
    std::vector<size_t> order(m_lines.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    // Should any sort key be missing, the comparison itself decides.
    std::vector<std::string> keys(m_lines.size());
    bool bKeys = true;
    for (size_t i = 0; i < m_lines.size() && bKeys; ++i)
    {
        keys[i] = SortKey(m_lines[i]);
        bKeys = !keys[i].empty();
    }
    if (bKeys)
        std::stable_sort(order.begin(), order.end(), [&keys](size_t a, size_t b) { return keys[a] > keys[b]; });
    else
        std::stable_sort(order.begin(), order.end(),
                         [this](size_t a, size_t b) { return ::lstrcmpW(m_lines[a], m_lines[b]) > 0; });
    return order;
}

void COutputListWriter::InsertLine(const CString& strLine, int nItem)
{
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = nItem;
    item.pszText = const_cast<LPWSTR>(strLine.GetString());
    m_list.InsertItem(&item);
}

void COutputListWriter::Flush()
{
    if (m_lines.empty() && !m_bFitColumn)
        return;

    const std::vector<size_t> order = DescendingOrder();

    m_list.SetRedraw(FALSE);
    // Fitting the column measures every item through a device context of its
    // own (about 0.08 ms each under Wine). An empty list that first receives
    // only its widest lines gets the same width from them; the rest follow.
    std::vector<bool> inserted(m_lines.size(), false);
    bool bFitted = false;
    int nItem = m_list.GetItemCount();
    if (m_bFitColumn && !m_lines.empty() && nItem == 0)
    {
        const std::vector<size_t> widest = FindWidestLines(m_lines);
        if (!widest.empty())
        {
            for (size_t i : widest)
            {
                InsertLine(m_lines[i], nItem++);
                inserted[i] = true;
            }
            m_list.SetColumnWidth(0, LVSCW_AUTOSIZE);
            bFitted = true;
        }
    }
    for (size_t i : order)
    {
        if (!inserted[i])
            InsertLine(m_lines[i], nItem++);
    }
    if (m_bFitColumn && !bFitted)
        m_list.SetColumnWidth(0, LVSCW_AUTOSIZE);
    m_list.SetRedraw(TRUE);
    m_list.Invalidate();

    m_lines.clear();
    m_bFitColumn = false;
}

void COutputListWriter::InsertBatch(const std::vector<CString>& lines)
{
    if (lines.empty())
        return;
    if (!m_bSortingOff && (m_list.GetStyle() & LVS_SORTASCENDING))
    {
        m_list.ModifyStyle(LVS_SORTASCENDING, 0);
        m_bSortingOff = true;
    }
    // The batch in text order, each line's place found among the lines
    // already shown; inserting in ascending order, every earlier line of the
    // batch moves the later ones down by one.
    std::vector<std::pair<std::string, size_t>> batch;
    batch.reserve(lines.size());
    for (size_t i = 0; i < lines.size(); ++i)
        batch.emplace_back(SortKey(lines[i]), i);
    std::stable_sort(batch.begin(), batch.end(),
                     [](const std::pair<std::string, size_t>& a, const std::pair<std::string, size_t>& b) {
                         return a.first < b.first;
                     });
    std::vector<std::string> merged;
    merged.reserve(m_keys.size() + batch.size());
    m_list.SetRedraw(FALSE);
    size_t nOld = 0;
    for (auto& entry : batch)
    {
        while (nOld < m_keys.size() && !(entry.first < m_keys[nOld]))
            merged.push_back(std::move(m_keys[nOld++]));
        InsertLine(lines[entry.second], static_cast<int>(merged.size()));
        merged.push_back(std::move(entry.first));
    }
    while (nOld < m_keys.size())
        merged.push_back(std::move(m_keys[nOld++]));
    m_keys.swap(merged);

    // The column grows with the widest lines as they come.
    std::vector<CString> candidates = m_widest;
    candidates.insert(candidates.end(), lines.begin(), lines.end());
    std::vector<CString> widest;
    for (size_t i : FindWidestLines(candidates))
        widest.push_back(candidates[i]);
    if (!widest.empty() && widest != m_widest)
    {
        m_widest = widest;
        const int cx = MeasureFittedWidth(m_widest);
        if (cx > m_list.GetColumnWidth(0))
            m_list.SetColumnWidth(0, cx);
    }
    m_list.SetRedraw(TRUE);
    m_list.Invalidate();
}

void COutputListWriter::EndBatches()
{
    if (m_bSortingOff)
        m_list.ModifyStyle(0, LVS_SORTASCENDING);
    m_bSortingOff = false;
    // The width fitting would give the whole list, had it been written at
    // once.
    const int cx = m_widest.empty() ? -1 : MeasureFittedWidth(m_widest);
    if (cx >= 0)
        m_list.SetColumnWidth(0, cx);
    else
        m_list.SetColumnWidth(0, LVSCW_AUTOSIZE);
    m_keys.clear();
    m_widest.clear();
}

int COutputListWriter::MeasureFittedWidth(const std::vector<CString>& widest) const
{
    // Fitting the real list would measure every line it holds; a hidden list
    // of the same kind, font and column that holds only the widest lines
    // fits to the same width.
    const DWORD dwStyle = (m_list.GetStyle() & ~(WS_VISIBLE | LVS_SORTASCENDING)) | WS_CHILD;
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
    for (size_t i = 0; i < widest.size(); ++i)
    {
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<LPWSTR>(widest[i].GetString());
        ::SendMessageW(hMeasure, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    ::SendMessageW(hMeasure, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(LVSCW_AUTOSIZE, 0));
    const int cx = static_cast<int>(::SendMessageW(hMeasure, LVM_GETCOLUMNWIDTH, 0, 0));
    ::DestroyWindow(hMeasure);
    return cx;
}

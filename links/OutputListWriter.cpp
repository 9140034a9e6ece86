#include "links/OutputListWriter.h"

#include <algorithm>
#include <string>

COutputListWriter::COutputListWriter(CListCtrl& list) : m_list(list), m_bFitColumn(false)
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

}  // namespace

std::vector<size_t> COutputListWriter::FindWidestLines() const
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
    for (size_t i = 0; i < m_lines.size() && bMeasured; ++i)
    {
        const int nLength = m_lines[i].GetLength();
        SIZE whole = {};
        bMeasured = ::GetTextExtentPoint32W(hdc, m_lines[i], nLength, &whole) != FALSE;
        SIZE part = whole;
        if (bMeasured && nLength > kMeasuredLength)
            bMeasured = ::GetTextExtentPoint32W(hdc, m_lines[i], kMeasuredLength, &part) != FALSE;
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
    // Sort keys order the lines as lstrcmpW does, at one conversion per line
    // instead of a linguistic comparison per step of the sort (a few
    // microseconds each). Should any key be missing, the comparison itself
    // decides.
    std::vector<std::string> keys(m_lines.size());
    bool bKeys = true;
    for (size_t i = 0; i < m_lines.size() && bKeys; ++i)
    {
        const int cb = ::LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY, m_lines[i], -1, nullptr, 0);
        keys[i].resize(cb > 0 ? static_cast<size_t>(cb) : 0);
        bKeys = cb > 0 && ::LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY, m_lines[i], -1,
                                         reinterpret_cast<LPWSTR>(&keys[i][0]), cb) == cb;
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
        const std::vector<size_t> widest = FindWidestLines();
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

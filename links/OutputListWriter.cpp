#include "links/OutputListWriter.h"

#include <algorithm>

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

void COutputListWriter::Flush()
{
    if (m_lines.empty() && !m_bFitColumn)
        return;

    std::vector<size_t> order(m_lines.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [this](size_t a, size_t b) { return ::lstrcmpW(m_lines[a], m_lines[b]) > 0; });

    m_list.SetRedraw(FALSE);
    int nItem = m_list.GetItemCount();
    for (size_t i : order)
        m_list.InsertItem(LVIF_TEXT, nItem++, m_lines[i], 0, 0, 0, 0);
    if (m_bFitColumn)
        m_list.SetColumnWidth(0, LVSCW_AUTOSIZE);
    m_list.SetRedraw(TRUE);
    m_list.Invalidate();

    m_lines.clear();
    m_bFitColumn = false;
}

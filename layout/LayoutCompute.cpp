#include "layout/LayoutGroup.h"

#include "layout/LayoutWindows.h"

#include <cstdlib>

namespace
{
bool IsHorizontal(const CLayoutGroupObj* pGroup)
{
    return pGroup->m_nOrientation == GLL_HORIZONTAL;
}

LONG& Along(RECT& rc, bool bHorizontal)
{
    return bHorizontal ? rc.right : rc.bottom;
}

LONG& Across(RECT& rc, bool bHorizontal)
{
    return bHorizontal ? rc.bottom : rc.right;
}

bool StretchesAlong(const CLayoutGroupObj* pItem, bool bHorizontal)
{
    return bHorizontal ? pItem->m_bStretchX : pItem->m_bStretchY;
}

bool IsFlexibleGap(const CLayoutGroupObj* pItem)
{
    return pItem->m_nKind == GLL_KIND_GAP && pItem->m_nFixedGap == 0;
}

void SetSize(RECT& rc, LONG cx, LONG cy)
{
    rc.left = 0;
    rc.top = 0;
    rc.right = cx;
    rc.bottom = cy;
}
}  // namespace

void CLayoutGroup::MeasureGroup(CLayoutGroupObj* pGroup)
{
    const INT_PTR nCount = pGroup->m_arrChildren.GetSize();
    if (nCount == 0)
        return;
    const bool bHorizontal = IsHorizontal(pGroup);
    ::SetRectEmpty(&pGroup->m_rcMin);
    pGroup->m_bStretchX = false;
    pGroup->m_bStretchY = false;

    RECT rcTotal = {};
    int nStretching = 0;
    HWND hHost = GetHostHwnd();
    for (INT_PTR i = 0; i < nCount; ++i)
    {
        CLayoutGroupObj* pChild = pGroup->m_arrChildren[i];
        // In a row every item but the last ends one pixel before the next.
        if (bHorizontal && nCount > 1 && i != nCount - 1 && pChild->m_nKind != GLL_KIND_SEPARATOR)
            pChild->m_rcInsets.right += 1;
        if (pChild->IsGroup())
            MeasureGroup(pChild);
        if (pChild->m_nKind == GLL_KIND_SPLITTER && !MeasureSplitter(pGroup, i))
            return;
        if (pChild->HasWindow())
        {
            if (pChild->m_pWnd == nullptr || pChild->m_hWnd == nullptr)
                return;
            RECT rc = {};
            m_pWindows->GetRectInHost(hHost, pChild->m_hWnd, &rc);
            SetSize(pChild->m_rcMin, std::labs(rc.right - rc.left), rc.bottom - rc.top);
            pChild->m_rcSlot = pChild->m_rcMin;
            if (pChild->m_nKind == GLL_KIND_SPLITTER)
                FitSplitterAcross(pGroup, pChild);
            ClassifyWindow(pChild);
        }

        Along(rcTotal, bHorizontal) += Along(pChild->m_rcMin, bHorizontal);
        if (Across(pChild->m_rcMin, bHorizontal) > Across(rcTotal, bHorizontal))
            Across(rcTotal, bHorizontal) = Across(pChild->m_rcMin, bHorizontal);
        if (StretchesAlong(pChild, bHorizontal) && pChild->m_nKind != GLL_KIND_GAP)
            ++nStretching;
        if (pChild->m_bVisible && pChild->m_nKind != GLL_KIND_SEPARATOR)
        {
            pGroup->m_bStretchX = pGroup->m_bStretchX || pChild->m_bStretchX;
            pGroup->m_bStretchY = pGroup->m_bStretchY || pChild->m_bStretchY;
        }
    }

    // Flexible gaps share the run evenly when something else stretches, and
    // take all the free space otherwise.
    const LONG nRun = Along(rcTotal, bHorizontal);
    for (INT_PTR i = 0; i < nCount; ++i)
    {
        CLayoutGroupObj* pChild = pGroup->m_arrChildren[i];
        if (pChild->m_nKind != GLL_KIND_GAP)
            continue;
        if (IsFlexibleGap(pChild))
        {
            LONG nMin = 0;
            if (nStretching > 0)
                nMin = static_cast<LONG>(nRun / nCount);
            else
                pChild->m_dWeight = 100.0;
            Along(pChild->m_rcMin, bHorizontal) = nMin;
            if (bHorizontal)
                pChild->m_bStretchX = true;
            else
                pChild->m_bStretchY = true;
            Along(rcTotal, bHorizontal) += nMin;
        }
        pChild->m_rcSlot = pChild->m_rcMin;
    }

    for (INT_PTR i = 0; i < nCount; ++i)
    {
        CLayoutGroupObj* pChild = pGroup->m_arrChildren[i];
        if (pChild->IsGroup())
        {
            Across(pChild->m_rcMin, bHorizontal) = Across(rcTotal, bHorizontal);
            Across(pChild->m_rcSlot, bHorizontal) = Across(rcTotal, bHorizontal);
        }
    }

    AssignWeights(pGroup, Along(rcTotal, bHorizontal));

    if (pGroup->m_bVisible)
    {
        rcTotal.right += pGroup->m_rcInsets.left + pGroup->m_rcInsets.right;
        rcTotal.bottom += pGroup->m_rcInsets.top + pGroup->m_rcInsets.bottom;
    }
    else
    {
        ::SetRectEmpty(&rcTotal);
    }
    SetSize(pGroup->m_rcMin, rcTotal.right, rcTotal.bottom);
    pGroup->m_rcSlot = pGroup->m_rcMin;

    if (pGroup == &m_root)
        ShowGroupItems(&m_root, true, true);
}

void CLayoutGroup::ClassifyWindow(CLayoutGroupObj* pItem)
{
    const CString strClass = m_pWindows->GetWindowClass(pItem->m_hWnd);
    if (strClass.Compare(L"msctls_updown32") == 0)
    {
        const DWORD dwStyle = m_pWindows->GetStyle(pItem->m_hWnd);
        if (dwStyle & UDS_AUTOBUDDY)
        {
            if (CLayoutGroupObj* pBuddy = FindItem(m_pWindows->GetPrevWindow(pItem->m_hWnd)))
            {
                if (dwStyle & UDS_ALIGNRIGHT)
                    pBuddy->m_dwFlags |= GLL_ITEM_WIDEN_RIGHT;
                if (dwStyle & UDS_ALIGNLEFT)
                    pBuddy->m_dwFlags |= GLL_ITEM_WIDEN_LEFT;
            }
        }
    }
    pItem->m_bFullRedraw = strClass.Compare(L"ListBox") == 0 || strClass.Compare(L"SysTabControl32") == 0 ||
                           strClass.Compare(L"SysTreeView32") == 0 || strClass.Compare(L"SysListView32") == 0 ||
                           strClass.Compare(L"msctls_progress32") == 0;
}

void CLayoutGroup::AssignWeights(CLayoutGroupObj* pGroup, int nTotalAlong)
{
    const bool bHorizontal = IsHorizontal(pGroup);
    double dStretchable = nTotalAlong;
    for (INT_PTR i = 0; i < pGroup->m_arrChildren.GetSize(); ++i)
    {
        CLayoutGroupObj* pChild = pGroup->m_arrChildren[i];
        if (!StretchesAlong(pChild, bHorizontal))
            dStretchable -= Along(pChild->m_rcSlot, bHorizontal);
    }
    for (INT_PTR i = 0; i < pGroup->m_arrChildren.GetSize(); ++i)
    {
        CLayoutGroupObj* pChild = pGroup->m_arrChildren[i];
        const LONG nSlot = Along(pChild->m_rcSlot, bHorizontal);
        if (!StretchesAlong(pChild, bHorizontal))
            pChild->m_dWeight = 0.0;
        else if (pChild->m_dWeight != 0.0)
            continue;
        else if (nSlot == 0 || dStretchable == 0.0)
            pChild->m_dWeight = 100.0;
        else
            pChild->m_dWeight = nSlot * 100.0 / dStretchable;
    }
}

void CLayoutGroup::RemeasureGroup(CLayoutGroupObj* pGroup)
{
    ::SetRectEmpty(&pGroup->m_rcMin);
    ::SetRectEmpty(&pGroup->m_rcSlot);
    pGroup->m_bStretchX = false;
    pGroup->m_bStretchY = false;
    if (!pGroup->m_bVisible)
        return;

    const bool bHorizontal = IsHorizontal(pGroup);
    RECT rcTotal = {};
    for (INT_PTR i = 0; i < pGroup->m_arrChildren.GetSize(); ++i)
    {
        CLayoutGroupObj* pChild = pGroup->m_arrChildren[i];
        if (pChild->IsGroup())
        {
            pChild->m_dWeight = 0.0;
            RemeasureGroup(pChild);
        }
        Along(rcTotal, bHorizontal) += Along(pChild->m_rcMin, bHorizontal);
        if (Across(pChild->m_rcMin, bHorizontal) > Across(rcTotal, bHorizontal))
            Across(rcTotal, bHorizontal) = Across(pChild->m_rcMin, bHorizontal);
        if (pChild->m_nKind != GLL_KIND_SEPARATOR)
        {
            pGroup->m_bStretchX = pGroup->m_bStretchX || pChild->m_bStretchX;
            pGroup->m_bStretchY = pGroup->m_bStretchY || pChild->m_bStretchY;
        }
    }
    for (INT_PTR i = 0; i < pGroup->m_arrChildren.GetSize(); ++i)
    {
        CLayoutGroupObj* pChild = pGroup->m_arrChildren[i];
        if (IsFlexibleGap(pChild))
            Along(rcTotal, bHorizontal) += Along(pChild->m_rcMin, bHorizontal);
    }

    AssignWeights(pGroup, Along(rcTotal, bHorizontal));

    rcTotal.right += pGroup->m_rcInsets.left + pGroup->m_rcInsets.right;
    rcTotal.bottom += pGroup->m_rcInsets.top + pGroup->m_rcInsets.bottom;
    SetSize(pGroup->m_rcMin, rcTotal.right, rcTotal.bottom);
    pGroup->m_rcSlot = pGroup->m_rcMin;
}

void CLayoutGroup::DistributeGroup(CLayoutGroupObj* pGroup)
{
    const bool bHorizontal = IsHorizontal(pGroup);
    if (pGroup == &m_root)
    {
        RECT rcClient = {};
        m_pWindows->GetClientRect(GetHostHwnd(), &rcClient);
        LONG cx = rcClient.right - rcClient.left;
        LONG cy = rcClient.bottom - rcClient.top;
        if (m_nMinClientWidth > 0 && cx < m_nMinClientWidth)
            cx = m_nMinClientWidth;
        if (m_nMinClientHeight > 0 && cy < m_nMinClientHeight)
            cy = m_nMinClientHeight;
        SetSize(pGroup->m_rcSlot, cx, cy);
    }
    const INT_PTR nCount = pGroup->m_arrChildren.GetSize();
    if (!pGroup->m_bVisible && nCount == 0)
        return;

    bool bRaiseAcross = false;
    for (INT_PTR i = 0; i < nCount; ++i)
    {
        const CLayoutGroupObj* pChild = pGroup->m_arrChildren[i];
        if (pChild->m_bVisible && (pChild->IsGroup() || pChild->m_nKind == GLL_KIND_SEPARATOR))
            bRaiseAcross = true;
    }
    if (bRaiseAcross && Across(pGroup->m_rcSlot, bHorizontal) < Across(pGroup->m_rcMin, bHorizontal))
        Across(pGroup->m_rcSlot, bHorizontal) = Across(pGroup->m_rcMin, bHorizontal);

    const RECT& rcInsets = pGroup->m_rcInsets;
    double dFreeX = pGroup->m_rcSlot.right;
    double dFreeY = pGroup->m_rcSlot.bottom;
    double& dFreeAlong = bHorizontal ? dFreeX : dFreeY;
    for (INT_PTR i = 0; i < nCount; ++i)
    {
        CLayoutGroupObj* pChild = pGroup->m_arrChildren[i];
        if (pChild->m_bVisible && !StretchesAlong(pChild, bHorizontal))
            dFreeAlong -= Along(pChild->m_rcMin, bHorizontal);
    }
    dFreeX -= rcInsets.left + rcInsets.right;
    dFreeY -= rcInsets.top + rcInsets.bottom;

    long long nTotal = 0;
    long long nStretchSum = 0;
    for (INT_PTR i = 0; i < nCount; ++i)
    {
        CLayoutGroupObj* pChild = pGroup->m_arrChildren[i];
        SetSize(pChild->m_rcSlot, static_cast<LONG>(dFreeX), static_cast<LONG>(dFreeY));
        if (!pChild->m_bVisible)
            continue;
        if (pChild->m_pWnd != nullptr)
        {
            if (!pChild->m_bStretchX)
                pChild->m_rcSlot.right = pChild->m_rcMin.right;
            if (!pChild->m_bStretchY)
                pChild->m_rcSlot.bottom = pChild->m_rcMin.bottom;
        }
        LONG& nAlong = Along(pChild->m_rcSlot, bHorizontal);
        const LONG nMin = Along(pChild->m_rcMin, bHorizontal);
        if (!StretchesAlong(pChild, bHorizontal))
        {
            nAlong = nMin;
        }
        else
        {
            LONG nShare = static_cast<LONG>(pChild->m_dWeight * dFreeAlong / 100.0);
            nAlong = nShare < nMin ? nMin : nShare;
            nStretchSum += nAlong;
        }
        nTotal += nAlong;
    }

    const LONG nAvailable =
        Along(pGroup->m_rcSlot, bHorizontal) - (bHorizontal ? rcInsets.left + rcInsets.right : rcInsets.top + rcInsets.bottom);
    if (nTotal > nAvailable && nStretchSum != 0)
    {
        long long nExcess = nTotal - nAvailable;
        bool bRemoved = true;
        while (nExcess > 0 && bRemoved)
        {
            bRemoved = false;
            for (INT_PTR i = 0; i < nCount && nExcess > 0; ++i)
            {
                CLayoutGroupObj* pChild = pGroup->m_arrChildren[i];
                if (pChild->m_bVisible && StretchesAlong(pChild, bHorizontal) &&
                    Along(pChild->m_rcSlot, bHorizontal) > Along(pChild->m_rcMin, bHorizontal))
                {
                    Along(pChild->m_rcSlot, bHorizontal) -= 1;
                    --nExcess;
                    bRemoved = true;
                }
            }
        }
    }

    const long long nFree = static_cast<long long>(dFreeAlong);
    if (nCount > 0 && nFree > nStretchSum)
    {
        CLayoutGroupObj* pFirst = pGroup->m_arrChildren[0];
        if (StretchesAlong(pFirst, bHorizontal))
            Along(pFirst->m_rcSlot, bHorizontal) += static_cast<LONG>(nFree - nStretchSum);
    }

    for (INT_PTR i = 0; i < nCount; ++i)
    {
        CLayoutGroupObj* pChild = pGroup->m_arrChildren[i];
        if (pChild->m_bVisible && pChild->IsGroup())
            DistributeGroup(pChild);
    }
}

void CLayoutGroup::PositionGroup(CLayoutGroupObj* pGroup, int x, int y)
{
    const RECT& rcInsets = pGroup->m_rcInsets;
    x += rcInsets.left;
    y += rcInsets.top;
    if (!pGroup->m_bVisible)
        return;

    const bool bHorizontal = IsHorizontal(pGroup);
    LONG nSumWidth = 0;
    LONG nSumHeight = 0;
    LONG nMaxWidth = 0;
    LONG nMaxHeight = 0;
    for (INT_PTR i = 0; i < pGroup->m_arrChildren.GetSize(); ++i)
    {
        const CLayoutGroupObj* pChild = pGroup->m_arrChildren[i];
        if (!pChild->m_bVisible)
            continue;
        nSumWidth += pChild->m_rcSlot.right;
        nSumHeight += pChild->m_rcSlot.bottom;
        if (pChild->m_rcSlot.right > nMaxWidth)
            nMaxWidth = pChild->m_rcSlot.right;
        if (pChild->m_rcSlot.bottom > nMaxHeight)
            nMaxHeight = pChild->m_rcSlot.bottom;
    }

    switch (pGroup->Alignment)
    {
    case GLL_ALIGN_CENTER:
        if (bHorizontal)
            x += (pGroup->m_rcSlot.right - nSumWidth) / 2;
        else
            y += (pGroup->m_rcSlot.bottom - nSumHeight) / 2;
        break;
    case GLL_ALIGN_RIGHT:
        // A column has no "right" run; the offset keeps to the row formula.
        if (bHorizontal)
            x += pGroup->m_rcSlot.right - rcInsets.right - nSumWidth - rcInsets.left;
        else
            x += pGroup->m_rcSlot.bottom - rcInsets.right - nSumHeight - rcInsets.left;
        break;
    case GLL_ALIGN_BOTTOM:
        if (!bHorizontal)
            y += pGroup->m_rcSlot.bottom - rcInsets.bottom - rcInsets.top - nSumHeight;
        break;
    default:
        break;
    }

    for (INT_PTR i = 0; i < pGroup->m_arrChildren.GetSize(); ++i)
    {
        CLayoutGroupObj* pChild = pGroup->m_arrChildren[i];
        if (!pChild->m_bVisible)
            continue;
        int dx = 0;
        int dy = 0;
        switch (pGroup->Alignment)
        {
        case GLL_ALIGN_EACH_HCENTER:
            dx = std::abs(static_cast<int>(pChild->m_rcSlot.right - nMaxWidth)) / 2;
            break;
        case GLL_ALIGN_EACH_RIGHT:
            dx = std::abs(static_cast<int>(pGroup->m_rcSlot.right - rcInsets.right - pChild->m_rcSlot.right - rcInsets.left));
            break;
        case GLL_ALIGN_EACH_VCENTER:
            dy = std::abs(static_cast<int>(pChild->m_rcSlot.bottom - nMaxHeight)) / 2;
            break;
        case GLL_ALIGN_EACH_BOTTOM:
            dy = std::abs(static_cast<int>(pGroup->m_rcSlot.bottom - rcInsets.bottom - pChild->m_rcSlot.bottom - rcInsets.top));
            break;
        default:
            break;
        }

        if (pChild->IsGroup())
            PositionGroup(pChild, x, y);
        else if (pChild->HasWindow())
        {
            if (pChild->m_dwFlags & GLL_ITEM_WIDEN_LEFT)
                x -= 3;
            PositionItem(pGroup, pChild, x, y, dx, dy);
        }

        if (bHorizontal)
            x += pChild->m_rcSlot.right;
        else
            y += pChild->m_rcSlot.bottom;
    }

    if (pGroup == &m_root)
        ApplyPositions();
}

void CLayoutGroup::PositionItem(CLayoutGroupObj* pGroup, CLayoutGroupObj* pItem, int x, int y, int dx, int dy)
{
    LONG w = pItem->m_bStretchX ? pItem->m_rcSlot.right : pItem->m_rcMin.right;
    LONG h = pItem->m_bStretchY ? pItem->m_rcSlot.bottom : pItem->m_rcMin.bottom;
    if (w < pItem->m_rcMin.right)
        w = pItem->m_rcMin.right;
    if (h < pItem->m_rcMin.bottom)
        h = pItem->m_rcMin.bottom;
    if (pItem->m_dwFlags & (GLL_ITEM_WIDEN_LEFT | GLL_ITEM_WIDEN_RIGHT))
        w += 3;

    const RECT& rcInsets = pItem->m_rcInsets;
    RECT& rc = pItem->m_rcFinal;
    rc.left = x + dx + rcInsets.left;
    rc.top = y + dy + rcInsets.top;
    rc.right = x + dx + w - rcInsets.right;
    rc.bottom = y + dy + h - rcInsets.bottom;

    if (pItem->m_dwFlags & GLL_ITEM_SPAN_CLIENT)
    {
        RECT rcClient = {};
        m_pWindows->GetClientRect(GetHostHwnd(), &rcClient);
        if (IsHorizontal(pGroup))
        {
            rc.top = 0;
            rc.bottom = rcClient.bottom;
        }
        else
        {
            rc.left = 0;
            rc.right = rcClient.right;
        }
    }
    if (pItem->m_dwFlags & (GLL_ITEM_CLIENT_TOP | GLL_ITEM_STRETCH_TOP))
    {
        const LONG nOldTop = rc.top;
        rc.top = 0;
        rc.bottom -= nOldTop;
        if (pItem->m_dwFlags & GLL_ITEM_STRETCH_TOP)
            rc.bottom += nOldTop;
    }
}

#include "layout/LayoutGroup.h"

#include "framework/WinApp.h"
#include "layout/GroupSplitter.h"
#include "layout/GroupStatic.h"
#include "layout/LayoutDpi.h"
#include "layout/LayoutSystem.h"
#include "layout/LayoutWindows.h"

CLayoutGroupObj* CLayoutGroup::AddSeparator()
{
    const UINT nOrientation = GetCurrentGroup()->m_nOrientation;
    CLayoutGroupObj* pItem = CreateItem(nOrientation);
    if (pItem == nullptr)
        return nullptr;
    const UINT nID = FindFreeControlId();
    pItem->m_nKind = GLL_KIND_SEPARATOR;
    pItem->m_nSubKind = GLL_KIND_SEPARATOR;
    pItem->m_nFixedGap = 10;
    pItem->m_dwFlags = GLL_ITEM_SPAN_CLIENT;
    int cx = 10;
    int cy = 2;
    if (nOrientation == GLL_VERTICAL)
    {
        cx = 2;
        cy = 10;
        pItem->m_bStretchY = false;
    }
    else
    {
        pItem->m_bStretchX = false;
    }

    auto* pLine = new CGroupStatic;
    pLine->m_pLayout = this;
    pItem->m_pGroupStatic = pLine;
    pItem->m_pWnd = pLine;
    const RECT rc = {10, 10, 10 + cx, 10 + cy};
    if (pLine->Create(L"", WS_CHILD | WS_VISIBLE, rc, m_pHostDlg, nID))
    {
        pLine->m_dwItemFlags = pItem->m_dwFlags;
        pItem->m_hWnd = pLine->m_hWnd;
    }
    return pItem;
}

CLayoutGroupObj* CLayoutGroup::AddSplitter()
{
    CLayoutGroupObj* pGroup = GetCurrentGroup();
    const UINT nOrientation = pGroup->m_nOrientation;
    CLayoutGroupObj* pItem = CreateItem(nOrientation);
    if (pItem == nullptr)
        return nullptr;
    const UINT nID = FindFreeControlId();
    if (nOrientation == GLL_VERTICAL)
        pItem->m_bStretchY = false;
    else
        pItem->m_bStretchX = false;

    auto* pBar = new CGroupSplitter;
    pBar->m_pLayout = this;
    const RECT rc = {0, 0, SCALED_4 + 4, SCALED_3 + 4};
    if (!pBar->Create(L"", WS_CHILD | WS_VISIBLE | WS_GROUP | SS_NOTIFY, rc, m_pHostDlg, nID))
    {
        delete pBar;
        DiscardLastItem(pItem);
        return nullptr;
    }
    pBar->m_pHostDlg = m_pHostDlg;
    pBar->m_bVerticalBar = nOrientation == GLL_HORIZONTAL;
    pBar->m_bLiveResize = true;
    pBar->m_dPosition = GLL_SPLITTER_DEFAULT_POSITION;

    pItem->m_nKind = GLL_KIND_SPLITTER;
    pItem->m_hWnd = pBar->m_hWnd;
    pItem->m_pWnd = pBar;
    pItem->m_pSplitter = pBar;
    pItem->m_strName = L"Splitter";
    pItem->m_dWeight = GLL_SPLITTER_DEFAULT_POSITION;
    return pItem;
}

void CLayoutGroup::ReleaseItemWindow(CLayoutGroupObj* pItem)
{
    if (CGroupStatic* pLine = pItem->m_pGroupStatic)
    {
        pLine->DestroyWindow();
        delete pLine;
        pItem->m_pGroupStatic = nullptr;
        pItem->m_pWnd = nullptr;
    }
    if (CGroupSplitter* pBar = pItem->m_pSplitter)
    {
        if (!pItem->m_strName.IsEmpty() && !m_strProfileSection.IsEmpty())
        {
            if (CWinApp* pApp = AfxGetApp())
                pApp->WriteProfileInt(m_strProfileSection, pItem->m_strName, static_cast<int>(pBar->m_dPosition));
        }
        pBar->DestroyWindow();
        delete pBar;
        pItem->m_pSplitter = nullptr;
        pItem->m_pWnd = nullptr;
    }
}

bool CLayoutGroup::MeasureSplitter(CLayoutGroupObj* pGroup, INT_PTR nIndex)
{
    CLayoutGroupObj* pItem = pGroup->m_arrChildren[nIndex];
    CGroupSplitter* pBar = pItem->m_pSplitter;
    if (pBar == nullptr || pItem->m_hWnd == nullptr)
        return false;
    if (nIndex == 0 || nIndex == pGroup->m_arrChildren.GetUpperBound())
        return true;

    CLayoutGroupObj* pBefore = pGroup->m_arrChildren[nIndex - 1];
    CLayoutGroupObj* pAfter = pGroup->m_arrChildren[nIndex + 1];
    pBar->m_pItemBefore = pBefore;
    pBar->m_pItemAfter = pAfter;
    pBar->m_nThemeState = QueryThemeState(m_nOSVersion);

    double dPosition = pItem->m_dWeight;
    CWinApp* pApp = AfxGetApp();
    // Without a section nothing is stored, so nothing is read either.
    if (!pItem->m_strName.IsEmpty() && !m_strProfileSection.IsEmpty() && pApp != nullptr)
        dPosition = static_cast<UINT>(
            pApp->GetProfileIntW(m_strProfileSection, pItem->m_strName, static_cast<int>(pItem->m_dWeight)));
    if (dPosition > 95.0)
        dPosition = 50.0;
    pBefore->m_dWeight = dPosition;
    pAfter->m_dWeight = 100.0 - dPosition;
    pBar->m_dPosition = dPosition;
    pItem->m_dWeight = 0.0;
    return true;
}

void CLayoutGroup::FitSplitterAcross(CLayoutGroupObj* pGroup, CLayoutGroupObj* pItem)
{
    CGroupSplitter* pBar = pItem->m_pSplitter;
    if (pBar == nullptr || pBar->m_pItemBefore == nullptr || pBar->m_pItemAfter == nullptr)
        return;
    const bool bHorizontal = pGroup->m_nOrientation == GLL_HORIZONTAL;
    const CLayoutGroupObj* pNeighbours[2] = {pBar->m_pItemBefore, pBar->m_pItemAfter};
    LONG nAcross = 0;
    for (const CLayoutGroupObj* pNeighbour : pNeighbours)
    {
        if (bHorizontal ? pNeighbour->m_bStretchY : pNeighbour->m_bStretchX)
            return;
    }
    for (const CLayoutGroupObj* pNeighbour : pNeighbours)
    {
        RECT rc = {};
        if (pNeighbour->m_hWnd != nullptr && m_pWindows->GetWindowRect(pNeighbour->m_hWnd, &rc))
        {
            const LONG nSize = bHorizontal ? rc.bottom - rc.top : rc.right - rc.left;
            if (nSize > nAcross)
                nAcross = nSize;
        }
    }
    if (bHorizontal)
    {
        pItem->m_bStretchY = false;
        pItem->m_rcMin.bottom = nAcross;
        pItem->m_rcSlot.bottom = nAcross;
    }
    else
    {
        pItem->m_bStretchX = false;
        pItem->m_rcMin.right = nAcross;
        pItem->m_rcSlot.right = nAcross;
    }
}

void CLayoutGroup::RefreshSplitters(CLayoutGroupObj* pGroup)
{
    for (INT_PTR i = 0; i < pGroup->m_arrChildren.GetSize(); ++i)
    {
        CLayoutGroupObj* pChild = pGroup->m_arrChildren[i];
        if (pChild->IsGroup())
        {
            RefreshSplitters(pChild);
            continue;
        }
        if (pChild->m_nKind != GLL_KIND_SPLITTER || pChild->m_pSplitter == nullptr || pChild->m_hWnd == nullptr)
            continue;
        if (pChild->m_bVisible || !::IsWindowVisible(pChild->m_hWnd))
        {
            pChild->m_pSplitter->SyncNeighbourWeights();
            m_pWindows->SetWindowPos(pChild->m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
        }
    }
}

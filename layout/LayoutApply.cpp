#include "layout/LayoutGroup.h"

#include "layout/LayoutDpi.h"
#include "layout/LayoutSystem.h"
#include "layout/LayoutWindows.h"

void CLayoutGroup::ResetLayout()
{
    ClearItems();
    m_root.SetDefaults();
    m_root.m_nKind = GLL_KIND_ROOT;
    m_root.m_nOrientation = GLL_VERTICAL;
    m_root.m_pOwner = this;
    m_crBackground = static_cast<COLORREF>(-1);
    m_bRepaintOnMove = false;
    m_bNoBackgroundFill = false;
    m_pHostDlg = nullptr;
    m_nNextId = 0;
    m_nMinClientWidth = 0;
    m_nMinClientHeight = 0;
    m_nTextMargin = SCALED_5;
    m_nThemeState = 0;
    m_nOSVersion = GetOSVersionCode();
    if (m_nOSVersion >= 50)
        m_nThemeState = QueryThemeState(m_nOSVersion);
    m_listOpenGroups.RemoveAll();
    if (m_pFont == nullptr)
    {
        m_pFont = new CFont;
        HGDIOBJ hFont = ::GetStockObject(DEFAULT_GUI_FONT);
        if (hFont == nullptr)
        {
            delete m_pFont;
            m_pFont = nullptr;
        }
        else
        {
            m_pFont->Attach(hFont);
        }
    }
}

void CLayoutGroup::ApplyPositions()
{
    HWND hHost = GetHostHwnd();
    if (hHost == nullptr || m_bHoldMoves)
        return;
    RECT rcClient = {};
    m_pWindows->GetClientRect(hHost, &rcClient);
    // A host not yet shown is painted whole when it is: nothing to redraw.
    const bool bShown = (m_pWindows->GetStyle(hHost) & WS_VISIBLE) != 0;

    for (INT_PTR i = 0; i < m_arrItems.GetSize(); ++i)
    {
        CLayoutGroupObj* pItem = m_arrItems[i];
        if (!pItem->m_bVisible || !pItem->HasWindow() || pItem->m_hWnd == nullptr)
            continue;
        RECT rcNow = {};
        m_pWindows->GetRectInHost(hHost, pItem->m_hWnd, &rcNow);
        if (::EqualRect(&rcNow, &pItem->m_rcFinal))
            continue;

        const bool bSameSize = rcNow.right - rcNow.left == pItem->m_rcFinal.right - pItem->m_rcFinal.left &&
                               rcNow.bottom - rcNow.top == pItem->m_rcFinal.bottom - pItem->m_rcFinal.top;
        UINT nRedraw = RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME;
        if (bSameSize)
            nRedraw |= RDW_ERASE;

        // The object GetDlgItem handed out may have been a temporary one that
        // is long gone: only the permanent object of the handle is used.
        CWnd* pVia = pItem->m_bMoveViaWnd ? CWnd::FromHandlePermanent(pItem->m_hWnd) : nullptr;
        m_pWindows->MoveWindow(pItem->m_hWnd, pVia, pItem->m_rcFinal, m_bRepaintOnMove ? TRUE : FALSE);

        if (pItem->m_nKind == GLL_KIND_SEPARATOR)
        {
            m_pWindows->BringWindowToTop(pItem->m_hWnd);
            if (bShown)
                m_pWindows->RedrawWindow(pItem->m_hWnd, RDW_INVALIDATE);
        }
        else if (bShown)
        {
            m_pWindows->RedrawWindow(pItem->m_hWnd, pItem->m_bFullRedraw
                                                        ? RDW_FRAME | RDW_ALLCHILDREN | RDW_ERASE | RDW_INVALIDATE
                                                        : nRedraw);
        }
    }

    if (!m_bNoBackgroundFill && bShown)
    {
        const COLORREF crFill =
            m_crBackground == static_cast<COLORREF>(-1) ? ::GetSysColor(COLOR_BTNFACE) : m_crBackground;
        m_pWindows->FillBackground(hHost, rcClient, crFill);
    }
}

void CLayoutGroup::ShowGroupItems(CLayoutGroupObj* pGroup, bool bShow, bool bRespectHidden)
{
    for (INT_PTR i = 0; i < pGroup->m_arrChildren.GetSize(); ++i)
    {
        CLayoutGroupObj* pChild = pGroup->m_arrChildren[i];
        if (pChild->IsGroup())
        {
            ShowGroupItems(pChild, bShow && !(bRespectHidden && !pChild->m_bVisible), bRespectHidden);
            continue;
        }
        if (!pChild->HasWindow() || pChild->m_pWnd == nullptr || pChild->m_hWnd == nullptr)
            continue;
        // Parked off-screen at no size, a window appears only at its place.
        if (bShow)
            m_pWindows->SetWindowPos(pChild->m_hWnd, nullptr, 2000, 2000, 0, 0,
                                     SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_NOSENDCHANGING);
        if (m_nOSVersion > 40)
            m_pWindows->ShowWindow(pChild->m_hWnd, bShow ? SW_SHOWNORMAL : SW_HIDE);
        else
            m_pWindows->SetWindowPos(pChild->m_hWnd, nullptr, 0, 0, 0, 0,
                                     (bShow ? SWP_SHOWWINDOW : SWP_HIDEWINDOW) | SWP_NOSIZE | SWP_NOMOVE |
                                         SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
    }
}

void CLayoutGroup::Relayout()
{
    if (m_pHostDlg == nullptr)
        return;
    DistributeGroup(&m_root);
    PositionGroup(&m_root, m_root.m_rcInsets.left, m_root.m_rcInsets.top);
}

void CLayoutGroup::RelayoutGroup(CLayoutGroupObj* pGroup)
{
    DistributeGroup(pGroup);
    PositionGroup(&m_root, m_root.m_rcInsets.left, m_root.m_rcInsets.top);
    if (pGroup != &m_root)
        ApplyPositions();
}

void CLayoutGroup::RelayoutAfterChange(CLayoutGroupObj* pItem, bool bForce)
{
    if (pItem->m_bVisible)
    {
        ShowGroupItems(pItem, true, false);
        if (!bForce)
            return;
    }
    pItem->m_bVisible = true;
    ShowGroupItems(pItem, true, false);
    RemeasureGroup(&m_root);
    RefreshSplitters(&m_root);
    if (bForce)
    {
        DistributeGroup(&m_root);
        PositionGroup(&m_root, m_root.m_rcInsets.left, m_root.m_rcInsets.top);
    }
}

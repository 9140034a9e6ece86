#include "layout/GroupSplitter.h"

#include <windowsx.h>

#include <cmath>
#include <utility>

#include "framework/Module.h"
#include "layout/GroupStatic.h"
#include "layout/LayoutGroup.h"

CGroupSplitter::CGroupSplitter()
    : m_nThemeState(0),
      m_pLayout(nullptr),
      m_bLiveResize(true),
      m_pItemBefore(nullptr),
      m_pItemAfter(nullptr),
      m_crBackground(::GetSysColor(COLOR_BTNFACE)),
      m_dPosition(GLL_SPLITTER_DEFAULT_POSITION),
      m_pHostDlg(nullptr),
      m_bVerticalBar(false),
      m_bColorsStale(true),
      m_bLastOffsetApplied(false)
{
}

CGroupSplitter::~CGroupSplitter()
{
    if (m_hWnd != nullptr)
        DestroyWindow();
}

void CGroupSplitter::SyncNeighbourWeights()
{
    if (m_pItemBefore == nullptr || m_pItemAfter == nullptr)
        return;
    const bool bBefore = m_pItemBefore->m_bVisible;
    const bool bAfter = m_pItemAfter->m_bVisible;
    if (bBefore && bAfter)
    {
        m_pItemAfter->m_dWeight = 100.0 - m_dPosition;
        m_pItemBefore->m_dWeight = m_dPosition;
        if (m_hWnd != nullptr)
            EnableWindow(TRUE);
    }
    else if (bAfter || bBefore)
    {
        // The visible side takes everything; the position itself is kept for
        // when both sides show again.
        (bAfter ? m_pItemAfter : m_pItemBefore)->m_dWeight = 100.0;
        (bAfter ? m_pItemBefore : m_pItemAfter)->m_dWeight = 0.0;
        if (m_hWnd != nullptr)
            EnableWindow(FALSE);
    }
}

bool CGroupSplitter::GetDragLimits(RECT& rc) const
{
    if (m_pItemBefore == nullptr || m_pItemAfter == nullptr)
        return false;
    RECT r = rc;
    r.left -= m_pItemBefore->m_rcSlot.right;
    r.top -= m_pItemBefore->m_rcSlot.bottom;
    r.right += m_pItemAfter->m_rcSlot.right;
    r.bottom += m_pItemAfter->m_rcSlot.bottom;
    if (m_bVerticalBar)
    {
        const int half = (rc.right - rc.left) / 2;
        r.left += m_pItemBefore->m_rcMin.right + half;
        r.right -= m_pItemAfter->m_rcMin.right + half;
        if (r.right <= r.left)
            return false;
    }
    else
    {
        const int half = (rc.bottom - rc.top) / 2;
        r.top += m_pItemBefore->m_rcMin.bottom + half;
        r.bottom -= m_pItemAfter->m_rcMin.bottom + half;
        if (r.bottom <= r.top)
            return false;
    }
    rc = r;
    return true;
}

int CGroupSplitter::TrackVertical(POINT ptPressed)
{
    return Track(ptPressed, false);
}

int CGroupSplitter::TrackHorizontal(POINT ptPressed)
{
    return Track(ptPressed, true);
}

int CGroupSplitter::Track(POINT ptPressed, bool bAlongX)
{
    m_bLastOffsetApplied = false;
    if (::GetCapture() != nullptr || m_pHostDlg == nullptr || m_pHostDlg->m_hWnd == nullptr)
        return 0;
    RECT rcLimits;
    GetWindowRect(&rcLimits);
    if (!GetDragLimits(rcLimits))
        return 0;
    ::ClipCursor(&rcLimits);
    SetCapture();

    CDC* pDC = m_pHostDlg->GetWindowDC();
    const bool bRtl = (m_pHostDlg->GetExStyle() & WS_EX_LAYOUTRTL) != 0;

    // Client coordinates of the dialog to coordinates of its window DC.
    RECT rcClient;
    m_pHostDlg->GetClientRect(&rcClient);
    RECT rcWindow;
    m_pHostDlg->GetWindowRect(&rcWindow);
    m_pHostDlg->ScreenToClient(&rcWindow);
    const int fx = std::abs((bRtl ? rcWindow.right : rcWindow.left) + rcClient.left);
    const int fy = std::abs(rcWindow.top + rcClient.top);

    RECT rcBar;
    GetWindowRect(&rcBar);
    m_pHostDlg->ScreenToClient(&rcBar);
    if (bRtl)
        std::swap(rcBar.left, rcBar.right);
    ::OffsetRect(&rcBar, fx, fy);
    const SIZE size = {rcBar.right - rcBar.left, rcBar.bottom - rcBar.top};

    if (!m_bLiveResize && pDC != nullptr)
        pDC->DrawDragRect(&rcBar, size, nullptr, size);

    RECT rcLast = rcBar;
    int nOffset = 0;
    int nPrevious = -1;
    MSG msg;
    for (;;)
    {
        const BOOL bGot = ::GetMessageW(&msg, nullptr, 0, 0);
        if (bGot == 0)
        {
            // Leave the quit request to the loop that owns it.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (bGot == -1)
            break;
        if (::GetCapture() != m_hWnd)
        {
            // Capture went elsewhere: the drag ends, the message still counts.
            ::DispatchMessageW(&msg);
            break;
        }
        if (msg.message == WM_LBUTTONUP || msg.message == WM_RBUTTONDOWN)
            break;
        if (msg.message == WM_KEYDOWN)
        {
            if (msg.wParam == VK_ESCAPE)
                break;
            continue;
        }
        if (msg.message != WM_MOUSEMOVE)
        {
            ::DispatchMessageW(&msg);
            continue;
        }
        nOffset = bAlongX ? GET_X_LPARAM(msg.lParam) - ptPressed.x : GET_Y_LPARAM(msg.lParam) - ptPressed.y;
        RECT rcNew = rcBar;
        ::OffsetRect(&rcNew, bAlongX ? nOffset : 0, bAlongX ? 0 : nOffset);
        if (!m_bLiveResize && pDC != nullptr)
            pDC->DrawDragRect(&rcNew, size, &rcLast, size);
        rcLast = rcNew;
        if (m_bLiveResize)
        {
            if (nOffset != 0 && nOffset != nPrevious)
            {
                MoveBy(nOffset, true);
                m_bLastOffsetApplied = true;
            }
            else
            {
                m_bLastOffsetApplied = nOffset == 0;
            }
        }
        nPrevious = nOffset;
    }

    if (!m_bLiveResize && pDC != nullptr)
        pDC->DrawDragRect(&rcLast, size, nullptr, size);
    m_pHostDlg->ReleaseDC(pDC);
    if (::GetCapture() == m_hWnd)
        ::ReleaseCapture();
    ::ClipCursor(nullptr);
    return nOffset;
}

void CGroupSplitter::ShiftWeights(double d)
{
    if (d == 0.0 || m_pItemBefore == nullptr || m_pItemAfter == nullptr)
        return;
    const double total = m_bVerticalBar
                             ? static_cast<double>(m_pItemAfter->m_rcSlot.right) + m_pItemBefore->m_rcSlot.right
                             : static_cast<double>(m_pItemAfter->m_rcSlot.bottom) + m_pItemBefore->m_rcSlot.bottom;
    // Two neighbours without any room have no share to move.
    if (total <= 0.0)
        return;
    const double delta = std::fabs(d) * 100.0 / total;
    if (d > 0)
    {
        m_pItemAfter->m_dWeight -= delta;
        m_pItemBefore->m_dWeight += delta;
    }
    else
    {
        m_pItemBefore->m_dWeight -= delta;
        m_pItemAfter->m_dWeight += delta;
    }
    m_dPosition = m_pItemBefore->m_dWeight;
}

void CGroupSplitter::MoveBy(double d, bool bUpdateNow)
{
    if (d == 0.0 || m_pItemBefore == nullptr || m_pItemAfter == nullptr)
        return;
    ShiftWeights(d);
    if (m_pLayout != nullptr && m_pItemBefore->m_pParent != nullptr)
        m_pLayout->RelayoutGroup(m_pItemBefore->m_pParent);
    if (bUpdateNow && m_pHostDlg != nullptr && m_pHostDlg->m_hWnd != nullptr)
        m_pHostDlg->UpdateWindow();
}

void CGroupSplitter::RefreshColors()
{
    HWND hParent = ::GetParent(m_hWnd);
    if (hParent == nullptr)
        return;
    GLL_CTRL_COLORS colors = {};
    colors.crBackground = ::GetSysColor(COLOR_BTNFACE);
    colors.crText = ::GetSysColor(COLOR_WINDOWTEXT);
    colors.crFrame = ::GetSysColor(COLOR_BTNSHADOW);
    m_bColorsStale = false;
    const LRESULT answer = ::SendMessageW(hParent, GetCtrlColorsMessage(), static_cast<WPARAM>(GetDlgCtrlID()),
                                          reinterpret_cast<LPARAM>(&colors));
    if (answer == GLL_COLORS_ANSWERED)
        m_crBackground = colors.crBackground;
}

RECT CGroupSplitter::BandRect(const RECT& rc, bool bVerticalBar)
{
    RECT band = rc;
    if (bVerticalBar)
    {
        band.left += 2;
        band.right -= 2;
    }
    else
    {
        band.top += 2;
        band.bottom -= 2;
    }
    return band;
}

void CGroupSplitter::OnPaint()
{
    CPaintDC dc(this);
    if (m_bColorsStale)
        RefreshColors();
    RECT rc;
    GetWindowRect(&rc);
    ScreenToClient(&rc);
    if (GetExStyle() & WS_EX_LAYOUTRTL)
        std::swap(rc.left, rc.right);
    dc.FillSolidRect(&rc, m_crBackground);
    RECT band = BandRect(rc, m_bVerticalBar);
    dc.DrawFrameControl(&band, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_PUSHED);
    ::InflateRect(&band, -1, -1);
    if (m_nThemeState == 0 || m_nThemeState == 2)
        dc.FillSolidRect(&band, ::GetSysColor(COLOR_HIGHLIGHT));
    else if (m_nThemeState == 1)
        dc.FillSolidRect(&band, ::GetSysColor(COLOR_GRADIENTACTIVECAPTION));
}

BOOL CGroupSplitter::OnSetCursor()
{
    UINT nId = IDC_GLL_SPLIT_NONE;
    LPCWSTR lpszSystem = IDC_CROSS;
    if (m_pItemBefore != nullptr && m_pItemAfter != nullptr)
    {
        nId = m_bVerticalBar ? IDC_GLL_SPLIT_WE : IDC_GLL_SPLIT_NS;
        lpszSystem = m_bVerticalBar ? IDC_SIZEWE : IDC_SIZENS;
    }
    HCURSOR hCursor = nullptr;
    HINSTANCE hInstance = AfxFindResourceHandle(MAKEINTRESOURCEW(nId), RT_GROUP_CURSOR);
    if (hInstance != nullptr)
        hCursor = ::LoadCursorW(hInstance, MAKEINTRESOURCEW(nId));
    if (hCursor == nullptr)
        hCursor = ::LoadCursorW(nullptr, lpszSystem);
    ::SetCursor(hCursor);
    return TRUE;
}

void CGroupSplitter::OnLButtonDown(UINT /*nFlags*/, POINT point)
{
    if (m_pItemBefore == nullptr || m_pItemAfter == nullptr)
        return;
    if (m_pItemBefore->m_dWeight == 0.0 || m_pItemAfter->m_dWeight == 0.0)
    {
        m_pItemBefore->m_dWeight = 50.0;
        m_pItemAfter->m_dWeight = 50.0;
    }
    const int nOffset = m_bVerticalBar ? TrackHorizontal(point) : TrackVertical(point);
    // A live drag has already moved the boundary by every offset it applied;
    // applying the last one again would overshoot the mouse.
    if (nOffset != 0 && !(m_bLiveResize && m_bLastOffsetApplied))
        MoveBy(nOffset, false);
}

BOOL CGroupSplitter::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    switch (message)
    {
    case WM_LBUTTONDOWN:
        OnLButtonDown(static_cast<UINT>(wParam), POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        *pResult = 0;
        return TRUE;
    case WM_SETCURSOR:
        *pResult = OnSetCursor();
        return TRUE;
    case WM_PAINT:
        OnPaint();
        *pResult = 0;
        return TRUE;
    case WM_GLL_REFRESH_COLORS:
        RefreshColors();
        InvalidateRect(nullptr, TRUE);
        *pResult = 0;
        return TRUE;
    case WM_SYSCOLORCHANGE:
        RefreshColors();
        *pResult = 0;
        return TRUE;
    default:
        return CStatic::OnWndMsg(message, wParam, lParam, pResult);
    }
}

#include "layout/GroupStatic.h"

#include <algorithm>

#include "layout/LayoutMessages.h"

IMPLEMENT_DYNAMIC(CGroupStatic, CButton)

UINT GetCtrlColorsMessage()
{
    // A control may live in a program (or test) that never ran the start-up
    // registration; registering again answers the same id.
    if (WM_GLL_GET_CTRL_COLORS == 0)
        CLayoutMessages::Register();
    return WM_GLL_GET_CTRL_COLORS;
}

RECT SeparatorLineRect(const RECT& rc)
{
    const int w = rc.right - rc.left;
    const int h = rc.bottom - rc.top;
    RECT line;
    if (h > w)
    {
        // One pixel left of the middle; a one-pixel-wide window keeps its
        // line inside instead of losing it to the left.
        line.left = std::max(static_cast<int>(rc.left), static_cast<int>(rc.left + w / 2 - 1));
        line.top = rc.top;
        line.right = line.left + 1;
        line.bottom = rc.top + h;
    }
    else
    {
        line.left = rc.left;
        line.top = std::max(static_cast<int>(rc.top), static_cast<int>(rc.top + h / 2 - 1));
        line.right = rc.left + w;
        line.bottom = line.top + 1;
    }
    return line;
}

CGroupStatic::CGroupStatic()
    : m_dwItemFlags(0),
      m_crBackground(0),
      m_crText(0),
      m_crFrame(0),
      m_pLayout(nullptr),
      m_bColorsStale(true)
{
    m_strCaption.Empty();
}

CGroupStatic::~CGroupStatic()
{
    if (m_hWnd != nullptr)
        DestroyWindow();
}

void CGroupStatic::PreSubclassWindow()
{
    CWnd::PreSubclassWindow();
    ModifyStyle(0, BS_GROUPBOX, 0);
}

void CGroupStatic::RefreshColors()
{
    HWND hParent = ::GetParent(m_hWnd);
    if (hParent == nullptr)
        return;
    GLL_CTRL_COLORS colors = {};
    colors.crBackground = ::GetSysColor(COLOR_BTNFACE);
    colors.crText = ::GetSysColor(COLOR_WINDOWTEXT);
    colors.crFrame = GLL_NO_FRAME_COLOR;
    m_bColorsStale = false;
    const LRESULT answer = ::SendMessageW(hParent, GetCtrlColorsMessage(), static_cast<WPARAM>(GetDlgCtrlID()),
                                          reinterpret_cast<LPARAM>(&colors));
    if (answer == GLL_COLORS_ANSWERED)
    {
        m_crBackground = colors.crBackground;
        m_crText = colors.crText;
        m_crFrame = colors.crFrame;
    }
    else
    {
        m_crBackground = ::GetSysColor(COLOR_BTNFACE);
        m_crText = ::GetSysColor(COLOR_BTNTEXT);
        m_crFrame = ::GetSysColor(COLOR_BTNSHADOW);
    }
}

void CGroupStatic::Paint(CDC& dc)
{
    if (m_bColorsStale)
        RefreshColors();
    RECT rc;
    GetWindowRect(&rc);
    ScreenToClient(&rc);
    if (GetExStyle() & WS_EX_LAYOUTRTL)
        std::swap(rc.left, rc.right);
    dc.FillSolidRect(&rc, m_crBackground);
    if (m_crFrame == GLL_NO_FRAME_COLOR)
        return;
    const RECT line = SeparatorLineRect(rc);
    dc.FillSolidRect(&line, m_crFrame);
}

void CGroupStatic::OnPaint()
{
    CPaintDC dc(this);
    Paint(dc);
}

BOOL CGroupStatic::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    switch (message)
    {
    case WM_PAINT:
        OnPaint();
        *pResult = 0;
        return TRUE;
    case WM_WINDOWPOSCHANGED:
    {
        // The line follows every move of the layout at once.
        *pResult = Default();
        CPaintDC dc(this);
        Paint(dc);
        return TRUE;
    }
    case WM_ENABLE:
        // A line looks the same enabled or disabled; just show it again.
        RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        *pResult = 0;
        return TRUE;
    case WM_ERASEBKGND:
        *pResult = TRUE;
        return TRUE;
    case WM_SETFOCUS:
    {
        // A separator never keeps the keyboard focus.
        HWND hLost = reinterpret_cast<HWND>(wParam);
        if (hLost != nullptr && ::IsWindow(hLost))
            ::SetFocus(hLost);
        *pResult = 0;
        return TRUE;
    }
    case WM_GLL_REFRESH_COLORS:
        RefreshColors();
        InvalidateRect(nullptr, TRUE);
        *pResult = 0;
        return TRUE;
    case WM_SYSCOLORCHANGE:
        RefreshColors();
        *pResult = 0;
        return TRUE;
    case WM_GETDLGCODE:
        *pResult = DLGC_STATIC;
        return TRUE;
    default:
        return CButton::OnWndMsg(message, wParam, lParam, pResult);
    }
}

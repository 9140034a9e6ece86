#include "layout/DialogLayout.h"

#include "layout/LayoutDpi.h"
#include "layout/LayoutMessages.h"
#include "layout/Placement.h"

#include <cstdlib>
#include <set>

IMPLEMENT_DYNAMIC(CPropertySheetLayout, CWnd)
IMPLEMENT_DYNAMIC(CDialogLayout, CDialog)

namespace
{
// The sheet objects alive in this process. Only an address found here is
// ever read through; anything else a sender puts into the LPARAM is not.
std::set<const void*>& LiveSheets()
{
    static std::set<const void*> s_sheets;
    return s_sheets;
}

bool HasCaption(DWORD dwStyle)
{
    return (dwStyle & WS_CAPTION) == WS_CAPTION;
}

// The window's outer rectangle in its own client coordinates, left and right
// in reading order also for a mirrored window.
RECT WindowRectInClient(CWnd& wnd)
{
    RECT rcWindow = {};
    wnd.GetWindowRect(&rcWindow);
    wnd.ScreenToClient(&rcWindow);
    if (wnd.GetExStyle() & WS_EX_LAYOUTRTL)
    {
        const LONG nLeft = rcWindow.left;
        rcWindow.left = rcWindow.right;
        rcWindow.right = nLeft;
    }
    return rcWindow;
}
}  // namespace

CPropertySheetLayout::CPropertySheetLayout()
{
    LiveSheets().insert(this);
}

CPropertySheetLayout::~CPropertySheetLayout()
{
    LiveSheets().erase(this);
}

bool CPropertySheetLayout::IsLiveSheet(const void* p)
{
    return p != nullptr && LiveSheets().count(p) != 0;
}

CDialogLayout::CDialogLayout(UINT nIDTemplate, LPCWSTR lpszSection)
    : CDialog(nIDTemplate, nullptr),
      m_nPlacementFlags(GLL_RESTORE_POSITION | GLL_RESTORE_SIZE),
      m_nSizeGripAllowance(0),
      m_bSizeGripEnabled(true),
      m_nSizeGripWidth(0),
      m_nSizeGripHeight(0),
      m_nMinWindowWidth(0),
      m_nMinWindowHeight(0)
{
    if (lpszSection != nullptr)
        m_strProfileSection = lpszSection;
}

CDialogLayout::~CDialogLayout()
{
    if (m_wndSizeGrip.IsWindow())
        m_wndSizeGrip.DestroyWindow();
    if (!m_strProfileSection.IsEmpty() && m_hWnd != nullptr)
        SavePlacement(this, m_strProfileSection);
    if (m_hWnd != nullptr)
        CWnd::DestroyWindow();
}

BOOL CDialogLayout::DestroyWindow()
{
    if (!m_strProfileSection.IsEmpty() && m_hWnd != nullptr)
        SavePlacement(this, m_strProfileSection);
    return CWnd::DestroyWindow();
}

BOOL CDialogLayout::OnInitDialog()
{
    CDialog::OnInitDialog();
    ModifyStyle(0, WS_CLIPCHILDREN, 0);
    m_layout.ResetLayout();
    if (!(static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE)) & WS_THICKFRAME))
    {
        m_nPlacementFlags &= ~GLL_RESTORE_SIZE;
        m_bSizeGripEnabled = false;
    }
    if (m_bSizeGripEnabled)
        CreateSizeGrip();
    m_layout.m_pHostDlg = this;
    m_layout.m_strProfileSection = m_strProfileSection;
    return TRUE;
}

void CDialogLayout::CreateSizeGrip()
{
    RECT rcClient = {};
    GetClientRect(&rcClient);
    HWND hExisting = ::GetDlgItem(m_hWnd, static_cast<int>(GLL_SIZE_GRIP_ID));
    if (hExisting != nullptr && ::IsWindow(hExisting))
        return;
    m_wndSizeGrip.Create(L"SCROLLBAR", L"",
                         WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SBS_SIZEBOX | SBS_SIZEGRIP |
                             SBS_SIZEBOXBOTTOMRIGHTALIGN,
                         rcClient, this, GLL_SIZE_GRIP_ID);
    if (!m_wndSizeGrip.IsWindow())
        return;
    RECT rcGrip = {};
    m_wndSizeGrip.GetWindowRect(&rcGrip);
    m_nSizeGripWidth = rcGrip.right - rcGrip.left;
    m_nSizeGripHeight = rcGrip.bottom - rcGrip.top;
    const int nHeight = std::abs(m_nSizeGripHeight);
    m_nSizeGripAllowance = (nHeight > SCALED_10 ? nHeight : SCALED_10) - 5;
    if ((GetExStyle() & WS_EX_TOOLWINDOW) && m_layout.m_nThemeState == 0)
        m_nSizeGripAllowance = 4;
}

void CDialogLayout::EndGroup()
{
    if (m_layout.GetOpenGroupCount() >= 2)
    {
        m_layout.PopGroup();
        return;
    }
    RunFirstLayout();
    m_layout.ClearOpenGroups();
}

void CDialogLayout::RunFirstLayout()
{
    if (m_hWnd == nullptr || m_layout.m_pHostDlg == nullptr)
        return;
    const DWORD dwStyle = GetStyle();
    const RECT rcWindow = WindowRectInClient(*this);
    RECT rcClient = {};
    GetClientRect(&rcClient);
    const int nTop = HasCaption(dwStyle) ? rcClient.top - rcWindow.top : 0;
    const int nSide = (GetExStyle() & WS_EX_LAYOUTRTL) ? std::abs(rcWindow.right - rcClient.right)
                                                       : std::abs(rcClient.left - rcWindow.left);

    const int cx = ScaleX(::GetSystemMetrics(SM_CXDLGFRAME));
    const int cy = ScaleX(::GetSystemMetrics(SM_CYDLGFRAME));
    const int nOS = m_layout.m_nOSVersion;
    const int e = (nOS == 100 && (dwStyle & (WS_POPUP | WS_THICKFRAME))) ? cx - 1 : 0;
    CLayoutGroupObj& root = m_layout.m_root;
    root.m_rcInsets = {cx, cy, 2 * cx + e, 2 * cy};
    if (m_nSizeGripAllowance != 0)
        root.m_rcInsets.bottom -= cy;

    // Five resizes follow (the detour, the placement and its own detour);
    // under Wine each pass over the controls costs some 8 ms, so the places
    // are computed each time and taken once at the end.
    struct HeldMoves
    {
        CLayoutGroup& layout;
        explicit HeldMoves(CLayoutGroup& l) : layout(l) { layout.m_bHoldMoves = true; }
        ~HeldMoves() { layout.m_bHoldMoves = false; }
    };
    {
        const HeldMoves held(m_layout);
        m_layout.MeasureGroup(&root);
        root.m_rcInsets.bottom += m_nSizeGripAllowance;
        m_layout.PositionGroup(&root, root.m_rcInsets.left, root.m_rcInsets.top);

        m_nMinWindowWidth = root.m_rcMin.right + root.m_rcInsets.left + root.m_rcInsets.right + 2 * nSide +
                            (nOS >= 60 ? nSide : 0);
        m_nMinWindowHeight = root.m_rcMin.bottom + root.m_rcInsets.top + root.m_rcInsets.bottom + nTop;

        // The one-pixel detour makes sure a WM_SIZE arrives even when the size
        // ends up as it was.
        SetWindowPos(&wndTop, 0, 0, m_nMinWindowWidth + 1, m_nMinWindowHeight, SWP_NOZORDER | SWP_NOMOVE);
        SetWindowPos(&wndTop, 0, 0, m_nMinWindowWidth, m_nMinWindowHeight, SWP_NOZORDER | SWP_NOMOVE);

        if (!m_strProfileSection.IsEmpty() && (m_nPlacementFlags & (GLL_RESTORE_POSITION | GLL_RESTORE_SIZE)))
            RestorePlacement(this, m_strProfileSection, m_nPlacementFlags);
    }
    m_layout.ApplyPositions();
    m_layout.ClearOpenGroups();
}

BOOL CDialogLayout::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (WM_GLL_PROPPAGE_SIZED_SHEET != 0 && message == WM_GLL_PROPPAGE_SIZED_SHEET)
    {
        *pResult = OnPropPageSizedSheet(wParam, lParam);
        return TRUE;
    }
    switch (message)
    {
    case WM_SIZE:
        OnSize(static_cast<UINT>(wParam), static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        *pResult = 0;
        return TRUE;
    case WM_SETCURSOR:
        *pResult = OnSetCursor(CWnd::FromHandle(reinterpret_cast<HWND>(wParam)), LOWORD(lParam), HIWORD(lParam));
        return TRUE;
    case WM_GETMINMAXINFO:
        if (m_hWnd == nullptr)
            return CDialog::OnWndMsg(message, wParam, lParam, pResult);
        OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
        *pResult = 0;
        return TRUE;
    default:
        return CDialog::OnWndMsg(message, wParam, lParam, pResult);
    }
}

void CDialogLayout::OnSize(UINT /*nType*/, int /*cx*/, int /*cy*/)
{
    Default();
    if (m_wndSizeGrip.IsWindow())
    {
        RECT rcClient = {};
        GetClientRect(&rcClient);
        m_wndSizeGrip.InvalidateRect(nullptr, TRUE);
        m_wndSizeGrip.SetWindowPos(&wndBottom, rcClient.right - m_nSizeGripWidth - rcClient.left,
                                   rcClient.bottom - m_nSizeGripHeight - rcClient.top, 0, 0,
                                   SWP_NOSIZE | SWP_NOACTIVATE);
    }
    m_layout.Relayout();
}

BOOL CDialogLayout::OnSetCursor(CWnd* /*pWnd*/, UINT /*nHitTest*/, UINT /*message*/)
{
    if (m_bSizeGripEnabled)
    {
        const RECT rcWindow = WindowRectInClient(*this);
        const RECT rcCorner = {rcWindow.right - ::GetSystemMetrics(SM_CYVSCROLL),
                               rcWindow.bottom - ::GetSystemMetrics(SM_CXVSCROLL), rcWindow.right, rcWindow.bottom};
        POINT pt = {};
        ::GetCursorPos(&pt);
        ScreenToClient(&pt);
        if (::PtInRect(&rcCorner, pt))
        {
            ::SetCursor(::LoadCursorW(nullptr, IDC_SIZENWSE));
            return TRUE;
        }
    }
    return static_cast<BOOL>(Default());
}

void CDialogLayout::OnGetMinMaxInfo(MINMAXINFO* lpMMI)
{
    lpMMI->ptMinTrackSize.x = m_nMinWindowWidth;
    lpMMI->ptMinTrackSize.y = m_nMinWindowHeight;
}

LRESULT CDialogLayout::OnPropPageSizedSheet(WPARAM /*wParam*/, LPARAM lParam)
{
    // Any process can send this registered message with any number in it:
    // only the address of one of our own live sheets is ever dereferenced.
    const void* pSheetAddress = reinterpret_cast<const void*>(lParam);
    if (CPropertySheetLayout::IsLiveSheet(pSheetAddress))
    {
        auto* pSheet = static_cast<CPropertySheetLayout*>(const_cast<void*>(pSheetAddress));
        if (pSheet->IsKindOf(RUNTIME_CLASS(CPropertySheetLayout)) && pSheet->m_hWnd != nullptr)
        {
            if (CLayoutGroupObj* pItem = m_layout.FindItem(pSheet->m_hWnd))
            {
                RECT rc = {};
                pSheet->GetWindowRect(&rc);
                pItem->m_rcMin = {0, 0, rc.right - rc.left, rc.bottom - rc.top};
                pItem->m_bVisible = false;
                m_layout.RelayoutAfterChange(pItem, true);
            }
        }
    }

    if (m_hWnd == nullptr || m_layout.m_pHostDlg == nullptr)
        return 1;
    const int c = HasCaption(GetStyle()) ? ::GetSystemMetrics(SM_CYCAPTION) : 0;
    CLayoutGroupObj& root = m_layout.m_root;
    root.m_bVisible = false;
    m_layout.RelayoutAfterChange(&root, true);
    m_nMinWindowWidth = root.m_rcMin.right + root.m_rcInsets.left + root.m_rcInsets.right;
    m_nMinWindowHeight = root.m_rcMin.bottom + root.m_rcInsets.top + m_nSizeGripAllowance + c -
                         ::GetSystemMetrics(SM_CYDLGFRAME);
    RECT rcWindow = {};
    GetWindowRect(&rcWindow);
    const int nWidth = rcWindow.right - rcWindow.left;
    const int nHeight = rcWindow.bottom - rcWindow.top;
    SetWindowPos(&wndTop, 0, 0, nWidth > m_nMinWindowWidth ? nWidth : m_nMinWindowWidth,
                 nHeight > m_nMinWindowHeight ? nHeight : m_nMinWindowHeight, SWP_NOMOVE | SWP_NOZORDER);
    return 1;
}

#include "layout/LayoutWindows.h"

#include "framework/Wnd.h"

CLayoutWindows::~CLayoutWindows() = default;

CWnd* CLayoutWindows::GetDlgItem(CWnd* pHost, int nID)
{
    return pHost != nullptr ? pHost->GetDlgItem(nID) : nullptr;
}

BOOL CLayoutWindows::GetRectInHost(HWND hHost, HWND hWnd, RECT* pRect)
{
    if (!::GetWindowRect(hWnd, pRect))
        return FALSE;
    ::ScreenToClient(hHost, reinterpret_cast<POINT*>(&pRect->left));
    ::ScreenToClient(hHost, reinterpret_cast<POINT*>(&pRect->right));
    if (::GetWindowLongW(hHost, GWL_EXSTYLE) & WS_EX_LAYOUTRTL)
    {
        LONG left = pRect->left;
        pRect->left = pRect->right;
        pRect->right = left;
    }
    return TRUE;
}

BOOL CLayoutWindows::GetWindowRect(HWND hWnd, RECT* pRect)
{
    return ::GetWindowRect(hWnd, pRect);
}

void CLayoutWindows::GetClientRect(HWND hWnd, RECT* pRect)
{
    if (!::GetClientRect(hWnd, pRect))
        ::SetRectEmpty(pRect);
}

CString CLayoutWindows::GetWindowClass(HWND hWnd)
{
    wchar_t szClass[260] = {};
    ::GetClassNameW(hWnd, szClass, 260);
    return CString(szClass);
}

DWORD CLayoutWindows::GetStyle(HWND hWnd)
{
    return static_cast<DWORD>(::GetWindowLongW(hWnd, GWL_STYLE));
}

DWORD CLayoutWindows::GetExStyle(HWND hWnd)
{
    return static_cast<DWORD>(::GetWindowLongW(hWnd, GWL_EXSTYLE));
}

HWND CLayoutWindows::GetPrevWindow(HWND hWnd)
{
    return ::GetWindow(hWnd, GW_HWNDPREV);
}

void CLayoutWindows::MoveWindow(HWND hWnd, CWnd* pVia, const RECT& rc, BOOL bRepaint)
{
    if (pVia != nullptr)
        pVia->MoveWindow(&rc, bRepaint);
    else
        ::MoveWindow(hWnd, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, bRepaint);
}

BOOL CLayoutWindows::SetWindowPos(HWND hWnd, HWND hAfter, int x, int y, int cx, int cy, UINT nFlags)
{
    return ::SetWindowPos(hWnd, hAfter, x, y, cx, cy, nFlags);
}

void CLayoutWindows::ShowWindow(HWND hWnd, int nCmdShow)
{
    ::ShowWindow(hWnd, nCmdShow);
}

void CLayoutWindows::RedrawWindow(HWND hWnd, UINT nFlags)
{
    ::RedrawWindow(hWnd, nullptr, nullptr, nFlags);
}

void CLayoutWindows::BringWindowToTop(HWND hWnd)
{
    ::BringWindowToTop(hWnd);
}

void CLayoutWindows::FillBackground(HWND hHost, const RECT& rc, COLORREF crColor)
{
    HDC hDC = ::GetDC(hHost);
    if (hDC == nullptr)
        return;
    COLORREF crOld = ::SetBkColor(hDC, crColor);
    ::ExtTextOutW(hDC, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
    ::SetBkColor(hDC, crOld);
    ::ReleaseDC(hHost, hDC);
}

CLayoutWindows* CLayoutWindows::GetSystem()
{
    static CLayoutWindows s_system;
    return &s_system;
}

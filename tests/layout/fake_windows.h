#pragma once

#include <windows.h>

#include <map>
#include <memory>

#include "framework/Wnd.h"
#include "layout/LayoutDpi.h"
#include "layout/LayoutGroup.h"
#include "layout/LayoutWindows.h"

// Plain rectangles in place of child windows: ids map to made-up handles,
// and every move and redraw is counted.
class CFakeWindows : public CLayoutWindows
{
public:
    struct Window
    {
        CWnd object;
        RECT rc = {};
        CString strClass;
        DWORD dwStyle = 0;
        int nMoves = 0;
        UINT nLastRedraw = 0;
        int nRedraws = 0;
        bool bShown = false;
    };

    ~CFakeWindows() override
    {
        for (auto& entry : m_windows)
            entry.second->object.m_hWnd = nullptr;
    }

    HWND Add(int nID, int cx, int cy, const wchar_t* pszClass = L"Button", DWORD dwStyle = 0)
    {
        auto pWindow = std::make_unique<Window>();
        HWND hWnd = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x10000 + nID));
        pWindow->object.m_hWnd = hWnd;
        pWindow->rc = {0, 0, cx, cy};
        pWindow->strClass = pszClass;
        pWindow->dwStyle = dwStyle;
        m_windows[hWnd] = std::move(pWindow);
        return hWnd;
    }

    Window& Get(int nID) { return *m_windows.at(reinterpret_cast<HWND>(static_cast<INT_PTR>(0x10000 + nID))); }
    int TotalMoves() const
    {
        int n = 0;
        for (const auto& entry : m_windows)
            n += entry.second->nMoves;
        return n;
    }

    CWnd* GetDlgItem(CWnd* /*pHost*/, int nID) override
    {
        auto it = m_windows.find(reinterpret_cast<HWND>(static_cast<INT_PTR>(0x10000 + nID)));
        return it == m_windows.end() ? nullptr : &it->second->object;
    }
    BOOL GetRectInHost(HWND /*hHost*/, HWND hWnd, RECT* pRect) override { return GetWindowRect(hWnd, pRect); }
    BOOL GetWindowRect(HWND hWnd, RECT* pRect) override
    {
        auto it = m_windows.find(hWnd);
        if (it == m_windows.end())
            return FALSE;
        *pRect = it->second->rc;
        return TRUE;
    }
    void GetClientRect(HWND /*hWnd*/, RECT* pRect) override { *pRect = m_rcClient; }
    CString GetWindowClass(HWND hWnd) override { return m_windows.at(hWnd)->strClass; }
    DWORD GetStyle(HWND hWnd) override
    {
        auto it = m_windows.find(hWnd);
        return it == m_windows.end() ? m_dwHostStyle : it->second->dwStyle;
    }
    DWORD GetExStyle(HWND /*hWnd*/) override { return 0; }
    HWND GetPrevWindow(HWND /*hWnd*/) override { return nullptr; }
    void MoveWindow(HWND hWnd, CWnd* /*pVia*/, const RECT& rc, BOOL /*bRepaint*/) override
    {
        Window& window = *m_windows.at(hWnd);
        window.rc = rc;
        ++window.nMoves;
    }
    BOOL SetWindowPos(HWND hWnd, HWND /*hAfter*/, int x, int y, int cx, int cy, UINT nFlags) override
    {
        Window& window = *m_windows.at(hWnd);
        if (!(nFlags & SWP_NOMOVE))
            ::OffsetRect(&window.rc, x - window.rc.left, y - window.rc.top);
        if (!(nFlags & SWP_NOSIZE))
        {
            window.rc.right = window.rc.left + cx;
            window.rc.bottom = window.rc.top + cy;
        }
        if (nFlags & SWP_SHOWWINDOW)
            window.bShown = true;
        if (nFlags & SWP_HIDEWINDOW)
            window.bShown = false;
        return TRUE;
    }
    void ShowWindow(HWND hWnd, int nCmdShow) override { m_windows.at(hWnd)->bShown = nCmdShow != SW_HIDE; }
    void RedrawWindow(HWND hWnd, UINT nFlags) override
    {
        Window& window = *m_windows.at(hWnd);
        window.nLastRedraw = nFlags;
        ++window.nRedraws;
    }
    void BringWindowToTop(HWND /*hWnd*/) override {}
    void FillBackground(HWND /*hHost*/, const RECT& /*rc*/, COLORREF /*crColor*/) override { ++m_nFills; }

    RECT m_rcClient = {0, 0, 400, 300};
    // Any window not added is the host.
    DWORD m_dwHostStyle = WS_VISIBLE;
    int m_nFills = 0;

private:
    std::map<HWND, std::unique_ptr<Window>> m_windows;
};

// Sets the DPI record (and the start-up lengths) for one test and puts the
// previous values back afterwards.
class CScopedDpi
{
public:
    CScopedDpi(int dpiX, int dpiY) : m_saved(GetLayoutDpi())
    {
        GetLayoutDpi() = {dpiX, dpiY, TRUE};
        CLayoutScaledLengths::Compute();
    }
    ~CScopedDpi()
    {
        GetLayoutDpi() = m_saved;
        CLayoutScaledLengths::Compute();
    }
    CScopedDpi(const CScopedDpi&) = delete;
    CScopedDpi& operator=(const CScopedDpi&) = delete;

private:
    LayoutDpi m_saved;
};

// A layout over fake windows with a made-up host dialog handle.
struct CFakeLayout
{
    CFakeLayout()
    {
        m_host.m_hWnd = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7777));
        m_layout.SetWindows(&m_windows);
        m_layout.m_pHostDlg = &m_host;
    }
    ~CFakeLayout()
    {
        m_layout.ResetLayout();
        m_host.m_hWnd = nullptr;
    }

    void Measure() { m_layout.MeasureGroup(&m_layout.m_root); }
    void Layout(int cx, int cy)
    {
        m_windows.m_rcClient = {0, 0, cx, cy};
        m_layout.Relayout();
    }
    CLayoutGroupObj* Item(int nID) { return m_layout.FindItem(m_windows.Get(nID).object.m_hWnd); }
    RECT Rect(int nID) { return m_windows.Get(nID).rc; }

    CFakeWindows m_windows;
    CWnd m_host;
    CLayoutGroup m_layout;
};

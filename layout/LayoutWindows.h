#pragma once

#include <windows.h>

#include "framework/String.h"

class CWnd;

// Every window read and write of the layout passes goes through this object,
// so that the geometry can run over plain rectangles as well as over real
// child windows. The base class talks to Win32.
class CLayoutWindows
{
public:
    virtual ~CLayoutWindows();

    virtual CWnd* GetDlgItem(CWnd* pHost, int nID);
    // hWnd's window rectangle in hHost's client coordinates, left and right
    // swapped when hHost is laid out right to left.
    virtual BOOL GetRectInHost(HWND hHost, HWND hWnd, RECT* pRect);
    // The window rectangle in screen coordinates.
    virtual BOOL GetWindowRect(HWND hWnd, RECT* pRect);
    virtual void GetClientRect(HWND hWnd, RECT* pRect);
    virtual CString GetWindowClass(HWND hWnd);
    virtual DWORD GetStyle(HWND hWnd);
    virtual DWORD GetExStyle(HWND hWnd);
    virtual HWND GetPrevWindow(HWND hWnd);
    // pVia: move through that object's CWnd::MoveWindow instead of the handle.
    virtual void MoveWindow(HWND hWnd, CWnd* pVia, const RECT& rc, BOOL bRepaint);
    virtual BOOL SetWindowPos(HWND hWnd, HWND hAfter, int x, int y, int cx, int cy, UINT nFlags);
    virtual void ShowWindow(HWND hWnd, int nCmdShow);
    virtual void RedrawWindow(HWND hWnd, UINT nFlags);
    virtual void BringWindowToTop(HWND hWnd);
    // Fills rc of the host's client area with crColor.
    virtual void FillBackground(HWND hHost, const RECT& rc, COLORREF crColor);

    // The shared Win32 instance.
    static CLayoutWindows* GetSystem();
};

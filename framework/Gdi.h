#pragma once

#include <windows.h>

#include "framework/Object.h"
#include "framework/String.h"

class CWnd;

// Owns its GDI object: the destructor deletes what Attach or a Create took.
class CGdiObject : public CObject
{
    DECLARE_DYNAMIC(CGdiObject)

public:
    CGdiObject() : m_hObject(nullptr) {}
    ~CGdiObject() override { DeleteObject(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    HGDIOBJ m_hObject;

    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    BOOL Attach(HGDIOBJ hObject);
    HGDIOBJ Detach();
    BOOL DeleteObject();
};

class CFont : public CGdiObject
{
    DECLARE_DYNAMIC(CFont)

public:
    operator HFONT() const { return static_cast<HFONT>(m_hObject); }

    BOOL CreateFontIndirect(const LOGFONTW* lpLogFont);
    // Height in tenths of a point for the screen (or the given DC).
    BOOL CreatePointFont(int nPointSize, LPCWSTR lpszFaceName, HDC hDC = nullptr);
    int GetLogFont(LOGFONTW* pLogFont) const;
};

class CBrush : public CGdiObject
{
    DECLARE_DYNAMIC(CBrush)

public:
    CBrush() = default;
    explicit CBrush(COLORREF crColor) { CreateSolidBrush(crColor); }
    operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }

    BOOL CreateSolidBrush(COLORREF crColor);
};

// Device-context wrapper. A plain CDC deletes a DC it created or attached;
// the window DCs below release theirs the way they were obtained.
class CDC : public CObject
{
    DECLARE_DYNAMIC(CDC)

public:
    CDC() : m_hDC(nullptr) {}
    ~CDC() override;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    HDC m_hDC;

    operator HDC() const { return m_hDC; }
    HDC GetSafeHdc() const { return m_hDC; }

    // A non-owning wrapper that lives until the modal loop next goes idle.
    static CDC* FromHandle(HDC hDC);
    static void DeleteTempMap();

    BOOL Attach(HDC hDC);
    HDC Detach();
    BOOL CreateCompatibleDC(CDC* pDC);
    BOOL DeleteDC();

    // Wrappers select their handle; each overload returns the handle it
    // replaced. Without the wrapper overloads a wrapper's address would
    // convert to HGDIOBJ silently and select nothing.
    HGDIOBJ SelectObject(HGDIOBJ hObject) { return ::SelectObject(m_hDC, hObject); }
    HGDIOBJ SelectObject(const CGdiObject* pObject) { return ::SelectObject(m_hDC, pObject->m_hObject); }
    HFONT SelectObject(const CFont* pFont) { return static_cast<HFONT>(::SelectObject(m_hDC, pFont->m_hObject)); }
    HBRUSH SelectObject(const CBrush* pBrush) { return static_cast<HBRUSH>(::SelectObject(m_hDC, pBrush->m_hObject)); }
    int GetDeviceCaps(int nIndex) const { return ::GetDeviceCaps(m_hDC, nIndex); }
    COLORREF SetBkColor(COLORREF crColor) { return ::SetBkColor(m_hDC, crColor); }
    COLORREF SetTextColor(COLORREF crColor) { return ::SetTextColor(m_hDC, crColor); }
    int SetBkMode(int nBkMode) { return ::SetBkMode(m_hDC, nBkMode); }
    void FillSolidRect(LPCRECT lpRect, COLORREF clr);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF clr);
    BOOL FillRect(LPCRECT lpRect, HBRUSH hBrush) { return ::FillRect(m_hDC, lpRect, hBrush); }
    int DrawText(LPCWSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat)
    {
        return ::DrawTextW(m_hDC, lpszString, nCount, lpRect, nFormat);
    }
    int DrawText(const CString& str, LPRECT lpRect, UINT nFormat)
    {
        return DrawText(str, str.GetLength(), lpRect, nFormat);
    }
    SIZE GetTextExtent(LPCWSTR lpszString, int nCount) const;
    SIZE GetTextExtent(const CString& str) const { return GetTextExtent(str, str.GetLength()); }
    BOOL DrawIcon(int x, int y, HICON hIcon) { return ::DrawIcon(m_hDC, x, y, hIcon); }
    BOOL DrawFrameControl(LPRECT lpRect, UINT nType, UINT nState)
    {
        return ::DrawFrameControl(m_hDC, lpRect, nType, nState);
    }
    // Inverts a frame of the given thickness around lpRect in the halftone
    // pattern; with lpRectLast, the frame drawn there before is erased in the
    // same pass (only the difference is touched, so nothing flickers).
    void DrawDragRect(LPCRECT lpRect, SIZE size, LPCRECT lpRectLast, SIZE sizeLast);

protected:
    bool m_bTemporary = false;
};

class CPaintDC : public CDC
{
    DECLARE_DYNAMIC(CPaintDC)

public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;

    PAINTSTRUCT m_ps;

private:
    HWND m_hWnd;
};

// The DC of a whole window, frame and caption included.
class CWindowDC : public CDC
{
    DECLARE_DYNAMIC(CWindowDC)

public:
    explicit CWindowDC(CWnd* pWnd);
    ~CWindowDC() override;

private:
    HWND m_hWnd;
};

class CClientDC : public CDC
{
    DECLARE_DYNAMIC(CClientDC)

public:
    explicit CClientDC(CWnd* pWnd);
    ~CClientDC() override;

private:
    HWND m_hWnd;
};

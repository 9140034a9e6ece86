#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <type_traits>

#include "framework/Object.h"
#include "framework/String.h"

// Notifications a parent hands back to the control that sent them arrive in
// the control's own OnWndMsg under this offset (WM_REFLECT_BASE + WM_NOTIFY,
// WM_REFLECT_BASE + WM_COMMAND). The range is private to the framework: it is
// dispatched directly, never posted or sent.
constexpr UINT WM_REFLECT_BASE = 0xBC00;
constexpr UINT WM_REFLECT_NOTIFY = WM_REFLECT_BASE + WM_NOTIFY;
constexpr UINT WM_REFLECT_COMMAND = WM_REFLECT_BASE + WM_COMMAND;

class CDC;

// Window wrapper. It never owns its HWND: Attach/Detach bind and unbind,
// DestroyWindow destroys explicitly. A bound window is subclassed, so its
// messages reach WindowProc, and it is listed in the permanent map that
// FromHandle consults.
class CWnd : public CObject
{
    DECLARE_DYNAMIC(CWnd)

public:
    CWnd();
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd;

    // Z-order placeholders for SetWindowPos(&CWnd::wndBottom, ...). They are
    // plain constants, so they exist before any static constructor runs.
    struct CZOrder
    {
        INT_PTR m_nInsertAfter;
        HWND GetHandle() const { return reinterpret_cast<HWND>(m_nInsertAfter); }
    };
    static constexpr CZOrder wndTop = {0};
    static constexpr CZOrder wndBottom = {1};
    static constexpr CZOrder wndTopMost = {-1};
    static constexpr CZOrder wndNoTopMost = {-2};

    operator HWND() const { return m_hWnd; }
    HWND GetSafeHwnd() const { return m_hWnd; }

    // Binding.
    BOOL Attach(HWND hWnd);
    HWND Detach();
    BOOL SubclassWindow(HWND hWnd);
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
    HWND UnsubclassWindow();
    virtual void PreSubclassWindow();

    // The attached object, or a temporary one that lives until the handling
    // of the current message has returned and a loop next goes idle (callers
    // must not keep it across messages). Null for a null handle.
    static CWnd* FromHandle(HWND hWnd);
    static CWnd* FromHandlePermanent(HWND hWnd);
    static void DeleteTempMap();

    // Creation and destruction.
    virtual BOOL Create(LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle,
                        const RECT& rect, CWnd* pParentWnd, UINT nID, void* pContext = nullptr);
    virtual BOOL CreateEx(DWORD dwExStyle, LPCWSTR lpszClassName, LPCWSTR lpszWindowName,
                          DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID,
                          LPVOID lpParam = nullptr);
    virtual BOOL DestroyWindow();

    // Message handling. WindowProc runs OnWndMsg and, when that declines,
    // DefWindowProc; Default() passes the message being handled on.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default();
    const MSG* GetCurrentMessage() const;

    // WM_COMMAND after reflection; TRUE when handled.
    virtual BOOL OnCommand(UINT nID, UINT nCode);
    // WM_NOTIFY after reflection; TRUE when handled, *pResult is the answer.
    virtual BOOL OnNotify(UINT nID, NMHDR* pNMHDR, LRESULT* pResult);
    // Called on the child for notifications its parent received. TRUE stops
    // the parent from seeing the message. Meanwhile the child's current
    // message is its own (child window, WM_REFLECT_BASE + message, same
    // wParam and lParam), and Default() does nothing and answers 0.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::PostMessageW(m_hWnd, message, wParam, lParam);
    }

    // Window operations.
    BOOL IsWindow() const { return m_hWnd != nullptr && ::IsWindow(m_hWnd); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE)); }
    DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_EXSTYLE)); }
    BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
    BOOL ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
    CWnd* GetDlgItem(int nID) const;
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    CWnd* GetParent() const;
    CWnd* GetWindow(UINT nCmd) const;
    static CWnd* GetSafeOwner(CWnd* pParent = nullptr, HWND* pWndTop = nullptr);
    void GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }
    void GetWindowRect(LPRECT lpRect) const { ::GetWindowRect(m_hWnd, lpRect); }
    void ScreenToClient(LPPOINT lpPoint) const { ::ScreenToClient(m_hWnd, lpPoint); }
    void ScreenToClient(LPRECT lpRect) const;
    void ClientToScreen(LPPOINT lpPoint) const { ::ClientToScreen(m_hWnd, lpPoint); }
    void ClientToScreen(LPRECT lpRect) const;
    // NULL and nullptr take the CWnd overload (no window: HWND_TOP); the
    // placeholder overload is a template so that they cannot match it too.
    BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
    template <typename Z, typename = std::enable_if_t<std::is_same_v<Z, CZOrder>>>
    BOOL SetWindowPos(const Z* pInsertAfter, int x, int y, int cx, int cy, UINT nFlags)
    {
        return ::SetWindowPos(m_hWnd, pInsertAfter->GetHandle(), x, y, cx, cy, nFlags);
    }
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
    void MoveWindow(LPCRECT lpRect, BOOL bRepaint = TRUE);
    BOOL GetWindowPlacement(WINDOWPLACEMENT* lpwndpl) const;
    BOOL SetWindowPlacement(const WINDOWPLACEMENT* lpwndpl);
    BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    BOOL IsZoomed() const { return ::IsZoomed(m_hWnd); }
    BOOL EnableWindow(BOOL bEnable = TRUE) { return ::EnableWindow(m_hWnd, bEnable); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    CWnd* SetFocus();
    static CWnd* GetFocus();
    void Invalidate(BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, bErase); }
    void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, lpRect, bErase); }
    BOOL RedrawWindow(LPCRECT lpRectUpdate = nullptr, HRGN hrgnUpdate = nullptr,
                      UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE)
    {
        return ::RedrawWindow(m_hWnd, lpRectUpdate, hrgnUpdate, flags);
    }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    // Temporary wrappers (see FromHandle) of the client-area and whole-window
    // DCs; give each back with ReleaseDC.
    CDC* GetDC();
    CDC* GetWindowDC();
    int ReleaseDC(CDC* pDC);
    CWnd* SetCapture() { return FromHandle(::SetCapture(m_hWnd)); }
    static CWnd* GetCapture() { return FromHandle(::GetCapture()); }
    void SetRedraw(BOOL bRedraw = TRUE) { SendMessage(WM_SETREDRAW, bRedraw, 0); }
    void SetWindowText(LPCWSTR lpszString) { ::SetWindowTextW(m_hWnd, lpszString); }
    void GetWindowText(CString& rString) const;
    CString GetWindowText() const;
    int GetWindowTextLength() const { return ::GetWindowTextLengthW(m_hWnd); }
    void SetFont(HFONT hFont, BOOL bRedraw = TRUE) { SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(hFont), bRedraw); }
    HFONT GetFont() const { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    HMENU GetSystemMenu(BOOL bRevert) const { return ::GetSystemMenu(m_hWnd, bRevert); }
    void DragAcceptFiles(BOOL bAccept = TRUE) { ::DragAcceptFiles(m_hWnd, bAccept); }
    BOOL CheckDlgButton(int nIDButton, UINT nCheck) { return ::CheckDlgButton(m_hWnd, nIDButton, nCheck); }
    UINT IsDlgButtonChecked(int nIDButton) const { return ::IsDlgButtonChecked(m_hWnd, nIDButton); }
    void SetDlgItemText(int nID, LPCWSTR lpszString) { ::SetDlgItemTextW(m_hWnd, nID, lpszString); }

protected:
    // Called after the window received WM_NCDESTROY and was detached.
    virtual void PostNcDestroy();

    friend LRESULT CALLBACK FrameworkWndProc(HWND, UINT, WPARAM, LPARAM);

private:
    static void Unhook(HWND hWnd);

    bool m_bSubclassed;
    bool m_bTemporary;
};

// Runs one message through a bound window's WindowProc with the framework's
// bookkeeping (current message for Default(), exception boundary: a handler
// that throws leaves the message its default processing).
LRESULT AfxCallWndProc(CWnd* pWnd, HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// Whether a window message is being handled further up this thread's stack.
// Temporary wrappers handed out during that handling must live until it
// returns, so message loops free them only when this is false.
bool AfxIsHandlingMessage();

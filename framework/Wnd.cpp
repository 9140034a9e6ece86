#include "framework/Wnd.h"

#include <unordered_map>

#include "framework/Collections.h"
#include "framework/Gdi.h"
#include "framework/Module.h"
#include "framework/WinApp.h"

IMPLEMENT_DYNAMIC(CWnd, CObject)

namespace {

// Windows belong to the thread that created them, and so do their maps.
thread_local std::unordered_map<HWND, CWnd*> t_permanentMap;
// The procedure each window we hooked had before. The hook replaces the
// window procedure itself rather than going through SetWindowSubclass: under
// Wine every message through a comctl32 subclass looks its data up as a
// window property through the wine server, which made each list-view notice
// to the dialog cost as much as creating a hard link.
thread_local std::unordered_map<HWND, WNDPROC> t_superProcs;
thread_local std::unordered_map<HWND, CWnd*> t_temporaryMap;
thread_local MSG t_currentMsg;
// How many window messages this thread is handling further up its stack.
thread_local int t_nWndProcDepth = 0;

class CWndProcDepth
{
public:
    CWndProcDepth() { ++t_nWndProcDepth; }
    ~CWndProcDepth() { --t_nWndProcDepth; }
    CWndProcDepth(const CWndProcDepth&) = delete;
    CWndProcDepth& operator=(const CWndProcDepth&) = delete;
};

// Makes a message current for Default() and GetCurrentMessage(), and puts
// the previous one back however the handling ends.
class CCurrentMessage
{
public:
    CCurrentMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) : m_saved(t_currentMsg)
    {
        t_currentMsg = MSG{};
        t_currentMsg.hwnd = hWnd;
        t_currentMsg.message = message;
        t_currentMsg.wParam = wParam;
        t_currentMsg.lParam = lParam;
    }
    ~CCurrentMessage() { t_currentMsg = m_saved; }
    CCurrentMessage(const CCurrentMessage&) = delete;
    CCurrentMessage& operator=(const CCurrentMessage&) = delete;

private:
    const MSG m_saved;
};

// No exception may unwind through the system's window procedures: whatever
// a handler throws ends here. Returns false when it threw.
template <typename F>
bool RunAtBoundary(F&& f)
{
    try
    {
        f();
        return true;
    }
    catch (CInvalidArgException* e)
    {
        e->Delete();
    }
    catch (...)
    {
    }
    return false;
}

bool IsReflectedMessage(UINT message)
{
    return message >= WM_REFLECT_BASE && message < WM_REFLECT_BASE + WM_USER;
}

// The child handles a notification of its parent as a message of its own.
BOOL ReflectToChild(CWnd* pChild, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    CCurrentMessage current(pChild->m_hWnd, WM_REFLECT_BASE + message, wParam, lParam);
    return pChild->OnChildNotify(message, wParam, lParam, pResult);
}

}  // namespace

bool AfxIsHandlingMessage()
{
    return t_nWndProcDepth > 0;
}

LRESULT CALLBACK FrameworkWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

void CWnd::Unhook(HWND hWnd)
{
    auto it = t_superProcs.find(hWnd);
    if (it == t_superProcs.end())
        return;
    // Only a procedure on top can be taken out; below another hook ours
    // stays and passes messages on until the window goes.
    if (reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hWnd, GWLP_WNDPROC)) == FrameworkWndProc)
    {
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(it->second));
        t_superProcs.erase(it);
    }
}

LRESULT CALLBACK FrameworkWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto itSuper = t_superProcs.find(hWnd);
    const WNDPROC pfnSuper = itSuper != t_superProcs.end() ? itSuper->second : ::DefWindowProcW;
    auto itWnd = t_permanentMap.find(hWnd);
    CWnd* pWnd = itWnd != t_permanentMap.end() && itWnd->second->m_bSubclassed ? itWnd->second : nullptr;
    // A window whose object let go while another hook sat above ours keeps
    // our procedure in its chain; it passes everything on.
    LRESULT lResult = pWnd != nullptr ? AfxCallWndProc(pWnd, hWnd, message, wParam, lParam)
                                      : ::CallWindowProcW(pfnSuper, hWnd, message, wParam, lParam);
    if (message == WM_NCDESTROY)
    {
        if (reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hWnd, GWLP_WNDPROC)) == FrameworkWndProc)
            ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pfnSuper));
        t_superProcs.erase(hWnd);
        if (pWnd != nullptr && pWnd->m_hWnd == hWnd)
        {
            t_permanentMap.erase(hWnd);
            pWnd->m_hWnd = nullptr;
            pWnd->m_bSubclassed = false;
            CWndProcDepth depth;
            RunAtBoundary([pWnd] { pWnd->PostNcDestroy(); });
        }
    }
    return lResult;
}

LRESULT AfxCallWndProc(CWnd* pWnd, HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWndProcDepth depth;
    CCurrentMessage current(hWnd, message, wParam, lParam);
    LRESULT lResult = 0;
    if (!RunAtBoundary([&] { lResult = pWnd->WindowProc(message, wParam, lParam); }))
    {
        // A bare 0 is a harmful answer to some messages (WM_NCHITTEST,
        // WM_GETDLGCODE, WM_QUERYENDSESSION): the system's answer is safer.
        lResult = 0;
        if (pWnd->m_hWnd == hWnd)
            RunAtBoundary([&] { lResult = pWnd->DefWindowProc(message, wParam, lParam); });
    }
    return lResult;
}

CWnd::CWnd()
    : m_hWnd(nullptr), m_bSubclassed(false), m_bTemporary(false)
{
}

CWnd::~CWnd()
{
    // The window may outlive its wrapper (a control of a dialog that is
    // still open): unhook it so that no message reaches a dead object.
    if (m_hWnd != nullptr && !m_bTemporary)
    {
        auto it = t_permanentMap.find(m_hWnd);
        if (it != t_permanentMap.end() && it->second == this)
        {
            if (m_bSubclassed)
                Unhook(m_hWnd);
            t_permanentMap.erase(it);
        }
    }
}

BOOL CWnd::Attach(HWND hWnd)
{
    if (hWnd == nullptr || m_hWnd != nullptr || !::IsWindow(hWnd))
        return FALSE;
    if (t_permanentMap.count(hWnd) != 0)
        return FALSE;
    t_permanentMap[hWnd] = this;
    m_hWnd = hWnd;
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND hWnd = m_hWnd;
    if (hWnd == nullptr)
        return nullptr;
    if (m_bSubclassed)
    {
        Unhook(hWnd);
        m_bSubclassed = false;
    }
    auto it = t_permanentMap.find(hWnd);
    if (it != t_permanentMap.end() && it->second == this)
        t_permanentMap.erase(it);
    m_hWnd = nullptr;
    return hWnd;
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (!Attach(hWnd))
        return FALSE;
    PreSubclassWindow();
    // Still in the chain from an earlier object (another hook went on top of
    // ours): that procedure serves this object too.
    if (t_superProcs.count(hWnd) == 0)
    {
        ::SetLastError(0);
        const LONG_PTR previous =
            ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FrameworkWndProc));
        if (previous == 0 && ::GetLastError() != 0)
        {
            Detach();
            return FALSE;
        }
        t_superProcs[hWnd] = reinterpret_cast<WNDPROC>(previous);
    }
    m_bSubclassed = true;
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent)
{
    if (pParent == nullptr || pParent->m_hWnd == nullptr)
        return FALSE;
    HWND hCtl = ::GetDlgItem(pParent->m_hWnd, static_cast<int>(nID));
    return hCtl != nullptr && SubclassWindow(hCtl);
}

HWND CWnd::UnsubclassWindow()
{
    return Detach();
}

void CWnd::PreSubclassWindow()
{
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    auto it = t_permanentMap.find(hWnd);
    return it == t_permanentMap.end() ? nullptr : it->second;
}

CWnd* CWnd::FromHandle(HWND hWnd)
{
    if (hWnd == nullptr)
        return nullptr;
    if (CWnd* pWnd = FromHandlePermanent(hWnd))
        return pWnd;
    auto it = t_temporaryMap.find(hWnd);
    if (it != t_temporaryMap.end())
        return it->second;
    CWnd* pTemp = new CWnd;
    pTemp->m_hWnd = hWnd;
    pTemp->m_bTemporary = true;
    t_temporaryMap[hWnd] = pTemp;
    return pTemp;
}

void CWnd::DeleteTempMap()
{
    for (auto& entry : t_temporaryMap)
    {
        entry.second->m_hWnd = nullptr;
        delete entry.second;
    }
    t_temporaryMap.clear();
}

BOOL CWnd::Create(LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle,
                  const RECT& rect, CWnd* pParentWnd, UINT nID, void* /*pContext*/)
{
    return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCWSTR lpszClassName, LPCWSTR lpszWindowName,
                    DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID, LPVOID lpParam)
{
    if (m_hWnd != nullptr)
        return FALSE;
    HWND hParent = pParentWnd != nullptr ? pParentWnd->m_hWnd : nullptr;
    HMENU hMenuOrId = (dwStyle & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)) : nullptr;
    HWND hWnd = ::CreateWindowExW(dwExStyle, lpszClassName, lpszWindowName != nullptr ? lpszWindowName : L"",
                                  dwStyle, rect.left, rect.top, rect.right - rect.left,
                                  rect.bottom - rect.top, hParent, hMenuOrId,
                                  AfxGetInstanceHandle(), lpParam);
    if (hWnd == nullptr)
        return FALSE;
    if (!SubclassWindow(hWnd))
    {
        ::DestroyWindow(hWnd);
        return FALSE;
    }
    return TRUE;
}

BOOL CWnd::DestroyWindow()
{
    if (m_hWnd == nullptr)
        return FALSE;
    HWND hWnd = m_hWnd;
    const bool bSubclassed = m_bSubclassed;
    BOOL bResult = ::DestroyWindow(hWnd);
    // A subclassed window detaches itself on WM_NCDESTROY; an attached-only
    // one has to be released here.
    if (!bSubclassed && m_hWnd == hWnd && !::IsWindow(hWnd))
        Detach();
    return bResult;
}

void CWnd::PostNcDestroy()
{
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT lResult = 0;
    if (!OnWndMsg(message, wParam, lParam, &lResult))
        lResult = DefWindowProc(message, wParam, lParam);
    return lResult;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    switch (message)
    {
    case WM_COMMAND:
    {
        HWND hCtl = reinterpret_cast<HWND>(lParam);
        if (hCtl != nullptr)
        {
            CWnd* pChild = FromHandlePermanent(hCtl);
            if (pChild != nullptr && pChild != this && ReflectToChild(pChild, message, wParam, lParam, pResult))
                return TRUE;
        }
        if (OnCommand(LOWORD(wParam), HIWORD(wParam)))
        {
            *pResult = 0;
            return TRUE;
        }
        // Commands nobody in the window handled go to the application, as a
        // menu or accelerator command of the main window would.
        CWinApp* pApp = AfxGetApp();
        if (pApp != nullptr && pApp->m_pMainWnd == this && pApp->OnCommand(LOWORD(wParam), HIWORD(wParam)))
        {
            *pResult = 0;
            return TRUE;
        }
        return FALSE;
    }
    case WM_NOTIFY:
    {
        NMHDR* pNMHDR = reinterpret_cast<NMHDR*>(lParam);
        if (pNMHDR == nullptr)
            return FALSE;
        CWnd* pChild = FromHandlePermanent(pNMHDR->hwndFrom);
        if (pChild != nullptr && pChild != this && ReflectToChild(pChild, message, wParam, lParam, pResult))
            return TRUE;
        LRESULT lResult = 0;
        if (OnNotify(static_cast<UINT>(pNMHDR->idFrom), pNMHDR, &lResult))
        {
            *pResult = lResult;
            return TRUE;
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_bSubclassed)
    {
        auto it = t_superProcs.find(m_hWnd);
        if (it != t_superProcs.end())
            return ::CallWindowProcW(it->second, m_hWnd, message, wParam, lParam);
    }
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    // The control's own procedure never asked for its parent's notification.
    if (IsReflectedMessage(t_currentMsg.message))
        return 0;
    return DefWindowProc(t_currentMsg.message, t_currentMsg.wParam, t_currentMsg.lParam);
}

const MSG* CWnd::GetCurrentMessage() const
{
    return &t_currentMsg;
}

BOOL CWnd::OnCommand(UINT /*nID*/, UINT /*nCode*/)
{
    return FALSE;
}

BOOL CWnd::OnNotify(UINT /*nID*/, NMHDR* /*pNMHDR*/, LRESULT* /*pResult*/)
{
    return FALSE;
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    return OnWndMsg(WM_REFLECT_BASE + message, wParam, lParam, pResult);
}

namespace {

BOOL ModifyWindowLong(HWND hWnd, int nIndex, DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    const DWORD dwOld = static_cast<DWORD>(::GetWindowLongW(hWnd, nIndex));
    const DWORD dwNew = (dwOld & ~dwRemove) | dwAdd;
    if (dwOld == dwNew)
        return FALSE;
    ::SetWindowLongW(hWnd, nIndex, static_cast<LONG>(dwNew));
    if (nFlags != 0)
        ::SetWindowPos(hWnd, nullptr, 0, 0, 0, 0,
                       SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
    return TRUE;
}

}  // namespace

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    return ModifyWindowLong(m_hWnd, GWL_STYLE, dwRemove, dwAdd, nFlags);
}

BOOL CWnd::ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    return ModifyWindowLong(m_hWnd, GWL_EXSTYLE, dwRemove, dwAdd, nFlags);
}

CWnd* CWnd::GetDlgItem(int nID) const
{
    return FromHandle(::GetDlgItem(m_hWnd, nID));
}

CDC* CWnd::GetDC()
{
    return CDC::FromHandle(::GetDC(m_hWnd));
}

CDC* CWnd::GetWindowDC()
{
    return CDC::FromHandle(::GetWindowDC(m_hWnd));
}

int CWnd::ReleaseDC(CDC* pDC)
{
    return pDC != nullptr ? ::ReleaseDC(m_hWnd, pDC->m_hDC) : 0;
}

CWnd* CWnd::GetParent() const
{
    return FromHandle(::GetParent(m_hWnd));
}

CWnd* CWnd::GetWindow(UINT nCmd) const
{
    return FromHandle(::GetWindow(m_hWnd, nCmd));
}

CWnd* CWnd::GetSafeOwner(CWnd* pParent, HWND* pWndTop)
{
    HWND hWnd = pParent != nullptr ? pParent->m_hWnd : nullptr;
    if (hWnd == nullptr)
    {
        CWinApp* pApp = AfxGetApp();
        if (pApp != nullptr && pApp->m_pMainWnd != nullptr)
            hWnd = pApp->m_pMainWnd->m_hWnd;
    }
    // The owner of a dialog is a top-level window, never a child.
    while (hWnd != nullptr && (::GetWindowLongW(hWnd, GWL_STYLE) & WS_CHILD))
        hWnd = ::GetParent(hWnd);
    if (pWndTop != nullptr)
        *pWndTop = hWnd;
    if (pParent == nullptr && hWnd != nullptr)
        hWnd = ::GetLastActivePopup(hWnd);
    return FromHandle(hWnd);
}

void CWnd::ScreenToClient(LPRECT lpRect) const
{
    ::ScreenToClient(m_hWnd, reinterpret_cast<LPPOINT>(lpRect));
    ::ScreenToClient(m_hWnd, reinterpret_cast<LPPOINT>(lpRect) + 1);
    if (GetExStyle() & WS_EX_LAYOUTRTL)
        std::swap(lpRect->left, lpRect->right);
}

void CWnd::ClientToScreen(LPRECT lpRect) const
{
    ::ClientToScreen(m_hWnd, reinterpret_cast<LPPOINT>(lpRect));
    ::ClientToScreen(m_hWnd, reinterpret_cast<LPPOINT>(lpRect) + 1);
    if (GetExStyle() & WS_EX_LAYOUTRTL)
        std::swap(lpRect->left, lpRect->right);
}

BOOL CWnd::SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags)
{
    HWND hAfter = pWndInsertAfter != nullptr ? pWndInsertAfter->m_hWnd : nullptr;
    return ::SetWindowPos(m_hWnd, hAfter, x, y, cx, cy, nFlags);
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint)
{
    ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
}

void CWnd::MoveWindow(LPCRECT lpRect, BOOL bRepaint)
{
    MoveWindow(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top, bRepaint);
}

BOOL CWnd::GetWindowPlacement(WINDOWPLACEMENT* lpwndpl) const
{
    lpwndpl->length = sizeof(WINDOWPLACEMENT);
    return ::GetWindowPlacement(m_hWnd, lpwndpl);
}

BOOL CWnd::SetWindowPlacement(const WINDOWPLACEMENT* lpwndpl)
{
    WINDOWPLACEMENT wp = *lpwndpl;
    wp.length = sizeof(WINDOWPLACEMENT);
    return ::SetWindowPlacement(m_hWnd, &wp);
}

CWnd* CWnd::SetFocus()
{
    return FromHandle(::SetFocus(m_hWnd));
}

CWnd* CWnd::GetFocus()
{
    return FromHandle(::GetFocus());
}

void CWnd::GetWindowText(CString& rString) const
{
    rString = GetWindowText();
}

CString CWnd::GetWindowText() const
{
    const int nLen = ::GetWindowTextLengthW(m_hWnd);
    CString str;
    if (nLen > 0)
    {
        wchar_t* pBuf = str.GetBuffer(nLen + 1);
        ::GetWindowTextW(m_hWnd, pBuf, nLen + 1);
        str.ReleaseBuffer();
    }
    return str;
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon)
{
    return reinterpret_cast<HICON>(SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL,
                                               reinterpret_cast<LPARAM>(hIcon)));
}

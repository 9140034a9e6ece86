#include "layout/Placement.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "framework/WinApp.h"
#include "framework/Wnd.h"
#include "layout/LayoutGroup.h"
#include "layout/LayoutMonitor.h"

namespace {

// "Left" never stored reads as this, which asks for centring.
constexpr int kNoStoredLeft = -1000;

// Edges in 64 bits: any int may be stored, and spans and shifts between such
// values overflow 32.
struct Rect64
{
    std::int64_t left, top, right, bottom;
};

LONG ToLong(std::int64_t v)
{
    return static_cast<LONG>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

RECT ToRect(const Rect64& rc)
{
    return {ToLong(rc.left), ToLong(rc.top), ToLong(rc.right), ToLong(rc.bottom)};
}

bool Contains(const Rect64& outer, const Rect64& inner)
{
    return inner.left >= outer.left && inner.right <= outer.right && inner.top >= outer.top &&
           inner.bottom <= outer.bottom;
}

// As IntersectRect: true when the two share more than an edge.
bool Overlap(const Rect64& a, const Rect64& b)
{
    return std::max(a.left, b.left) < std::min(a.right, b.right) &&
           std::max(a.top, b.top) < std::min(a.bottom, b.bottom);
}

// Moves [lo, hi) into [workLo, workHi); a span longer than the work area
// ends up exactly covering it.
void MoveSpanInto(std::int64_t& lo, std::int64_t& hi, std::int64_t workLo, std::int64_t workHi)
{
    if (lo < workLo)
    {
        hi += workLo - lo;
        lo = workLo;
    }
    if (hi > workHi)
    {
        lo -= hi - workHi;
        hi = workHi;
    }
    lo = std::max(lo, workLo);
}

bool IsSameWindow(CWnd* pA, CWnd* pB)
{
    return pA != nullptr && pB != nullptr && pA->m_hWnd == pB->m_hWnd;
}

}  // namespace

bool ComputeRestoredPlacement(const WINDOWPLACEMENT& cur, UINT nFlags, const PlacementEnvironment& env,
                              WINDOWPLACEMENT& result)
{
    const RECT& rcCur = cur.rcNormalPosition;
    const std::int64_t width = std::int64_t{rcCur.right} - rcCur.left;
    const std::int64_t height = std::int64_t{rcCur.bottom} - rcCur.top;

    WINDOWPLACEMENT wp = cur;
    wp.length = sizeof(WINDOWPLACEMENT);
    wp.showCmd = static_cast<UINT>(env.readInt(L"ShowCmd", static_cast<int>(cur.showCmd)));
    wp.flags = static_cast<UINT>(env.readInt(L"Flags", static_cast<int>(cur.flags)));
    wp.ptMinPosition.x = env.readInt(L"MinPositionX", cur.ptMinPosition.x);
    wp.ptMinPosition.y = env.readInt(L"MinPositionY", cur.ptMinPosition.y);
    wp.ptMaxPosition.x = env.readInt(L"MaxPositionX", cur.ptMaxPosition.x);
    wp.ptMaxPosition.y = env.readInt(L"MaxPositionY", cur.ptMaxPosition.y);

    Rect64 rc = {rcCur.left, rcCur.top, rcCur.right, rcCur.bottom};
    LONG defaultRight = rcCur.right;
    LONG defaultBottom = rcCur.bottom;
    if (nFlags & GLL_RESTORE_POSITION)
    {
        rc.left = env.readInt(L"Left", rcCur.left);
        rc.top = env.readInt(L"Top", rcCur.top);
        if (env.readInt(L"Left", kNoStoredLeft) == kNoStoredLeft)
        {
            rc.left = (env.screen.cx - width) / 2;
            rc.top = (env.screen.cy - height) / 2;
            defaultRight = ToLong(rc.left + width);
            defaultBottom = ToLong(rc.top + height);
        }
    }
    bool bSizeFromProfile = false;
    if (nFlags & GLL_RESTORE_SIZE)
    {
        rc.right = env.readInt(L"Right", defaultRight);
        rc.bottom = env.readInt(L"Bottom", defaultBottom);
        bSizeFromProfile = true;
    }
    else
    {
        rc.right = rc.left + width;
        rc.bottom = rc.top + height;
    }

    // Normalised before the monitor is chosen, so that a stored rectangle
    // with its edges swapped finds the monitor it actually covers.
    if (rc.left > rc.right)
        std::swap(rc.left, rc.right);
    if (rc.top > rc.bottom)
        std::swap(rc.top, rc.bottom);
    // The placement lies at most a taskbar's size away from where it shows,
    // near enough to find its monitor; the work area is then compared in the
    // placement's own coordinates.
    const MONITORINFO monitor = env.monitorFor(ToRect(rc));
    const RECT& rcWork = monitor.rcWork;
    const POINT origin = env.bToolWindow ? POINT{rcWork.left, rcWork.top}
                                         : POINT{monitor.rcMonitor.left, monitor.rcMonitor.top};
    const Rect64 work = {origin.x, origin.y, origin.x + (std::int64_t{rcWork.right} - rcWork.left),
                         origin.y + (std::int64_t{rcWork.bottom} - rcWork.top)};
    if (Overlap(rc, work))
    {
        if (!Contains(work, rc))
        {
            MoveSpanInto(rc.left, rc.right, work.left, work.right);
            MoveSpanInto(rc.top, rc.bottom, work.top, work.bottom);
        }
        wp.rcNormalPosition = ToRect(rc);
    }
    else
    {
        // A rectangle on no monitor (one since detached): keep what the
        // layout gave the window, show state included.
        wp = cur;
        wp.length = sizeof(WINDOWPLACEMENT);
    }

    const UINT stored = wp.showCmd;
    UINT show = stored;
    if (show == SW_MINIMIZE && cur.showCmd != SW_MINIMIZE)
        show = SW_RESTORE;
    if (stored != SW_MAXIMIZE && cur.showCmd == SW_MAXIMIZE)
        show = SW_MAXIMIZE;
    else if (show == SW_SHOWMINIMIZED && cur.showCmd == SW_SHOWNORMAL && env.bMainWindow)
        show = SW_SHOWNORMAL;
    wp.flags |= WPF_ASYNCWINDOWPLACEMENT;
    // The dialog is still initialising and hidden; the framework shows it.
    wp.showCmd = show == SW_SHOWNORMAL ? SW_HIDE : show;
    result = wp;
    return bSizeFromProfile;
}

void SavePlacement(CWnd* pWnd, LPCWSTR lpszSection)
{
    CWinApp* pApp = AfxGetApp();
    if (pWnd == nullptr || lpszSection == nullptr || pApp == nullptr)
        return;
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof(wp);
    // Without a placement there is nothing true to store.
    if (!pWnd->GetWindowPlacement(&wp))
        return;
    pApp->WriteProfileInt(lpszSection, L"ShowCmd", static_cast<int>(wp.showCmd));
    pApp->WriteProfileInt(lpszSection, L"Flags", static_cast<int>(wp.flags));
    pApp->WriteProfileInt(lpszSection, L"MinPositionX", wp.ptMinPosition.x);
    pApp->WriteProfileInt(lpszSection, L"MinPositionY", wp.ptMinPosition.y);
    pApp->WriteProfileInt(lpszSection, L"MaxPositionX", wp.ptMaxPosition.x);
    pApp->WriteProfileInt(lpszSection, L"MaxPositionY", wp.ptMaxPosition.y);
    pApp->WriteProfileInt(lpszSection, L"Left", wp.rcNormalPosition.left);
    pApp->WriteProfileInt(lpszSection, L"Top", wp.rcNormalPosition.top);
    pApp->WriteProfileInt(lpszSection, L"Right", wp.rcNormalPosition.right);
    pApp->WriteProfileInt(lpszSection, L"Bottom", wp.rcNormalPosition.bottom);
}

bool RestorePlacement(CWnd* pWnd, LPCWSTR lpszSection, UINT nFlags)
{
    CWinApp* pApp = AfxGetApp();
    if (pWnd == nullptr || lpszSection == nullptr || pApp == nullptr)
        return false;
    WINDOWPLACEMENT cur = {};
    cur.length = sizeof(cur);
    if (!pWnd->GetWindowPlacement(&cur))
        return false;

    // Eleven values from one key, opened once.
    const HKEY hSection = pApp->GetSectionKey(lpszSection);
    const struct KeyCloser
    {
        HKEY hKey;
        ~KeyCloser()
        {
            if (hKey != nullptr)
                ::RegCloseKey(hKey);
        }
    } closer{hSection};
    PlacementEnvironment env;
    env.readInt = [hSection](LPCWSTR lpszName, int nDefault) {
        return static_cast<int>(CWinApp::GetProfileIntW(hSection, lpszName, nDefault));
    };
    env.monitorFor = [](const RECT& rc) { return GetMonitorInfoForRect(rc); };
    env.bToolWindow = (pWnd->GetExStyle() & WS_EX_TOOLWINDOW) != 0;
    env.screen = {::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    CWinThread* pThread = AfxGetThread();
    env.bMainWindow = pThread != nullptr && IsSameWindow(pWnd, pThread->GetMainWnd());

    WINDOWPLACEMENT wp;
    const bool bSizeFromProfile = ComputeRestoredPlacement(cur, nFlags, env, wp);
    pWnd->SetWindowPlacement(&wp);

    // A size change makes the window lay itself out even when the placement
    // kept its size.
    RECT rcWindow;
    pWnd->GetWindowRect(&rcWindow);
    const int cx = rcWindow.right - rcWindow.left;
    const int cy = rcWindow.bottom - rcWindow.top;
    pWnd->MoveWindow(rcWindow.left, rcWindow.top, cx - 1, cy, FALSE);
    pWnd->MoveWindow(rcWindow.left, rcWindow.top, cx, cy, TRUE);
    return bSizeFromProfile;
}

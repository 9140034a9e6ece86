// Cost of the main dialog's layout, measured side by side on the real,
// shown CQuillonDlg:
//   - one resize: the window resized, its WM_SIZE distributing and
//     positioning every control, the dialog repainted;
//   - the same resize done by hand: the dialog resized without its layout and
//     every control moved with a bare SetWindowPos to the rectangle the
//     layout gave it at that size;
//   - the dialog resize alone, without moving any control;
//   - a layout pass when nothing has to move;
//   - one live splitter step (the bar's group redistributed, the tree
//     positioned, the dialog repainted) against bare moves of the windows
//     such a step changes.
// Figures only: nothing here passes or fails.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_main_dialog.h"
#include "bench/bench_support.h"
#include "framework/WinApp.h"
#include "layout/GroupSplitter.h"
#include "layout/LayoutDpi.h"
#include "layout/LayoutMessages.h"
#include "layout/LayoutMonitor.h"
#include "layout/LayoutWindows.h"
#include "maindlg/QuillonDlg.h"
#include "res/resource.h"

namespace {

// The program's start-up objects of the layout, in the program's order.
CLayoutMessages s_layoutMessages;
CLayoutScaledLengths s_scaledLengths;
CGUILayoutLibMonitor s_layoutMonitor;

constexpr wchar_t kBenchKey[] = L"VelmoraBench";

// Reads the real windows but moves, redraws and fills nothing: what is left
// of a pass is the layout's own arithmetic and its window reads.
class CReadOnlyWindows : public CLayoutWindows
{
public:
    void MoveWindow(HWND, CWnd*, const RECT&, BOOL) override {}
    BOOL SetWindowPos(HWND, HWND, int, int, int, int, UINT) override { return TRUE; }
    void ShowWindow(HWND, int) override {}
    void RedrawWindow(HWND, UINT) override {}
    void BringWindowToTop(HWND) override {}
    void FillBackground(HWND, const RECT&, COLORREF) override {}
};

// Milliseconds per call of step over nRounds calls, best of three runs so
// that a busy moment of the shared machine does not count.
template <typename Step>
double MillisecondsPer(int nRounds, Step step)
{
    double dBest = 1e9;
    for (int run = 0; run < 3; ++run)
    {
        const double dStart = Now();
        for (int i = 0; i < nRounds; ++i)
            step(i);
        Pump();
        const double dPer = (Now() - dStart) * 1000.0 / nRounds;
        if (dPer < dBest)
            dBest = dPer;
    }
    return dBest;
}

// Where each laid-out window of the dialog is, in its client coordinates.
struct WindowPlace
{
    HWND hWnd;
    RECT rc;
};

std::vector<WindowPlace> Places(const CLayoutGroup& layout, HWND hHost)
{
    std::vector<WindowPlace> places;
    for (INT_PTR i = 0; i < layout.m_arrItems.GetSize(); ++i)
    {
        const CLayoutGroupObj* pItem = layout.m_arrItems[i];
        if (!pItem->HasWindow() || pItem->m_hWnd == nullptr || !pItem->m_bVisible)
            continue;
        WindowPlace place = {pItem->m_hWnd, {}};
        ::GetWindowRect(pItem->m_hWnd, &place.rc);
        ::MapWindowPoints(nullptr, hHost, reinterpret_cast<POINT*>(&place.rc), 2);
        places.push_back(place);
    }
    return places;
}

// The windows whose place differs between a and b, with their place in b.
std::vector<WindowPlace> Changed(const std::vector<WindowPlace>& a, const std::vector<WindowPlace>& b)
{
    std::vector<WindowPlace> changed;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
    {
        if (!::EqualRect(&a[i].rc, &b[i].rc))
            changed.push_back(b[i]);
    }
    return changed;
}

// Moves the windows with a plain SetWindowPos each, then paints what that
// left invalid, children included, as the layout's own redraws do.
void MoveBare(HWND hHost, const std::vector<WindowPlace>& places)
{
    for (const WindowPlace& place : places)
        ::SetWindowPos(place.hWnd, nullptr, place.rc.left, place.rc.top, place.rc.right - place.rc.left,
                       place.rc.bottom - place.rc.top, SWP_NOZORDER | SWP_NOACTIVATE);
    ::RedrawWindow(hHost, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

CGroupSplitter* FindSplitter(const CLayoutGroup& layout)
{
    for (INT_PTR i = 0; i < layout.m_arrItems.GetSize(); ++i)
    {
        if (layout.m_arrItems[i]->m_pSplitter != nullptr)
            return layout.m_arrItems[i]->m_pSplitter;
    }
    return nullptr;
}

void Row(const char* pszName, double dMs, double dReference, const char* pszReference)
{
    std::printf("  %-44s %8.3f ms   %7.4f x %s\n", pszName, dMs, dMs / dReference, pszReference);
}

int Run()
{
    CBenchDlg dlg;
    if (!dlg.Open())
        return 1;

    CLayoutGroup& layout = dlg.m_layout;
    const std::vector<WindowPlace> first = Places(layout, dlg.m_hWnd);
    std::printf("main dialog (template %d): %d layout items, %d windows, %d DPI\n", IDD_QUILLON_DIALOG,
                static_cast<int>(layout.m_arrItems.GetSize()), static_cast<int>(first.size()),
                GetLayoutDpi().dpiX);
    if (first.empty())
    {
        std::printf("the main dialog declares no layout; nothing to measure\n");
        return 0;
    }

    // Two sizes the resizes alternate between, both above the minimum.
    RECT rcWindow = {};
    dlg.GetWindowRect(&rcWindow);
    const SIZE sizes[2] = {{rcWindow.right - rcWindow.left + 200, rcWindow.bottom - rcWindow.top + 150},
                           {rcWindow.right - rcWindow.left + 240, rcWindow.bottom - rcWindow.top + 180}};
    auto resize = [&](int i) {
        dlg.SetWindowPos(&CWnd::wndTop, 0, 0, sizes[i % 2].cx, sizes[i % 2].cy,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    };
    std::vector<WindowPlace> placesAt[2];
    for (int i = 0; i < 2; ++i)
    {
        resize(i);
        Pump();
        placesAt[i] = Places(layout, dlg.m_hWnd);
    }
    const size_t nMovedByResize = Changed(placesAt[0], placesAt[1]).size();
    // A resize of a decorated top-level window costs Wine tens of
    // milliseconds; a few dozen rounds give stable figures.
    const int nRounds = 40;

    const double dResize = MillisecondsPer(nRounds, [&](int i) {
        resize(i);
        ::RedrawWindow(dlg.m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    });

    // Without a host the layout leaves the controls alone on WM_SIZE.
    CWnd* pHost = layout.m_pHostDlg;
    layout.m_pHostDlg = nullptr;
    const double dByHand = MillisecondsPer(nRounds, [&](int i) {
        resize(i);
        MoveBare(dlg.m_hWnd, placesAt[i % 2]);
    });
    const double dDialogOnly = MillisecondsPer(nRounds, [&](int i) {
        resize(i);
        ::RedrawWindow(dlg.m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    });
    layout.m_pHostDlg = pHost;
    resize(0);
    Pump();

    const double dNothingToMove = MillisecondsPer(nRounds, [&](int) {
        layout.Relayout();
        ::RedrawWindow(dlg.m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    });
    CReadOnlyWindows readOnly;
    layout.SetWindows(&readOnly);
    const double dArithmetic = MillisecondsPer(50 * nRounds, [&](int) { layout.Relayout(); });
    layout.SetWindows(nullptr);

    std::printf("resize (%d windows change place between the two sizes), per resize:\n",
                static_cast<int>(nMovedByResize));
    Row("layout resize (WM_SIZE pass + repaint)", dResize, dResize, "layout resize");
    Row("same by hand: bare SetWindowPos of each", dByHand, dResize, "layout resize");
    Row("dialog resize alone, no control moved", dDialogOnly, dResize, "layout resize");
    Row("layout pass with nothing to move", dNothingToMove, dResize, "layout resize");
    Row("layout arithmetic alone (windows untouched)", dArithmetic, dResize, "layout resize");

    CGroupSplitter* pBar = FindSplitter(layout);
    if (pBar == nullptr || pBar->m_pItemBefore == nullptr || pBar->m_pItemAfter == nullptr)
    {
        std::printf("no splitter bar with two neighbours; no drag step measured\n");
        return 0;
    }
    // A live drag step moves the bar 3 pixels; two steps go down and back.
    const std::vector<WindowPlace> up = Places(layout, dlg.m_hWnd);
    pBar->MoveBy(3.0, true);
    const std::vector<WindowPlace> down = Places(layout, dlg.m_hWnd);
    pBar->MoveBy(-3.0, true);
    const std::vector<WindowPlace> stepPlaces[2] = {Changed(up, down), Changed(down, up)};

    const double dStep = MillisecondsPer(2 * nRounds, [&](int i) { pBar->MoveBy(i % 2 == 0 ? 3.0 : -3.0, true); });
    const double dStepByHand = MillisecondsPer(2 * nRounds, [&](int i) {
        MoveBare(dlg.m_hWnd, stepPlaces[i % 2]);
    });
    layout.SetWindows(&readOnly);
    const double dStepArithmetic =
        MillisecondsPer(50 * nRounds, [&](int i) { pBar->MoveBy(i % 2 == 0 ? 3.0 : -3.0, false); });
    layout.SetWindows(nullptr);
    std::printf("live splitter step of 3 pixels (%d windows change place), per step:\n",
                static_cast<int>(stepPlaces[0].size()));
    Row("MoveBy (group relayout + repaint)", dStep, dStep, "splitter step");
    Row("same by hand: bare SetWindowPos of each", dStepByHand, dStep, "splitter step");
    Row("its layout arithmetic alone", dStepArithmetic, dStep, "splitter step");
    Row("splitter step against a layout resize", dStep, dResize, "layout resize");
    return 0;
}

}  // namespace

int wmain()
{
    ::RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(L"Software\\") + kBenchKey).c_str());
    int nResult = 0;
    {
        CWinApp app;
        app.SetCurrentHandles(::GetModuleHandleW(nullptr), nullptr, SW_SHOWNORMAL);
        app.SetRegistryKey(kBenchKey);
        nResult = Run();
    }
    // The dialog stored its placement and splitter position; a next run
    // starts from the same state.
    ::RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(L"Software\\") + kBenchKey).c_str());
    return nResult;
}

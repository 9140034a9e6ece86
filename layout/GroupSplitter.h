#pragma once

#include "framework/Controls.h"
#include "framework/Gdi.h"

class CLayoutGroup;
class CLayoutGroupObj;

// Cursor resources the bar shows when the framework's module has them; the
// system's sizing cursors otherwise.
constexpr UINT IDC_GLL_SPLIT_WE = 30980;
constexpr UINT IDC_GLL_SPLIT_NS = 30981;
constexpr UINT IDC_GLL_SPLIT_NONE = 30982;

// The position a bar starts with, in percent for the item before it.
constexpr double GLL_SPLITTER_DEFAULT_POSITION = 60.0;

// A bar between two neighbouring items of a layout group. Dragging it moves
// share (weight, in percent) from one neighbour to the other and lays their
// group out again. In a vertical group it is a horizontal bar moving up and
// down; in a horizontal group a vertical bar moving left and right.
class CGroupSplitter : public CStatic
{
public:
    CGroupSplitter();
    ~CGroupSplitter() override;

    // Weights from the position: both neighbours visible share position and
    // 100 - position and the bar is enabled; with one side hidden the other
    // takes 100 and the bar is disabled.
    void SyncNeighbourWeights();
    // in: the bar's window rectangle (screen); out: where the cursor may go
    // so that both neighbours keep their minimum size. False, rc unchanged,
    // without both neighbours or when the range is empty.
    bool GetDragLimits(RECT& rc) const;
    // Drag loops; they return the last offset the mouse reached, in pixels.
    int TrackVertical(POINT ptPressed);
    int TrackHorizontal(POINT ptPressed);
    // Moves the boundary by d pixels and lays the neighbours' group out again.
    void MoveBy(double d, bool bUpdateNow);
    // The weight arithmetic of MoveBy alone, without any relayout.
    void ShiftWeights(double d);
    void RefreshColors();

    // Rectangle filled with the background, framed rectangle and its inside,
    // for a bar whose client area is rc.
    static RECT BandRect(const RECT& rc, bool bVerticalBar);

    int m_nThemeState;
    CLayoutGroup* m_pLayout;
    bool m_bLiveResize;
    CLayoutGroupObj* m_pItemBefore;
    CLayoutGroupObj* m_pItemAfter;
    COLORREF m_crBackground;
    double m_dPosition;
    CWnd* m_pHostDlg;
    bool m_bVerticalBar;
    bool m_bColorsStale;

protected:
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    void OnLButtonDown(UINT nFlags, POINT point);
    BOOL OnSetCursor();
    void OnPaint();

private:
    int Track(POINT ptPressed, bool bAlongX);

    // Whether the live drag already moved the boundary by the offset Track
    // returned last.
    bool m_bLastOffsetApplied;
};

#pragma once

#include <windows.h>

#include "framework/Collections.h"
#include "framework/Gdi.h"
#include "framework/String.h"
#include "framework/Wnd.h"

// The layout uses of its own controls: CGroupStatic (m_dwItemFlags,
// m_pLayout, CButton::Create) and CGroupSplitter (m_pLayout, m_pHostDlg,
// m_bVerticalBar, m_bLiveResize, m_pItemBefore, m_pItemAfter, m_nThemeState,
// m_dPosition, CStatic::Create, SyncNeighbourWeights).
class CGroupStatic;
class CGroupSplitter;
class CLayoutGroup;
class CLayoutWindows;

// Orientation of a group.
constexpr UINT GLL_VERTICAL = 1;
constexpr UINT GLL_HORIZONTAL = 2;

// AddControl sizing argument.
constexpr UINT GLL_FIXED_WIDTH = 0x1;
constexpr UINT GLL_FIXED_HEIGHT = 0x2;
constexpr UINT GLL_FIXED_SIZE = 0x3;
constexpr UINT GLL_SIZE_TO_TEXT = 0x19;
constexpr UINT GLL_SPAN_CLIENT = 0x100;
constexpr UINT GLL_SPAN_CLIENT2 = 0x200;
constexpr UINT GLL_ALIGN_CLIENT_TOP = 0x400;
constexpr UINT GLL_MOVE_VIA_WND = 0x2000;
constexpr UINT GLL_STRETCH_CLIENT_TOP = 0x4000;

// Alignment of a group.
constexpr UINT GLL_ALIGN_START = 0;
constexpr UINT GLL_ALIGN_CENTER = 1;
constexpr UINT GLL_ALIGN_RIGHT = 2;
constexpr UINT GLL_ALIGN_EACH_VCENTER = 3;
constexpr UINT GLL_ALIGN_EACH_HCENTER = 4;
constexpr UINT GLL_ALIGN_BOTTOM = 5;
constexpr UINT GLL_ALIGN_EACH_RIGHT = 6;
constexpr UINT GLL_ALIGN_EACH_BOTTOM = 7;

// Placement flags of a layout dialog.
constexpr UINT GLL_RESTORE_POSITION = 0x08;
constexpr UINT GLL_RESTORE_SIZE = 0x10;

// Item kinds.
constexpr UINT GLL_KIND_ROOT = 0;
constexpr UINT GLL_KIND_GROUP = 1;
constexpr UINT GLL_KIND_CONTROL = 2;
constexpr UINT GLL_KIND_GAP = 3;
constexpr UINT GLL_KIND_SEPARATOR = 6;
constexpr UINT GLL_KIND_SPLITTER = 7;

// Item flags.
constexpr DWORD GLL_ITEM_SPAN_CLIENT = 0x20;
constexpr DWORD GLL_ITEM_WIDEN_RIGHT = 0x40;
constexpr DWORD GLL_ITEM_WIDEN_LEFT = 0x80;
constexpr DWORD GLL_ITEM_CLIENT_TOP = 0x1000;
constexpr DWORD GLL_ITEM_STRETCH_TOP = 0x4000;

// One node of a layout tree: a group, a control, a gap, a separator line or
// a splitter bar. Sizes are {0, 0, width, height}; m_rcFinal is in the host
// dialog's client coordinates.
class CLayoutGroupObj
{
public:
    CLayoutGroupObj();
    virtual ~CLayoutGroupObj();
    CLayoutGroupObj(const CLayoutGroupObj&) = delete;
    CLayoutGroupObj& operator=(const CLayoutGroupObj&) = delete;

    // Back to the state of a new item (children forgotten, not deleted).
    void SetDefaults();
    bool IsGroup() const { return m_nKind == GLL_KIND_GROUP || m_nKind == GLL_KIND_ROOT; }
    bool HasWindow() const
    {
        return m_nKind == GLL_KIND_CONTROL || m_nKind == GLL_KIND_SEPARATOR || m_nKind == GLL_KIND_SPLITTER;
    }

    HWND m_hWnd;
    // For controls what GetDlgItem returned (perhaps temporary: after the
    // first layout only its presence counts); for separators and splitters
    // the layout's own object.
    CWnd* m_pWnd;
    RECT m_rcSlot;
    RECT m_rcMin;
    RECT m_rcInsets;
    RECT m_rcFinal;
    CString m_strName;
    CGroupStatic* m_pGroupStatic;
    CGroupSplitter* m_pSplitter;
    CLayoutGroup* m_pOwner;
    CLayoutGroupObj* m_pParent;
    CArray<CLayoutGroupObj*, CLayoutGroupObj*> m_arrChildren;
    DWORD m_dwFlags;
    UINT m_nId;
    UINT Alignment;
    UINT m_nOrientation;
    UINT m_nKind;
    UINT m_nSubKind;
    UINT m_nFixedGap;
    double m_dWeight;
    bool m_bStretchX;
    bool m_bStretchY;
    bool m_bVisible;
    bool m_bFullRedraw;
    bool m_bMoveViaWnd;
};

// A dialog's layout: the tree, the builder and the passes over it.
class CLayoutGroup
{
public:
    CLayoutGroup();
    virtual ~CLayoutGroup();
    CLayoutGroup(const CLayoutGroup&) = delete;
    CLayoutGroup& operator=(const CLayoutGroup&) = delete;

    // Builder; each call appends one item to the current group.
    CLayoutGroupObj* BeginGroup(UINT nOrientation, const RECT* pMargins = nullptr);
    CLayoutGroupObj* AddControl(int nID, UINT nSizing = 0);
    CLayoutGroupObj* AddSpace(int nSize);
    CLayoutGroupObj* AddSeparator();
    CLayoutGroupObj* AddSplitter();
    CLayoutGroupObj* GetCurrentGroup();
    // Pops the current group off the open-group stack.
    void PopGroup();
    INT_PTR GetOpenGroupCount() const { return m_listOpenGroups.GetCount(); }
    void ClearOpenGroups() { m_listOpenGroups.RemoveAll(); }

    // Geometry.
    void MeasureGroup(CLayoutGroupObj* pGroup);
    void RemeasureGroup(CLayoutGroupObj* pGroup);
    void DistributeGroup(CLayoutGroupObj* pGroup);
    void PositionGroup(CLayoutGroupObj* pGroup, int x, int y);
    CLayoutGroupObj* FindItem(HWND hWnd) const;

    // Application.
    void ResetLayout();
    void ApplyPositions();
    void ShowGroupItems(CLayoutGroupObj* pGroup, bool bShow, bool bRespectHidden);
    void RelayoutGroup(CLayoutGroupObj* pGroup);
    void RelayoutAfterChange(CLayoutGroupObj* pItem, bool bForce);
    void RefreshSplitters(CLayoutGroupObj* pGroup);
    // Distribution and positioning of the whole tree (a window resize).
    void Relayout();

    // Where the passes read and move windows; the system by default.
    void SetWindows(CLayoutWindows* pWindows);
    CLayoutWindows* GetWindows() const { return m_pWindows; }
    HWND GetHostHwnd() const { return m_pHostDlg != nullptr ? m_pHostDlg->m_hWnd : nullptr; }

    CWnd* m_pHostDlg;
    int m_nThemeState;
    CLayoutGroupObj m_root;
    CList<CLayoutGroupObj*, CLayoutGroupObj*> m_listOpenGroups;
    CFont* m_pFont;
    CString m_strProfileSection;
    UINT m_nNextId;
    int m_nTextMargin;
    int m_nOSVersion;
    int m_nMinClientWidth;
    int m_nMinClientHeight;
    COLORREF m_crBackground;
    bool m_bRepaintOnMove;
    // While set, the passes compute the places and move nothing: the first
    // layout resizes the window several times and moves each control once.
    bool m_bHoldMoves = false;
    bool m_bNoBackgroundFill;
    CArray<CLayoutGroupObj*, CLayoutGroupObj*> m_arrItems;

private:
    CLayoutGroupObj* CreateItem(UINT nOrientation);
    // Takes back the item CreateItem appended last.
    void DiscardLastItem(CLayoutGroupObj* pItem);
    void ClearItems();
    // Releases the separator or splitter object an item owns.
    void ReleaseItemWindow(CLayoutGroupObj* pItem);
    UINT FindFreeControlId() const;
    void AssignWeights(CLayoutGroupObj* pGroup, int nTotalAlong);
    void ClassifyWindow(CLayoutGroupObj* pItem);
    // The splitter's part of the first measuring; false ends the group's.
    bool MeasureSplitter(CLayoutGroupObj* pGroup, INT_PTR nIndex);
    void FitSplitterAcross(CLayoutGroupObj* pGroup, CLayoutGroupObj* pItem);
    void ResizeToText(CLayoutGroupObj* pItem, const CString& strClass);
    void PositionItem(CLayoutGroupObj* pGroup, CLayoutGroupObj* pItem, int x, int y, int dx, int dy);

    CLayoutWindows* m_pWindows;
};

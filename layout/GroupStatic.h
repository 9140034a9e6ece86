#pragma once

#include "framework/Controls.h"
#include "framework/Gdi.h"

class CLayoutGroup;

// Colours a layout control asks its parent for with WM_GLL_GET_CTRL_COLORS
// (WPARAM: the control's id, LPARAM: this record). The sender pre-fills its
// defaults; a parent that wants them used overwrites any colour and returns 2.
struct GLL_CTRL_COLORS
{
    COLORREF crBackground;
    COLORREF crText;
    COLORREF crFrame;
    DWORD dwReserved1;
    DWORD dwReserved2;
    DWORD dwReserved3;
};

// The answer of a parent that filled in GLL_CTRL_COLORS.
constexpr LRESULT GLL_COLORS_ANSWERED = 2;
// Asks the layout's own controls to fetch their colours again.
constexpr UINT WM_GLL_REFRESH_COLORS = WM_USER + 1290;
// The frame colour a separator pre-fills; a parent handing it back unchanged
// asks for no line at all.
constexpr COLORREF GLL_NO_FRAME_COLOR = 0xFFFFFFFF;

// Id of the registered message "WM_GLL_GET_CTRL_COLORS".
UINT GetCtrlColorsMessage();

// The one-pixel line through the middle of a separator whose client area is
// rc: vertical when rc is taller than wide, horizontal otherwise.
RECT SeparatorLineRect(const RECT& rc);

// The layout's separator line: a group-box button that paints itself.
class CGroupStatic : public CButton
{
    DECLARE_DYNAMIC(CGroupStatic)

public:
    CGroupStatic();
    ~CGroupStatic() override;

    // Paints into dc: background over the whole window, then the line.
    void Paint(CDC& dc);
    void RefreshColors();

    DWORD m_dwItemFlags;
    COLORREF m_crBackground;
    COLORREF m_crText;
    COLORREF m_crFrame;
    CLayoutGroup* m_pLayout;
    CString m_strCaption;
    bool m_bColorsStale;

protected:
    void PreSubclassWindow() override;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    void OnPaint();
};

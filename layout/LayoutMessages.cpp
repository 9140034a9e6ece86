#include "layout/LayoutMessages.h"

UINT WM_GLL_PROPPAGE_SIZED_SHEET = 0;
UINT WM_GLL_OPEN_LAZY_FETCHING_GROUP = 0;
UINT WM_GLL_GET_CTRL_COLORS = 0;

CLayoutMessages::CLayoutMessages()
{
    Register();
}

void CLayoutMessages::Register()
{
    WM_GLL_PROPPAGE_SIZED_SHEET = ::RegisterWindowMessageW(L"WM_GLL_PROPPAGE_SIZED_SHEET");
    // Registered for other processes of the library; nothing here uses them.
    ::RegisterWindowMessageW(L"WM_GLL_VISIBLEGROUP_RESIZED");
    ::RegisterWindowMessageW(L"WM_GLL_VIEW_SCROLL_PARAM");
    WM_GLL_OPEN_LAZY_FETCHING_GROUP = ::RegisterWindowMessageW(L"WM_GLL_OPEN_LAZY_FETCHING_GROUP");
    WM_GLL_GET_CTRL_COLORS = ::RegisterWindowMessageW(L"WM_GLL_GET_CTRL_COLORS");
}

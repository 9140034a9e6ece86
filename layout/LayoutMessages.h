#pragma once

#include <windows.h>

// The layout library's registered window messages; 0 until registered.
extern UINT WM_GLL_PROPPAGE_SIZED_SHEET;
extern UINT WM_GLL_OPEN_LAZY_FETCHING_GROUP;
extern UINT WM_GLL_GET_CTRL_COLORS;

// Constructing this object registers the five messages in their order; the
// program defines one among its start-up objects, before the DPI lengths.
class CLayoutMessages
{
public:
    CLayoutMessages();
    // Registers them (again); registering a known name answers the same id.
    static void Register();
};

#pragma once

#include <windows.h>

#include <functional>

class CWnd;

// Profile reads and the monitor query behind the placement rules, so that
// the rules also run over plain numbers.
struct PlacementEnvironment
{
    // A value of the dialog's section, or the default when it is missing.
    std::function<int(LPCWSTR lpszName, int nDefault)> readInt;
    // The monitor nearest to the rectangle: its bounds and its work area, in
    // screen coordinates.
    std::function<MONITORINFO(const RECT& rc)> monitorFor;
    // A tool window's placement is in screen coordinates; that of any other
    // top-level window in workspace coordinates, which put the top-left
    // corner of its monitor's work area at that monitor's top-left corner.
    bool bToolWindow;
    // Primary screen size, for centring on the first run.
    SIZE screen;
    // Whether the dialog is the application's main window.
    bool bMainWindow;
};

// The placement to apply, computed from the current one (cur) and the stored
// values: centred on the first run, moved (and cut if need be) into the work
// area of the nearest monitor, dropped as a whole when it touches no work
// area; show command adjusted, a plain "shown normally" applied as hidden.
// Any int may be stored: the rectangle comes back inside the work area or as
// the current one.
// Returns true when the size came from the profile.
bool ComputeRestoredPlacement(const WINDOWPLACEMENT& cur, UINT nFlags, const PlacementEnvironment& env,
                              WINDOWPLACEMENT& result);

// Writes the dialog's placement into its profile section.
void SavePlacement(CWnd* pWnd, LPCWSTR lpszSection);
// Reads it back and applies it (see ComputeRestoredPlacement), then makes the
// window run its size handling once. True when the size came from the profile.
bool RestorePlacement(CWnd* pWnd, LPCWSTR lpszSection, UINT nFlags);

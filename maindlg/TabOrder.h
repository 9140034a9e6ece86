#pragma once

#include <windows.h>

#include <initializer_list>

// Tab and Shift+Tab go through a dialog's controls in the order given (as
// they read on screen), whatever the template's order; a group ends before
// nGroupEndID, so that the arrow keys stay in the group before it.
void ArrangeTabOrder(HWND hDlg, std::initializer_list<int> order, int nGroupEndID);

// A radio group is reached through its checked button.
void UpdateRadioTabStop(HWND hDlg, std::initializer_list<int> radios);

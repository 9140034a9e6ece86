#pragma once

// Dialog templates and controls of the separator and splitter tests.
#define IDD_CONTROLS_SPLIT 200
// Narrower lists, so that side by side they leave room to drag the bar even
// where dialog units are large (144 DPI).
#define IDD_CONTROLS_SIDE_BY_SIDE 201

#define IDC_CONTROLS_TOP 2001
#define IDC_CONTROLS_BOTTOM 2002

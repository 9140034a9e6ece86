#pragma once

// Dialog templates 100-199 and their controls belong to the layout core
// tests; 200-299 to the layout controls tests.
#define IDD_LAYOUT_RESIZABLE 100
#define IDD_LAYOUT_FIXED 101
#define IDD_LAYOUT_OWN_GRIP 102
#define IDD_LAYOUT_TOOL 103

#define IDC_LAYOUT_LIST1 1101
#define IDC_LAYOUT_LIST2 1102
#define IDC_LAYOUT_SHEET 1103
#define IDC_LAYOUT_TEXT 1104
#define IDC_LAYOUT_OWN_GRIP 0xE801

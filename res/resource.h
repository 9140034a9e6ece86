// Resource identifiers shared by Quillon.rc and the code.
#pragma once

#define IDR_MAINFRAME                   128

#define IDD_ABOUTBOX                    100
#define IDS_ABOUTBOX                    101
#define IDD_QUILLON_DIALOG              102

// System-menu command of the About entry.
#define IDM_ABOUTBOX                    0x0010

#define IDC_LIST_FILES                  1000
#define IDC_LIST_FOLDERS                1001
#define IDC_ADD_FILES                   1002
#define IDC_REMOVE_FILE                 1003
#define IDC_ADD_FOLDER                  1004
#define IDC_REMOVE_FOLDER               1005
#define IDC_RADIO_SYMBOLIC              1006
#define IDC_RADIO_HARD                  1007
#define IDC_STATIC_FILES                1008
#define IDC_STATIC_FOLDERS              1009
#define IDC_LIST_OUTPUT                 1010
#define IDC_STATIC_OUTPUT               1011
#define IDC_STATIC_DESCRIPTION          1012
#define IDC_CHECK_REMOVE_EXISTING       1013
#define IDC_PREVIEW                     1014
#define IDC_UNDO                        1015
#define IDC_ADD_SOURCE_FOLDERS          1016
#define IDC_CHECK_RELATIVE              1017

#ifndef IDC_STATIC
#define IDC_STATIC                      (-1)
#endif

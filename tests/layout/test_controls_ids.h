#pragma once

// Dialog templates and controls of the separator and splitter tests.
#define IDD_CONTROLS_SPLIT 200

#define IDC_CONTROLS_TOP 2001
#define IDC_CONTROLS_BOTTOM 2002

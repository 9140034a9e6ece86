#pragma once

#include "layout/DialogLayout.h"

// "Info über Quillon": icon, name and version, maker; closes with OK. A
// layout dialog without a layout: its controls keep their template places,
// and without a section nothing of it is stored.
class CAboutDlg : public CDialogLayout
{
public:
    CAboutDlg();
};

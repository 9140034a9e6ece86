#pragma once

#include "framework/Dialog.h"

// "Info über Quillon": icon, name and version, maker; closes with OK.
class CAboutDlg : public CDialog
{
public:
    CAboutDlg();
};

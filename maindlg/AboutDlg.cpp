#include "maindlg/AboutDlg.h"

#include "res/resource.h"

CAboutDlg::CAboutDlg() : CDialogLayout(IDD_ABOUTBOX)
{
}

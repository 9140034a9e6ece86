#include "maindlg/TabOrder.h"

void ArrangeTabOrder(HWND hDlg, std::initializer_list<int> order, int nGroupEndID)
{
    HWND hAfter = HWND_TOP;
    for (int nID : order)
    {
        const HWND hCtrl = ::GetDlgItem(hDlg, nID);
        if (hCtrl == nullptr)
            continue;
        ::SetWindowPos(hCtrl, hAfter, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        hAfter = hCtrl;
    }
    const HWND hGroupEnd = ::GetDlgItem(hDlg, nGroupEndID);
    if (hGroupEnd != nullptr)
        ::SetWindowLongW(hGroupEnd, GWL_STYLE, ::GetWindowLongW(hGroupEnd, GWL_STYLE) | WS_GROUP);
}

void UpdateRadioTabStop(HWND hDlg, std::initializer_list<int> radios)
{
    int nChecked = radios.size() > 0 ? *(radios.end() - 1) : 0;
    for (int nID : radios)
    {
        if (::IsDlgButtonChecked(hDlg, nID) == BST_CHECKED)
            nChecked = nID;
    }
    for (int nID : radios)
    {
        const HWND hRadio = ::GetDlgItem(hDlg, nID);
        if (hRadio == nullptr)
            continue;
        const LONG lStyle = ::GetWindowLongW(hRadio, GWL_STYLE);
        ::SetWindowLongW(hRadio, GWL_STYLE, nID == nChecked ? lStyle | WS_TABSTOP : lStyle & ~WS_TABSTOP);
    }
}

#pragma once

#include <cstdio>

#include "bench/bench_support.h"
#include "maindlg/QuillonDlg.h"
#include "res/resource.h"

// The real main dialog, modeless, so that a benchmark can drive it between
// its own measurements.
class CBenchDlg : public CQuillonDlg
{
public:
    ~CBenchDlg() override
    {
        if (m_hWnd != nullptr)
            DestroyWindow();
    }

    // Creates the window from its template and shows it painted; says why
    // not on stdout.
    bool Open()
    {
        if (!Create(IDD_QUILLON_DIALOG))
        {
            std::printf("the main dialog could not be created\n");
            return false;
        }
        ShowWindow(SW_SHOW);
        UpdateWindow();
        Pump();
        return true;
    }
};

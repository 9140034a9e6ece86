#pragma once

#include "framework/WinApp.h"

class CQuillonApp : public CWinApp
{
public:
    CQuillonApp();

    BOOL InitInstance() override;
};

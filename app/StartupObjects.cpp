// Every object that must exist before the application starts is defined in
// this one file, in the order it has to be constructed: C++ constructs the
// objects of one translation unit top to bottom, whatever the link order.

#include <windows.h>

#include "app/QuillonApp.h"
#include "framework/Module.h"
#include "layout/LayoutDpi.h"
#include "layout/LayoutMessages.h"
#include "layout/LayoutMonitor.h"
#include "shell/ShellApi.h"

// 1. The framework's module object: resources come from this executable.
static CFrameworkModule s_frameworkModule;

// The layout library's registered window messages.
static CLayoutMessages s_layoutMessages;

// The DPI record, queried here, and the lengths scaled once with it.
static CLayoutScaledLengths s_layoutScaledLengths;

// The monitor helper.
static CGUILayoutLibMonitor s_layoutMonitor;

// The shell entry points and the system version the folder picker uses.
static CShellApi s_shellApi;

// 2. Last, the application object.
static CQuillonApp s_theApp;

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow)
{
    return AfxWinMain(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
}

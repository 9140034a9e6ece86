// Every object that must exist before the application starts is defined in
// this one file, in the order it has to be constructed: C++ constructs the
// objects of one translation unit top to bottom, whatever the link order.

#include <windows.h>

#include "app/QuillonApp.h"
#include "framework/Module.h"
#include "shell/ShellApi.h"

// 1. The framework's module object: resources come from this executable.
static CFrameworkModule s_frameworkModule;

// The shell entry points and the system version the folder picker uses.
static CShellApi s_shellApi;

// 2. Last, the application object.
static CQuillonApp s_theApp;

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow)
{
    return AfxWinMain(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
}

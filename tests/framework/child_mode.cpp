#include "tests/framework/child_mode.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "framework/WinApp.h"

namespace {
std::wstring Widen(const char* s)
{
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, s, -1, nullptr, 0);
    std::wstring w(static_cast<size_t>(n > 0 ? n - 1 : 0), L'\0');
    if (n > 1)
        ::MultiByteToWideChar(CP_UTF8, 0, s, -1, &w[0], n);
    return w;
}
}  // namespace

bool RunChildErrand(int argc, char** argv, int* pExitCode)
{
    if (argc != 5 || std::strcmp(argv[1], "--child-write-profile") != 0)
        return false;
    CWinApp app;
    app.SetCurrentHandles(::GetModuleHandleW(nullptr), nullptr, SW_HIDE);
    app.SetRegistryKey(L"Velmora");
    *pExitCode = app.WriteProfileStringW(Widen(argv[2]).c_str(), Widen(argv[3]).c_str(),
                                         Widen(argv[4]).c_str()) ? 0 : 3;
    return true;
}

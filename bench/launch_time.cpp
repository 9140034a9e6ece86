// Time from starting Quillon.exe (beside the bench folder of the build tree)
// until its main window is on screen, and until it answers a message, which
// it does once its initialisation and the messages queued by it are through;
// side by side with this program started to show the bare template 102
// (no initialisation, no layout), as a measure of what the process start and
// the dialog manager cost by themselves on this machine right now. The
// first launch of each warms the caches and is left out of the median.
// The path of another build as argument measures it in the same rounds.
// Figures only: nothing here passes or fails.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "layout/LayoutDpi.h"
#include "layout/LayoutMessages.h"
#include "layout/LayoutMonitor.h"
#include "maindlg/QuillonDlg.h"
#include "res/resource.h"

namespace {

// The program's start-up objects of the layout, in the program's order.
CLayoutMessages s_layoutMessages;
CLayoutScaledLengths s_scaledLengths;
CGUILayoutLibMonitor s_layoutMonitor;

std::wstring SelfPath()
{
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    return self;
}

std::wstring ProgramPath()
{
    std::wstring path = SelfPath();
    path.resize(path.find_last_of(L'\\'));
    path.resize(path.find_last_of(L'\\') + 1);
    return path + L"Quillon.exe";
}

// The template alone, shown until it is closed.
int ShowBareTemplate()
{
    HWND hDlg = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_QUILLON_DIALOG), nullptr,
                                     [](HWND hWnd, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
                                         if (message == WM_CLOSE || (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL))
                                         {
                                             ::DestroyWindow(hWnd);
                                             ::PostQuitMessage(0);
                                             return TRUE;
                                         }
                                         return FALSE;
                                     },
                                     0);
    if (hDlg == nullptr)
        return 1;
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0)
    {
        if (!::IsDialogMessageW(hDlg, &msg))
        {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return 0;
}

HWND FindVisibleMainWindow(DWORD dwProcessId)
{
    for (HWND hWnd = ::FindWindowW(L"#32770", L"Quillon"); hWnd != nullptr;
         hWnd = ::FindWindowExW(nullptr, hWnd, L"#32770", L"Quillon"))
    {
        DWORD dwOwner = 0;
        ::GetWindowThreadProcessId(hWnd, &dwOwner);
        if (dwOwner == dwProcessId && ::IsWindowVisible(hWnd))
            return hWnd;
    }
    return nullptr;
}

struct Launch
{
    double dVisible = -1.0;
    double dAnswering = -1.0;
};

Launch LaunchOnce(const std::wstring& program, const wchar_t* pszArguments)
{
    Launch launch;
    std::wstring commandLine = L"\"" + program + L"\"" + pszArguments;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    const double dStart = Now();
    if (!::CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return launch;
    HWND hWnd = nullptr;
    while (hWnd == nullptr && Now() - dStart < 20.0)
    {
        hWnd = FindVisibleMainWindow(pi.dwProcessId);
        if (hWnd == nullptr)
            ::Sleep(1);
    }
    if (hWnd != nullptr)
    {
        launch.dVisible = Now() - dStart;
        DWORD_PTR dwResult = 0;
        if (::SendMessageTimeoutW(hWnd, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &dwResult) != 0)
            launch.dAnswering = Now() - dStart;
        ::PostMessageW(hWnd, WM_CLOSE, 0, 0);
    }
    if (::WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0)
        ::TerminateProcess(pi.hProcess, 1);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return launch;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1.0 : values[values.size() / 2];
}

// The main dialog created and painted inside this process: the first time
// with the shell's icon cache and the system's classes still cold, then
// again.
void ReportInProcess()
{
    for (int run = 0; run < 3; ++run)
    {
        const double dStart = Now();
        CQuillonDlg dlg;
        if (!dlg.Create(IDD_QUILLON_DIALOG))
            return;
        const double dCreated = Now() - dStart;
        dlg.ShowWindow(SW_SHOWNORMAL);
        const double dShown = Now() - dStart;
        dlg.UpdateWindow();
        const double dPainted = Now() - dStart;
        RECT rc = {};
        dlg.GetWindowRect(&rc);
        dlg.DestroyWindow();
        const double dBareStart = Now();
        HWND hBare = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_QUILLON_DIALOG), nullptr,
                                          [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
        // The same size as the program's window, so that showing and
        // painting cover as many pixels.
        ::SetWindowPos(hBare, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top, SWP_NOMOVE | SWP_NOZORDER);
        const double dBareCreated = Now() - dBareStart;
        ::ShowWindow(hBare, SW_SHOWNORMAL);
        const double dBareShown = Now() - dBareStart;
        ::UpdateWindow(hBare);
        const double dBarePainted = Now() - dBareStart;
        ::DestroyWindow(hBare);
        std::printf("  in this process, %s: created and laid out after %.3f s, shown after %.3f s, painted after "
                    "%.3f s; the bare template %.3f s, %.3f s, %.3f s\n",
                    run == 0 ? "first time" : "again     ", dCreated, dShown, dPainted, dBareCreated, dBareShown,
                    dBarePainted);
    }
}

void Report(const char* pszName, const std::wstring& program, const wchar_t* pszArguments)
{
    const int nRuns = 9;
    std::vector<double> visible;
    std::vector<double> answering;
    for (int run = 0; run <= nRuns; ++run)
    {
        const Launch launch = LaunchOnce(program, pszArguments);
        if (run > 0 && launch.dVisible >= 0.0)
        {
            visible.push_back(launch.dVisible);
            answering.push_back(launch.dAnswering);
        }
    }
    std::printf("  %-34s median of %d: on screen after %.3f s (%.3f ... %.3f), answering after %.3f s\n", pszName,
                static_cast<int>(visible.size()), Median(visible),
                visible.empty() ? -1.0 : *std::min_element(visible.begin(), visible.end()),
                visible.empty() ? -1.0 : *std::max_element(visible.begin(), visible.end()), Median(answering));
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc > 1 && std::wstring(argv[1]).rfind(L"--bare-template", 0) == 0)
    {
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&icc);
        if (std::wstring(argv[1]) == L"--bare-template-and-shell-icons")
        {
            SHFILEINFOW sfi = {};
            ::SHGetFileInfoW(L"C:\\", 0, &sfi, sizeof(sfi), SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
        }
        return ShowBareTemplate();
    }
    const std::wstring program = ProgramPath();
    if (::GetFileAttributesW(program.c_str()) == INVALID_FILE_ATTRIBUTES)
    {
        std::printf("%ls not found\n", program.c_str());
        return 1;
    }
    // Another build of the program, measured in the same rounds.
    const std::wstring other = argc > 1 ? argv[1] : L"";
    std::printf("launch until the window \"Quillon\" is on screen:\n");
    ReportInProcess();
    // Alternating rounds, so that a change in the machine's load meets all.
    for (int round = 0; round < 2; ++round)
    {
        Report("Quillon.exe", program, L"");
        if (!other.empty())
            Report("the other build", other, L"");
        Report("bare template 102 (reference)", SelfPath(), L" --bare-template");
        Report("the same + shell icon list", SelfPath(), L" --bare-template-and-shell-icons");
    }
    return 0;
}

// Time from starting Quillon.exe (beside the bench folder of the build tree)
// until its main window is on screen, and until it answers a message, which
// it does once its initialisation and the messages queued by it are through.
// The first launch warms the caches and is left out of the median. Figures
// only: nothing here passes or fails.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

double Now()
{
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::wstring ProgramPath()
{
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    path.resize(path.find_last_of(L'\\'));
    path.resize(path.find_last_of(L'\\') + 1);
    return path + L"Quillon.exe";
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

Launch LaunchOnce(const std::wstring& program)
{
    Launch launch;
    std::wstring commandLine = L"\"" + program + L"\"";
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

}  // namespace

int wmain()
{
    const std::wstring program = ProgramPath();
    if (::GetFileAttributesW(program.c_str()) == INVALID_FILE_ATTRIBUTES)
    {
        std::printf("%ls not found\n", program.c_str());
        return 1;
    }
    const int nRuns = 9;
    std::vector<double> visible;
    std::vector<double> answering;
    for (int run = 0; run <= nRuns; ++run)
    {
        const Launch launch = LaunchOnce(program);
        std::printf("  launch %d: on screen after %.3f s, answering after %.3f s%s\n", run, launch.dVisible,
                    launch.dAnswering, run == 0 ? " (warm-up)" : "");
        if (run > 0 && launch.dVisible >= 0.0)
        {
            visible.push_back(launch.dVisible);
            answering.push_back(launch.dAnswering);
        }
    }
    std::printf("median of %d launches: on screen after %.3f s, answering after %.3f s\n",
                static_cast<int>(visible.size()), Median(visible), Median(answering));
    return 0;
}

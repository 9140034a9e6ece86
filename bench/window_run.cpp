// A run through the real window of Quillon.exe, timed from another process
// as a user meets it: from the press of a button until "Erstellen" reads
// "Erstellen" again with every line in the output list; side by side with
// the bare sequential loop of the same file-system calls on the same kind of
// folders, in this process. 600 files x 10 folders: into empty folders, over
// targets that are other files of their own (removal on), over targets
// already linked (a re-run), "Vorschau" into empty folders, and
// "Rückgängig" of a run over other files (10 x 1,000, the run before it not
// timed) beside the bare loop that replaces the same files. The program
// is started for each run with the lists on its command line; its start is
// not timed. "window_run [rounds] [program]" measures another build's
// Quillon.exe beside the same bare loop ("" for this build's), and
// "window_run [rounds] [program] [word]" only the kinds whose name holds the
// word. Figures only: nothing here passes
// or fails.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "res/resource.h"
#include "tests/temp_tree.h"

namespace {

constexpr int kFolders = 10;

enum class Present
{
    Nothing,
    OtherFiles,
    AlreadyLinked
};

std::wstring ProgramPath()
{
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    path.resize(path.find_last_of(L'\\'));
    path.resize(path.find_last_of(L'\\') + 1);
    return path + L"Quillon.exe";
}

class CWindowBench
{
public:
    CWindowBench(const std::wstring& root, const std::wstring& program, int nFiles)
        : m_root(root), m_program(program), m_nFiles(nFiles)
    {
        ::CreateDirectoryW(root.c_str(), nullptr);
        const std::wstring source = root + L"\\s";
        ::CreateDirectoryW(source.c_str(), nullptr);
        for (int j = 0; j < m_nFiles; ++j)
        {
            wchar_t name[16];
            std::swprintf(name, 16, L"f%04d.txt", j);
            m_names.push_back(name);
            m_files.push_back(source + L"\\" + name);
            ::CloseHandle(::CreateFileW(m_files.back().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        }
    }

    std::vector<std::wstring> MakeFolders(Present present)
    {
        const std::wstring base = m_root + L"\\r" + std::to_wstring(m_nRound++);
        ::CreateDirectoryW(base.c_str(), nullptr);
        m_made.push_back(base);
        std::vector<std::wstring> folders;
        for (int i = 0; i < kFolders; ++i)
        {
            folders.push_back(base + L"\\d" + std::to_wstring(i) + L"\\");
            ::CreateDirectoryW(folders.back().c_str(), nullptr);
            for (int j = 0; present != Present::Nothing && j < m_nFiles; ++j)
            {
                const std::wstring target = folders.back() + m_names[static_cast<size_t>(j)];
                if (present == Present::AlreadyLinked)
                    ::CreateHardLinkW(target.c_str(), m_files[static_cast<size_t>(j)].c_str(), nullptr);
                else
                    ::CloseHandle(::CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
            }
        }
        return folders;
    }

    void CleanUp()
    {
        for (const std::wstring& base : m_made)
            RemoveTree(base);
        m_made.clear();
        // The runs' records go with their folders.
        wchar_t szLocal[MAX_PATH] = {};
        if (SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, szLocal)))
            RemoveTree(std::wstring(szLocal) + L"\\Quillon\\Verlauf");
    }

    double BareLoop(Present present)
    {
        const std::vector<std::wstring> folders = MakeFolders(present);
        const double dStart = Now();
        for (const std::wstring& folder : folders)
            for (size_t j = 0; j < m_files.size(); ++j)
            {
                const std::wstring target = folder + m_names[j];
                if (!::PathFileExistsW(target.c_str()) || ::DeleteFileW(target.c_str()))
                    ::CreateHardLinkW(target.c_str(), m_files[j].c_str(), nullptr);
            }
        return Now() - dStart;
    }

    // Starts the program with the lists, presses the button and waits for
    // the run's end; -1 when the window did not do as expected.
    double ThroughTheWindow(Present present, int nButton)
    {
        const std::vector<std::wstring> folders = MakeFolders(present);
        const std::wstring& program = m_program;
        std::wstring commandLine = L"\"" + program + L"\"";
        for (const std::wstring& file : m_files)
            commandLine += L" " + file;
        for (const std::wstring& folder : folders)
            commandLine += L" " + folder.substr(0, folder.size() - 1);
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi = {};
        if (!::CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            return -1.0;
        double dSeconds = -1.0;
        const HWND hWnd = WaitForWindow(pi.dwProcessId);
        if (hWnd != nullptr)
        {
            // "Rückgängig" undoes a run made first, untimed.
            if (nButton == IDC_UNDO && (WaitForEnd(hWnd, IDOK) < 0 || !WaitForUndo(hWnd)))
                nButton = 0;
            dSeconds = nButton != 0 ? WaitForEnd(hWnd, nButton) : -1.0;
            ::PostMessageW(hWnd, WM_CLOSE, 0, 0);
        }
        if (::WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0)
            ::TerminateProcess(pi.hProcess, 1);
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
        // "Erstellen" must have linked every target; "Vorschau" nothing;
        // "Rückgängig" put every old file back.
        const bool bLinked = ::PathFileExistsW((folders.back() + m_names.back()).c_str()) != FALSE;
        if (dSeconds >= 0 && bLinked != (nButton == IDOK || present != Present::Nothing))
            dSeconds = -1.0;
        if (dSeconds >= 0 && nButton == IDC_UNDO && CountLinks(m_files.front()) != 1)
            dSeconds = -1.0;
        return dSeconds;
    }

private:
    static DWORD CountLinks(const std::wstring& path)
    {
        BY_HANDLE_FILE_INFORMATION info = {};
        const HANDLE h = ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE || !::GetFileInformationByHandle(h, &info))
            info.nNumberOfLinks = 0;
        if (h != INVALID_HANDLE_VALUE)
            ::CloseHandle(h);
        return info.nNumberOfLinks;
    }

    static bool WaitForUndo(HWND hWnd)
    {
        const double dStart = Now();
        while (Now() - dStart < 10.0 && !::IsWindowEnabled(::GetDlgItem(hWnd, IDC_UNDO)))
            ::Sleep(1);
        return ::IsWindowEnabled(::GetDlgItem(hWnd, IDC_UNDO)) != FALSE;
    }

    // Presses the button and waits until every line is in the list and the
    // run is over; -1 after two minutes.
    double WaitForEnd(HWND hWnd, int nButton)
    {
        const HWND hOutput = ::GetDlgItem(hWnd, IDC_LIST_OUTPUT);
        const HWND hCreate = ::GetDlgItem(hWnd, IDOK);
        double dSeconds = -1.0;
        const double dStart = Now();
        // Sent, not posted: when it returns the run has begun and the list
        // is cleared.
        DWORD_PTR nResult = 0;
        ::SendMessageTimeoutW(hWnd, WM_COMMAND, MAKEWPARAM(nButton, BN_CLICKED),
                              reinterpret_cast<LPARAM>(::GetDlgItem(hWnd, nButton)), SMTO_NORMAL, 5000, &nResult);
        while (Now() - dStart < 120.0)
            {
                DWORD_PTR nCount = 0;
                wchar_t szText[32] = {};
                ::SendMessageTimeoutW(hOutput, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, 5000, &nCount);
                DWORD_PTR nLength = 0;
                ::SendMessageTimeoutW(hCreate, WM_GETTEXT, 32, reinterpret_cast<LPARAM>(szText), SMTO_NORMAL, 5000,
                                      &nLength);
                // A line per pair, and one after them where files were kept.
                if (nCount >= static_cast<DWORD_PTR>(m_nFiles * kFolders) && std::wstring(szText) == L"Erstellen")
                {
                    dSeconds = Now() - dStart;
                    break;
                }
                ::Sleep(1);
        }
        return dSeconds;
    }

    HWND WaitForWindow(DWORD dwProcessId) const
    {
        const double dStart = Now();
        while (Now() - dStart < 30.0)
        {
            for (HWND hWnd = ::FindWindowW(L"#32770", L"Quillon"); hWnd != nullptr;
                 hWnd = ::FindWindowExW(nullptr, hWnd, L"#32770", L"Quillon"))
            {
                DWORD dwOwner = 0;
                ::GetWindowThreadProcessId(hWnd, &dwOwner);
                DWORD_PTR nFiles = 0;
                if (dwOwner == dwProcessId && ::IsWindowVisible(hWnd) &&
                    ::SendMessageTimeoutW(::GetDlgItem(hWnd, IDC_LIST_FILES), LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL,
                                          5000, &nFiles) != 0 &&
                    nFiles == static_cast<DWORD_PTR>(m_nFiles))
                {
                    ::Sleep(300);
                    return hWnd;
                }
            }
            ::Sleep(10);
        }
        return nullptr;
    }

    std::wstring m_root;
    std::wstring m_program;
    const int m_nFiles;
    std::vector<std::wstring> m_files;
    std::vector<std::wstring> m_names;
    std::vector<std::wstring> m_made;
    int m_nRound = 0;
};

double Min(const std::vector<double>& values)
{
    return values.empty() ? -1.0 : *std::min_element(values.begin(), values.end());
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    // window_run [rounds] [program]: another build's Quillon.exe may be
    // measured beside this one's bare loop.
    const int nRounds = argc >= 2 ? std::max(1, _wtoi(argv[1])) : 3;
    const std::wstring program = argc >= 3 && argv[2][0] != L'\0' ? std::wstring(argv[2]) : ProgramPath();
    // A third argument measures only the kinds whose name holds it.
    const std::string only = argc >= 4 ? std::string(argv[3], argv[3] + ::wcslen(argv[3])) : std::string();
    const std::wstring root = L"C:\\qw" + std::to_wstring(::GetCurrentProcessId());
    RemoveTree(root);
    ::CreateDirectoryW(root.c_str(), nullptr);
    const struct
    {
        const char* name;
        Present present;
        int nButton;
        Present bare;
        int nFiles;
    } kinds[] = {
        {"\"Erstellen\" into empty folders", Present::Nothing, IDOK, Present::Nothing, 600},
        {"\"Erstellen\" over other files of their own (removal on)", Present::OtherFiles, IDOK, Present::OtherFiles, 600},
        {"\"Erstellen\" again over targets already linked", Present::AlreadyLinked, IDOK, Present::OtherFiles, 600},
        {"\"Vorschau\" into empty folders", Present::Nothing, IDC_PREVIEW, Present::Nothing, 600},
        {"\"Rückgängig\" of a run over other files", Present::OtherFiles, IDC_UNDO, Present::OtherFiles, 1000},
    };
    bool ok = true;
    for (const auto& kind : kinds)
    {
        if (!only.empty() && std::string(kind.name).find(only) == std::string::npos)
            continue;
        CWindowBench bench(root + L"\\" + std::to_wstring(kind.nFiles), program, kind.nFiles);
        std::vector<double> window;
        std::vector<double> bare;
        for (int round = 0; round < nRounds; ++round)
        {
            // Rotate which goes first so that none gets a warmer cache.
            for (int k = 0; k < 2; ++k)
            {
                if ((round + k) % 2 == 0)
                {
                    const double d = bench.ThroughTheWindow(kind.present, kind.nButton);
                    ok = ok && d >= 0;
                    if (d >= 0)
                        window.push_back(d);
                }
                else
                {
                    bare.push_back(bench.BareLoop(kind.bare));
                }
                bench.CleanUp();
            }
        }
        std::printf("%d folders x %d files, %s, %d rounds: through the window min %.3f s; bare sequential loop "
                    "(%s) min %.3f s; ratio of minima %.3f\n",
                    kFolders, kind.nFiles, kind.name, nRounds, Min(window),
                    kind.bare == Present::Nothing ? "existence check, link" : "existence check, delete, link",
                    Min(bare), Min(window) / Min(bare));
        std::fflush(stdout);
    }
    RemoveTree(root);
    std::printf("every window run ended as expected: %s\n", ok ? "yes" : "NO");
    return ok ? 0 : 1;
}

// A Create run through the main dialog (from the button press to the last
// line in its list, on the run's workers and on one worker), with its output
// list on screen, against a bare sequential loop of the same file-system calls (existence check
// and hard link per pair; with the targets already there, existence check,
// delete and hard link), side by side on the same source files. Every round
// links into fresh target folders: empty, holding every target as another
// file that the run replaces, or holding every target as a hard link of its
// source already (a run before left them so, and a run again finds nothing
// to do). After every handler run the
// output list is checked: one line per pair, each as the batch writes it,
// in text order. For 10 x 1,000 into empty folders, "Vorschau" of the same
// pairs is measured too, against the same bare loop.
// A breakdown follows: the batch without the list, and the list without the
// file system.
// First, how long the window takes at most to answer another process while
// a run of 10 x 5,000 goes on.
#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_main_dialog.h"
#include "links/LinkRun.h"
#include "links/Win32FileSystem.h"
#include "maindlg/QuillonDlg.h"
#include "res/resource.h"
#include "tests/temp_tree.h"

namespace {

// From the button press to the last line in the list: the run goes on
// worker threads while the window's messages flow.
void PressCreate(CBenchDlg& dlg, int nButton = IDOK)
{
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(nButton, BN_CLICKED),
                    reinterpret_cast<LPARAM>(::GetDlgItem(dlg.m_hWnd, nButton)));
    MSG msg;
    while (dlg.IsRunning() && ::GetMessageW(&msg, nullptr, 0, 0) > 0)
    {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

class CFolderList : public ILinkPathList
{
public:
    explicit CFolderList(const std::vector<std::wstring>& folders) : m_folders(folders) {}
    int GetCount() const override { return static_cast<int>(m_folders.size()); }
    CString GetAt(int nIndex) const override { return CString(m_folders[static_cast<size_t>(nIndex)].c_str()); }

private:
    const std::vector<std::wstring>& m_folders;
};

// What the target folders hold before a run.
enum class Present
{
    Nothing,
    OtherFiles,
    AlreadyLinked
};

const char* Describe(Present present)
{
    switch (present)
    {
    case Present::OtherFiles:
        return "targets present (other files), removal on";
    case Present::AlreadyLinked:
        return "targets already linked, removal on";
    case Present::Nothing:
    default:
        return "empty target folders";
    }
}

double Time(const std::function<void()>& work)
{
    const double dStart = Now();
    work();
    return Now() - dStart;
}

double Min(const std::vector<double>& values)
{
    return *std::min_element(values.begin(), values.end());
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

class CBench
{
public:
    CBench(CBenchDlg& dlg, const std::wstring& root, int nFolders, int nFiles, Present present)
        : m_dlg(dlg), m_root(root), m_nFolders(nFolders), m_nFiles(nFiles), m_present(present)
    {
        const std::wstring source = root + L"\\src" + std::to_wstring(nFiles);
        ::CreateDirectoryW(source.c_str(), nullptr);
        m_dlg.m_setFiles.RemoveAll();
        for (int j = 0; j < nFiles; ++j)
        {
            wchar_t name[32];
            std::swprintf(name, 32, L"file%05d.txt", j);
            m_names.push_back(name);
            m_files.push_back(source + L"\\" + name);
            HANDLE h = ::CreateFileW(m_files.back().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            ::CloseHandle(h);
            m_dlg.m_setFiles.Add(m_files.back().c_str());
        }
        wchar_t* text = nullptr;
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, 0, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
        m_strSuccessText = text != nullptr ? text : L"";
        ::LocalFree(text);
    }

    // Fresh target folders, empty or holding the targets already.
    std::vector<std::wstring> MakeFolders()
    {
        const std::wstring base = m_root + L"\\r" + std::to_wstring(m_nRound++);
        ::CreateDirectoryW(base.c_str(), nullptr);
        m_made.push_back(base);
        std::vector<std::wstring> folders;
        // Other files: a file of its own behind every target, with a second
        // name beside the folder, so that it outlives the run. (Under Wine no
        // worker may replace a name whose file another worker holds open.)
        for (int i = 0; i < m_nFolders; ++i)
        {
            folders.push_back(base + L"\\d" + std::to_wstring(i) + L"\\");
            ::CreateDirectoryW(folders.back().c_str(), nullptr);
            const std::wstring old = base + L"\\old" + std::to_wstring(i) + L"\\";
            if (m_present == Present::OtherFiles)
                ::CreateDirectoryW(old.c_str(), nullptr);
            for (size_t j = 0; m_present != Present::Nothing && j < m_files.size(); ++j)
            {
                const std::wstring target = folders.back() + m_names[j];
                if (m_present == Present::AlreadyLinked)
                {
                    ::CreateHardLinkW(target.c_str(), m_files[j].c_str(), nullptr);
                    continue;
                }
                ::CloseHandle(::CreateFileW((old + m_names[j]).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                                            nullptr));
                ::CreateHardLinkW(target.c_str(), (old + m_names[j]).c_str(), nullptr);
            }
        }
        return folders;
    }

    void CleanUp()
    {
        for (const std::wstring& base : m_made)
            RemoveTree(base);
        m_made.clear();
    }

    double BareLoop()
    {
        const std::vector<std::wstring> folders = MakeFolders();
        return Time([&] {
            for (const std::wstring& folder : folders)
            {
                for (size_t j = 0; j < m_files.size(); ++j)
                {
                    const std::wstring target = folder + m_names[j];
                    // What removal has to do at the least: the target goes,
                    // the link comes.
                    if (!::PathFileExistsW(target.c_str()) || ::DeleteFileW(target.c_str()))
                        ::CreateHardLinkW(target.c_str(), m_files[j].c_str(), nullptr);
                }
            }
        });
    }

    // afterRun, if given, is called as soon as the run has ended, before the
    // output list is checked.
    double Handler(bool* pOk, int nWorkers = 0, const std::function<void()>& afterRun = nullptr)
    {
        m_dlg.m_nRunWorkers = nWorkers;
        const std::vector<std::wstring> folders = MakeFolders();
        m_dlg.m_setFolders.RemoveAll();
        for (const std::wstring& folder : folders)
            m_dlg.m_setFolders.Add(folder.c_str());
        const double seconds = Time([&] { PressCreate(m_dlg); });
        m_dlg.m_nRunWorkers = 0;
        if (afterRun)
            afterRun();
        if (!CheckOutput(folders))
            *pOk = false;
        return seconds;
    }

    // "Vorschau" through the window, on its workers: it reads only. The
    // list must hold a preview line per pair, and no target may exist
    // that was not there before.
    double Preview(bool* pOk)
    {
        const std::vector<std::wstring> folders = MakeFolders();
        m_dlg.m_setFolders.RemoveAll();
        for (const std::wstring& folder : folders)
            m_dlg.m_setFolders.Add(folder.c_str());
        const double seconds = Time([&] { PressCreate(m_dlg, IDC_PREVIEW); });
        CListCtrl& list = m_dlg.m_listOutput;
        bool ok = list.GetItemCount() == m_nFolders * m_nFiles;
        for (int i = 0; ok && i < list.GetItemCount(); i += 97)
            ok = list.GetItemText(i, 0).Left(10) == L"Vorschau: ";
        for (const std::wstring& folder : folders)
            ok = ok && (m_present != Present::Nothing || !::PathFileExistsW((folder + m_names[0]).c_str()));
        if (!ok)
            std::printf("preview list not as expected: %d lines\n", list.GetItemCount());
        *pOk = *pOk && ok;
        return seconds;
    }

    // The batch over the real file system, its lines formatted and dropped.
    double BatchOnly()
    {
        const std::vector<std::wstring> folders = MakeFolders();
        CWin32FileSystem fileSystem(m_dlg.m_pfnCreateSymbolicLinkW);
        return Time([&] {
            CLinkRun run(CFolderList(folders), CLinkPathList<CQNStringArrayHash>(m_dlg.m_setFiles), LinkRunOptions(),
                         fileSystem, 0, nullptr);
            size_t nLength = 0;
            for (const LinkPairResult& result : run.TakeResults())
                nLength += static_cast<size_t>(run.GetJob()->FormatLine(result).GetLength());
        });
    }

    // Clearing the previous run's report and showing this run's lines
    // again, without the file system; the lines are those of the last
    // handler run.
    double ListOnly()
    {
        std::vector<CString> lines;
        for (int i = 0; i < m_dlg.m_listOutput.GetItemCount(); ++i)
            lines.push_back(m_dlg.m_listOutput.GetItemText(i, 0));
        return Time([&] {
            m_dlg.GetReportView().Clear();
            m_dlg.GetReportView().AddTexts(lines);
            m_dlg.GetReportView().EndRun(nullptr);
            Pump();
        });
    }

private:
    bool CheckOutput(const std::vector<std::wstring>& folders)
    {
        CListCtrl& list = m_dlg.m_listOutput;
        std::vector<std::wstring> shown;
        for (int i = 0; i < list.GetItemCount(); ++i)
            shown.emplace_back(list.GetItemText(i, 0).GetString());
        std::vector<std::wstring> expected;
        for (const std::wstring& folder : folders)
        {
            for (const std::wstring& name : m_names)
                expected.push_back(L"HardLink: OK, File: " + folder + name + L", Error: 0, " + m_strSuccessText + L".");
        }
        // A run that replaced files ends with what it kept, after the pairs.
        if (m_present == Present::OtherFiles && !shown.empty() && shown.back().rfind(L"Aufbewahrt: ", 0) == 0)
            shown.pop_back();
        // The list shows the report in text order; it holds no items itself.
        bool ok = (list.GetStyle() & LVS_OWNERDATA) != 0;
        for (size_t i = 1; i < shown.size(); ++i)
            ok = ok && ::lstrcmpW(shown[i - 1].c_str(), shown[i].c_str()) <= 0;
        std::vector<std::wstring> sortedShown = shown;
        std::sort(sortedShown.begin(), sortedShown.end());
        std::sort(expected.begin(), expected.end());
        ok = ok && sortedShown == expected;
        if (!ok)
        {
            const auto differ = std::mismatch(sortedShown.begin(), sortedShown.end(), expected.begin(), expected.end());
            std::printf("output list not as expected: %zu lines, %zu expected; first difference: %ls\n", shown.size(),
                        expected.size(), differ.first != sortedShown.end() ? differ.first->c_str() : L"(none)");
        }
        return ok;
    }

    CBenchDlg& m_dlg;
    std::wstring m_root;
    int m_nFolders;
    int m_nFiles;
    Present m_present;
    int m_nRound = 0;
    std::vector<std::wstring> m_files;
    std::vector<std::wstring> m_names;
    std::vector<std::wstring> m_made;
    std::wstring m_strSuccessText;
};

// The longest time the window took to answer another process during one
// handler run of the bench, in milliseconds; -1 when it cannot be measured.
int AnswerTimeDuring(CBench& bench, CBenchDlg& dlg, bool* pOk)
{
    wchar_t szExe[MAX_PATH] = L"";
    ::GetModuleFileNameW(nullptr, szExe, MAX_PATH);
    const std::wstring eventName = L"QuillonBenchAnswerProbe-" + std::to_wstring(::GetCurrentProcessId());
    HANDLE hStop = ::CreateEventW(nullptr, TRUE, FALSE, eventName.c_str());
    std::wstring command = L"\"" + std::wstring(szExe) + L"\" --answer " +
                           std::to_wstring(reinterpret_cast<ULONG_PTR>(dlg.m_hWnd)) + L" " + eventName;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (hStop == nullptr || !::CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    {
        if (hStop != nullptr)
            ::CloseHandle(hStop);
        return -1;
    }
    // The probe's first answers come before the run; the window answers
    // throughout, also while the probe ends.
    const double dProbeStart = Now();
    while (Now() - dProbeStart < 1.0)
    {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        Pump();
    }
    bench.Handler(pOk, 0, [hStop] { ::SetEvent(hStop); });
    while (::MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 30000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
        Pump();
    DWORD dwLongest = 0;
    ::GetExitCodeProcess(pi.hProcess, &dwLongest);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(hStop);
    bench.CleanUp();
    return static_cast<int>(dwLongest);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    // --quick: the runs of up to 10 x 1,000 only, and of those only the
    // kinds named after it (nothing, other, linked), if any are.
    const bool bQuick = argc >= 2 && std::wstring(argv[1]) == L"--quick";
    const std::vector<std::wstring> kinds(argv + (bQuick ? 2 : argc), argv + argc);
    const auto wanted = [&kinds](Present present) {
        const wchar_t* names[] = {L"nothing", L"other", L"linked"};
        return kinds.empty() ||
               std::find(kinds.begin(), kinds.end(), names[static_cast<int>(present)]) != kinds.end();
    };
    if (argc == 4 && std::wstring(argv[1]) == L"--answer")
    {
        const HWND hWnd = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(std::wcstoull(argv[2], nullptr, 10)));
        HANDLE hStop = ::OpenEventW(SYNCHRONIZE, FALSE, argv[3]);
        // The first messages of a new process to another one pay for setting
        // up the way between them; they are not the window's answer time.
        for (int i = 0; i < 5; ++i)
        {
            DWORD_PTR result = 0;
            ::SendMessageTimeoutW(hWnd, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result);
        }
        DWORD dwLongest = 0;
        while (hStop != nullptr && ::WaitForSingleObject(hStop, 10) == WAIT_TIMEOUT && ::IsWindow(hWnd))
        {
            const double dStart = Now();
            DWORD_PTR result = 0;
            ::SendMessageTimeoutW(hWnd, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result);
            const DWORD dwMs = static_cast<DWORD>((Now() - dStart) * 1000);
            // An answer that came after the run had ended waited on the
            // benchmark's own checks, not on the window.
            if (::WaitForSingleObject(hStop, 0) == WAIT_TIMEOUT)
                dwLongest = std::max(dwLongest, dwMs);
        }
        return static_cast<int>(dwLongest);
    }

    const std::wstring root = L"C:\\quillon-bench-" + std::to_wstring(::GetCurrentProcessId());
    RemoveTree(root);
    ::CreateDirectoryW(root.c_str(), nullptr);

    CBenchDlg dlg;
    if (!dlg.Open())
        return 1;
    std::printf("output list visible: %s; workers of a run on this machine: %d\n",
                ::IsWindowVisible(dlg.m_listOutput) ? "yes" : "no", CLinkRun::DefaultWorkers());

    // First, into an empty output list: clearing a report of many lines is
    // the list view's own cost (see bench/copy_report), not the run's.
    bool ok = true;
    if (!bQuick)
    {
        CBench bench(dlg, root, 10, 5000, Present::Nothing);
        const int nLongest = AnswerTimeDuring(bench, dlg, &ok);
        std::printf("10 folders x 5000 files: longest answer of the window to another process during the run: %d ms\n",
                    nLongest);
    }
    std::fflush(stdout);

    const struct
    {
        int nFolders;
        int nFiles;
        int nRounds;
        Present present;
    } sizes[] = {{10, 100, 7, Present::Nothing},        {10, 1000, 5, Present::Nothing},
                 {20, 1200, 3, Present::Nothing},       {10, 100, 7, Present::OtherFiles},
                 {10, 1000, 5, Present::OtherFiles},    {10, 1000, 5, Present::AlreadyLinked},
                 {20, 5000, 1, Present::Nothing}};
    for (const auto& size : sizes)
    {
        if (bQuick && (size.nFiles > 1200 || !wanted(size.present)))
            continue;
        CBench bench(dlg, root, size.nFolders, size.nFiles, size.present);
        std::vector<double> bare;
        std::vector<double> handler;
        std::vector<double> oneWorker;
        std::vector<double> ratios;
        std::vector<double> oneRatios;
        std::vector<double> preview;
        std::vector<double> previewRatios;
        // The preview is measured against the bare loop into empty folders
        // (existence check, link), where it reads what a run would write.
        const bool bPreview = size.nFiles == 1000 && size.present == Present::Nothing;
        for (int round = 0; round < size.nRounds; ++round)
        {
            // Rotate which goes first so that none gets a warmer cache.
            for (int k = 0; k < (bPreview ? 4 : 3); ++k)
            {
                switch ((round + k) % (bPreview ? 4 : 3))
                {
                case 3:
                    preview.push_back(bench.Preview(&ok));
                    break;
                case 0:
                    bare.push_back(bench.BareLoop());
                    break;
                case 1:
                    handler.push_back(bench.Handler(&ok));
                    break;
                default:
                    oneWorker.push_back(bench.Handler(&ok, 1));
                    break;
                }
                bench.CleanUp();
            }
            ratios.push_back(handler.back() / bare.back());
            oneRatios.push_back(oneWorker.back() / bare.back());
            if (bPreview)
                previewRatios.push_back(preview.back() / bare.back());
        }
        // The machine is shared: the fastest round of each shows the cost
        // least disturbed by others, the median of the per-round ratios a
        // typical one.
        std::printf("%d folders x %d files, %s, %d rounds: bare loop min %.3f s median %.3f s; handler min %.3f s "
                    "median %.3f s, ratio of minima %.3f, median of round ratios %.3f; one worker min %.3f s, "
                    "ratio of minima %.3f, median of round ratios %.3f\n",
                    size.nFolders, size.nFiles, Describe(size.present),
                    size.nRounds, Min(bare), Median(bare), Min(handler), Median(handler), Min(handler) / Min(bare),
                    Median(ratios), Min(oneWorker), Min(oneWorker) / Min(bare), Median(oneRatios));
        if (bPreview)
            std::printf("  \"Vorschau\" of the same pairs: min %.3f s, ratio of minima to the bare loop %.3f, median of "
                        "round ratios %.3f\n",
                        Min(preview), Min(preview) / Min(bare), Median(previewRatios));
        std::fflush(stdout);
        if (size.nFiles > 1200)
            continue;

        std::vector<double> batchOnly;
        std::vector<double> listOnly;
        for (int round = 0; round < 3; ++round)
        {
            batchOnly.push_back(bench.BatchOnly());
            listOnly.push_back(bench.ListOnly());
            bench.CleanUp();
        }
        std::printf("  where it goes (min of 3): batch without list %.3f s; clear and show the list %.3f s\n",
                    Min(batchOnly), Min(listOnly));
        std::fflush(stdout);
    }
    dlg.DestroyWindow();
    RemoveTree(root);
    std::printf("output list checked after every run: %s\n", ok ? "as expected" : "NOT as expected");
    return ok ? 0 : 1;
}

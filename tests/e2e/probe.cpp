// Looks at another program's windows from outside, for the end-to-end
// scripts: where the controls are, whether they are enabled, and what a list
// view shows. Writes UTF-8 lines to stdout.
//   probe windows                    visible top-level windows
//   probe controls TITLE             the window and its direct children
//   probe items TITLE CONTROL_ID     the texts of a list view's items
//   probe line KIND CODE TARGET      the report's line for a link tried
//                                    (KIND preview-new, preview-linked: a
//                                    preview's line)
//   probe line ended DONE TOTAL      the last line of a stopped run
// (report lines come from the program's own formatter, escaped as items are)
#include <windows.h>
#include <commctrl.h>

#include "links/LinkReport.h"

#include <cwchar>
#include <string>
#include <vector>

namespace {

void Write(const std::wstring& text, DWORD nStdHandle = STD_OUTPUT_HANDLE)
{
    const int nBytes = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                             nullptr, nullptr);
    if (nBytes <= 0)
        return;
    std::string bytes(static_cast<size_t>(nBytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0], nBytes, nullptr,
                          nullptr);
    DWORD dwWritten = 0;
    ::WriteFile(::GetStdHandle(nStdHandle), bytes.data(), static_cast<DWORD>(bytes.size()), &dwWritten,
                nullptr);
}

std::wstring RectText(const RECT& rc)
{
    wchar_t buffer[64];
    std::swprintf(buffer, 64, L"%ld %ld %ld %ld", static_cast<long>(rc.left), static_cast<long>(rc.top),
                  static_cast<long>(rc.right), static_cast<long>(rc.bottom));
    return buffer;
}

std::wstring WindowText(HWND hwnd)
{
    // Read into a buffer that grows until the text fits, rather than sized
    // by GetWindowTextLengthW: once, under Wine, that answered a negative
    // length for a window of the other process, and the probe died on it.
    std::vector<wchar_t> text(256, L'\0');
    while (::GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size())) >= static_cast<int>(text.size()) - 1 &&
           text.size() < 65536)
        text.assign(text.size() * 4, L'\0');
    std::wstring result(text.data());
    for (wchar_t& ch : result)
    {
        if (ch == L'\r' || ch == L'\n' || ch == L'\t')
            ch = L' ';
    }
    return result;
}

// A window that is missing is said so on stderr: a silent failure would look
// like a launch that never started.
HWND FindTopLevel(const wchar_t* pszTitle)
{
    for (HWND hwnd = ::FindWindowExW(nullptr, nullptr, nullptr, pszTitle); hwnd != nullptr;
         hwnd = ::FindWindowExW(nullptr, hwnd, nullptr, pszTitle))
    {
        if (::IsWindowVisible(hwnd))
            return hwnd;
    }
    Write(std::wstring(L"probe: no visible window \"") + pszTitle + L"\"\n", STD_ERROR_HANDLE);
    return nullptr;
}

BOOL CALLBACK ListTopLevel(HWND hwnd, LPARAM)
{
    if (!::IsWindowVisible(hwnd))
        return TRUE;
    RECT rc;
    ::GetWindowRect(hwnd, &rc);
    Write(RectText(rc) + L" " + WindowText(hwnd) + L"\n");
    return TRUE;
}

int ListControls(const wchar_t* pszTitle)
{
    const HWND hwnd = FindTopLevel(pszTitle);
    if (hwnd == nullptr)
        return 2;
    RECT rc;
    ::GetWindowRect(hwnd, &rc);
    Write(L"window " + RectText(rc) + L"\n");
    RECT rcClient;
    ::GetClientRect(hwnd, &rcClient);
    ::MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&rcClient), 2);
    Write(L"client " + RectText(rcClient) + L"\n");
    for (HWND hChild = ::GetWindow(hwnd, GW_CHILD); hChild != nullptr; hChild = ::GetWindow(hChild, GW_HWNDNEXT))
    {
        wchar_t szClass[64] = L"";
        ::GetClassNameW(hChild, szClass, 64);
        RECT rcChild;
        ::GetWindowRect(hChild, &rcChild);
        wchar_t szHead[160];
        std::swprintf(szHead, 160, L"%d %ls %d %d ", ::GetDlgCtrlID(hChild), szClass,
                      ::IsWindowVisible(hChild) ? 1 : 0, ::IsWindowEnabled(hChild) ? 1 : 0);
        Write(szHead + RectText(rcChild) + L" " + WindowText(hChild) + L"\n");
    }
    return 0;
}

// CR shown as "\r", LF as "\n" or, when kept, as itself.
std::wstring Escaped(const wchar_t* pszText, bool bKeepLineFeeds)
{
    std::wstring escaped;
    for (const wchar_t* p = pszText; *p != L'\0'; ++p)
    {
        if (*p == L'\r')
            escaped += L"\\r";
        else if (*p == L'\n' && !bKeepLineFeeds)
            escaped += L"\\n";
        else
            escaped += *p;
    }
    return escaped;
}

// A list view answers LVM_GETITEMTEXTW only with memory of its own process:
// the request and the text buffer are placed there.
int ListItems(const wchar_t* pszTitle, int nControlID)
{
    const HWND hwnd = FindTopLevel(pszTitle);
    const HWND hList = hwnd != nullptr ? ::GetDlgItem(hwnd, nControlID) : nullptr;
    if (hList == nullptr)
    {
        if (hwnd != nullptr)
            Write(L"probe: the window has no control " + std::to_wstring(nControlID) + L"\n", STD_ERROR_HANDLE);
        return 2;
    }
    DWORD dwProcessId = 0;
    ::GetWindowThreadProcessId(hList, &dwProcessId);
    const HANDLE hProcess = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                                          dwProcessId);
    if (hProcess == nullptr)
    {
        Write(L"probe: the list's process cannot be opened\n", STD_ERROR_HANDLE);
        return 3;
    }
    const int nChars = 2048;
    const SIZE_T cbTotal = sizeof(LVITEMW) + nChars * sizeof(wchar_t);
    auto* pRemote =
        static_cast<BYTE*>(::VirtualAllocEx(hProcess, nullptr, cbTotal, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (pRemote == nullptr)
    {
        Write(L"probe: no memory in the list's process\n", STD_ERROR_HANDLE);
        ::CloseHandle(hProcess);
        return 3;
    }
    int nResult = 0;
    const int nCount = static_cast<int>(::SendMessageW(hList, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < nCount && nResult == 0; ++i)
    {
        LVITEMW item = {};
        item.iSubItem = 0;
        item.cchTextMax = nChars;
        item.pszText = reinterpret_cast<LPWSTR>(pRemote + sizeof(LVITEMW));
        std::vector<wchar_t> text(nChars + 1, L'\0');
        if (!::WriteProcessMemory(hProcess, pRemote, &item, sizeof(item), nullptr))
        {
            nResult = 3;
            break;
        }
        ::SendMessageW(hList, LVM_GETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(pRemote));
        if (!::ReadProcessMemory(hProcess, pRemote + sizeof(LVITEMW), text.data(), nChars * sizeof(wchar_t),
                                 nullptr))
        {
            nResult = 3;
            break;
        }
        // Line breaks inside an item are shown as escapes: one item, one line.
        Write(Escaped(text.data(), false) + L"\n");
    }
    ::VirtualFreeEx(hProcess, pRemote, 0, MEM_RELEASE);
    ::CloseHandle(hProcess);
    return nResult;
}

// The control that has the keyboard focus in the window's thread, and the
// number of selected items of a list: what a user sees without the mouse.
int ShowFocus(const wchar_t* pszTitle)
{
    const HWND hwnd = FindTopLevel(pszTitle);
    if (hwnd == nullptr)
        return 2;
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(hwnd, nullptr), &info) || info.hwndFocus == nullptr)
    {
        Write(L"probe: no focus\n", STD_ERROR_HANDLE);
        return 2;
    }
    Write(std::to_wstring(::GetDlgCtrlID(info.hwndFocus)) + L"\n");
    return 0;
}

// The clipboard's Unicode text as a Windows program reads it, CR shown.
int ShowClipboard()
{
    if (!::OpenClipboard(nullptr))
        return 2;
    const HANDLE hText = ::GetClipboardData(CF_UNICODETEXT);
    const auto* pszText = hText != nullptr ? static_cast<const wchar_t*>(::GlobalLock(hText)) : nullptr;
    if (pszText != nullptr)
    {
        Write(Escaped(pszText, true) + L"\n");
        ::GlobalUnlock(hText);
    }
    ::CloseClipboard();
    return pszText != nullptr ? 0 : 2;
}

int CountSelected(const wchar_t* pszTitle, int nControlID)
{
    const HWND hwnd = FindTopLevel(pszTitle);
    const HWND hList = hwnd != nullptr ? ::GetDlgItem(hwnd, nControlID) : nullptr;
    if (hList == nullptr)
        return 2;
    Write(std::to_wstring(::SendMessageW(hList, LVM_GETSELECTEDCOUNT, 0, 0)) + L"\n");
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    // Coordinates in real pixels, as the mouse sees them, at any DPI.
    ::SetProcessDPIAware();
    if (argc == 2 && std::wcscmp(argv[1], L"windows") == 0)
    {
        ::EnumWindows(ListTopLevel, 0);
        return 0;
    }
    if (argc == 3 && std::wcscmp(argv[1], L"controls") == 0)
        return ListControls(argv[2]);
    if (argc == 4 && std::wcscmp(argv[1], L"items") == 0)
        return ListItems(argv[2], static_cast<int>(std::wcstol(argv[3], nullptr, 10)));
    if (argc == 2 && std::wcscmp(argv[1], L"clipboard") == 0)
        return ShowClipboard();
    if (argc == 3 && std::wcscmp(argv[1], L"focus") == 0)
        return ShowFocus(argv[2]);
    if (argc == 5 && std::wcscmp(argv[1], L"line") == 0)
    {
        const long long nFirst = std::wcstoll(argv[3], nullptr, 10);
        LinkPairResult preview;
        preview.action = std::wcscmp(argv[2], L"preview-new") == 0 ? PairAction::NewLink : PairAction::AlreadyLinked;
        preview.dwError = static_cast<DWORD>(nFirst);
        const CString strLine =
            std::wcsncmp(argv[2], L"preview-", 8) == 0 ? FormatPairLine(preview, LinkKind::Hard, true, L"", argv[4])
            : std::wcscmp(argv[2], L"ended") == 0
                ? FormatEndedEarlyLine(nFirst, std::wcstoll(argv[4], nullptr, 10), 0)
                : FormatLinkLine(std::wcscmp(argv[2], L"SymbolicLink") == 0 ? LinkKind::Symbolic
                                 : std::wcscmp(argv[2], L"Junction") == 0   ? LinkKind::Junction
                                                                            : LinkKind::Hard,
                                 static_cast<DWORD>(nFirst), argv[4]);
        Write(Escaped(strLine, false) + L"\n");
        return 0;
    }
    if (argc == 4 && std::wcscmp(argv[1], L"selected") == 0)
        return CountSelected(argv[2], static_cast<int>(std::wcstol(argv[3], nullptr, 10)));
    Write(L"usage: probe windows | controls TITLE | items TITLE CONTROL_ID | focus TITLE | selected TITLE CONTROL_ID | "
          L"clipboard | line KIND CODE TARGET | line ended DONE TOTAL\n");
    return 1;
}

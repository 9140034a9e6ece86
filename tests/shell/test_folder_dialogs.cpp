#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <string>

#include "framework/WinApp.h"
#include "shell/DirectoryMemory.h"
#include "shell/FolderPicker.h"
#include "shell/PathHelpers.h"
#include "shell/ShellApi.h"
#include "tests/shell/dialog_driver.h"
#include "tests/shell/shell_test_support.h"

namespace {

// The item dialog's file-name box and the browse dialog's title text.
constexpr int kItemDialogNameEdit = 1152;
constexpr int kBrowseTitleStatic = 14146;

void PressOk(HWND hDlg)
{
    ::PostMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(hDlg, IDOK)));
}

void PressCancel(HWND hDlg)
{
    ::PostMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(hDlg, IDCANCEL)));
}

// What the browse dialog looked like while the callback had set it up.
struct BrowseDialogLook
{
    bool bHelpStyle = true;
    bool bEditReadOnly = false;
    std::wstring editText;
    std::wstring title;
    std::wstring caption;
};

BrowseDialogLook LookAt(HWND hDlg)
{
    BrowseDialogLook look;
    look.bHelpStyle = (::GetWindowLongW(hDlg, GWL_STYLE) & DS_CONTEXTHELP) != 0 ||
                      (::GetWindowLongW(hDlg, GWL_EXSTYLE) & WS_EX_CONTEXTHELP) != 0;
    HWND hEdit = FindDescendant(hDlg, L"Edit");
    look.bEditReadOnly = hEdit != nullptr && (::GetWindowLongW(hEdit, GWL_STYLE) & ES_READONLY) != 0;
    look.editText = hEdit != nullptr ? WindowText(hEdit) : L"";
    look.title = WindowText(::GetDlgItem(hDlg, kBrowseTitleStatic));
    look.caption = WindowText(hDlg);
    return look;
}

DWORD WINAPI ItemDialogWithoutCom(LPVOID pv)
{
    CString path(L"C:\\");
    *static_cast<int*>(pv) = PickFolderWithItemDialog(path, L"");
    return 0;
}

}  // namespace

TEST(FolderDialogs, ItemDialogResultIsRememberedOnlyWhenConfirmed)
{
    CShellManager shell;
    if (!shell.IsComInitialized())
        GTEST_SKIP() << "COM could not be initialised as an apartment on this thread";
    CShellTestApp app;
    CShellApi api;
    api.m_nOsMajorVersion = 6;
    CTempFolder tree;
    const std::wstring sub = tree.MakeDir(L"Chosen");

    CDialogDriver cancel(PressCancel);
    CString path(tree.Path().c_str());
    EXPECT_EQ(IDCANCEL, PickFolder(path));
    cancel.Join();
    EXPECT_EQ(Lower(tree.Path()), Str(path));
    EXPECT_EQ(L"<none>", CShellTestApp::Value(BROWSE_FOLDERS_SECTION, LAST_DIR_VALUE));
    EXPECT_EQ(L"<none>", CShellTestApp::Value(BROWSE_FOLDERS_SECTION, DIALOG_ID_VALUE));

    CDialogDriver choose([&](HWND hDlg) {
        ::SendMessageW(::GetDlgItem(hDlg, kItemDialogNameEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(sub.c_str()));
        PressOk(hDlg);
    });
    EXPECT_EQ(IDOK, PickFolder(path));
    choose.Join();
    ASSERT_TRUE(choose.Found());
    EXPECT_FALSE(choose.ForcedClose());
    EXPECT_EQ(Lower(sub + L"\\"), Lower(Str(path)));
    EXPECT_EQ(Str(path), CShellTestApp::Value(BROWSE_FOLDERS_SECTION, LAST_DIR_VALUE));
    const std::wstring id = CShellTestApp::Value(BROWSE_FOLDERS_SECTION, DIALOG_ID_VALUE);
    EXPECT_EQ(38u, id.size());
    EXPECT_TRUE(IsBracedGuidString(id.c_str())) << id;
}

TEST(FolderDialogs, ItemDialogWithoutComOnTheThreadCancels)
{
    int nResult = 0;
    HANDLE hThread = ::CreateThread(nullptr, 0, ItemDialogWithoutCom, &nResult, 0, nullptr);
    ASSERT_NE(nullptr, hThread);
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(hThread, 20000));
    ::CloseHandle(hThread);
    EXPECT_EQ(IDCANCEL, nResult);
}

TEST(FolderDialogs, BrowseDialogStartsAtTheFolderAndReturnsItOrCancels)
{
    CTempFolder tree;
    const std::wstring sub = tree.MakeDir(L"Start Here");

    BrowseDialogLook look;
    CDialogDriver ok([&](HWND hDlg) {
        look = LookAt(hDlg);
        PressOk(hDlg);
    });
    CString path((sub + L"\\").c_str());
    EXPECT_EQ(IDOK, PickFolderWithBrowseDialog(path));
    ok.Join();
    ASSERT_TRUE(ok.Found());
    EXPECT_FALSE(ok.ForcedClose());
    EXPECT_EQ(Lower(sub + L"\\"), Lower(Str(path)));
    EXPECT_FALSE(look.bHelpStyle);
    EXPECT_TRUE(look.bEditReadOnly);
    // The box shows the start folder as given or, once the tree has
    // reported the selection, as the tree names it.
    const std::wstring shown = look.editText;
    EXPECT_TRUE(shown == sub + L"\\" || shown == sub) << ::testing::PrintToString(shown);
    EXPECT_EQ(look.caption, look.title);

    CDialogDriver cancel(PressCancel);
    CString kept((sub + L"\\").c_str());
    EXPECT_EQ(IDCANCEL, PickFolderWithBrowseDialog(kept));
    cancel.Join();
    EXPECT_TRUE(cancel.Found());
    EXPECT_EQ(sub + L"\\", Str(kept));
}

// Run as a child process of its own by the test below, with the system
// reporting Windows XP from the start.
TEST(OldSystemChild, DISABLED_PickFolderUsesTheBrowseDialog)
{
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    ASSERT_TRUE(::GetVersionExW(&info));
    ASSERT_EQ(5u, info.dwMajorVersion);
    ASSERT_EQ(5u, CShellApi::Get().m_nOsMajorVersion);

    CShellTestApp app;
    CTempFolder tree;
    const std::wstring sub = tree.MakeDir(L"Old");
    bool bBrowseDialog = false;
    CDialogDriver ok([&](HWND hDlg) {
        bBrowseDialog = ::GetDlgItem(hDlg, kBrowseTitleStatic) != nullptr;
        PressOk(hDlg);
    });
    CString path(sub.c_str());
    EXPECT_EQ(IDOK, PickFolder(path));
    ok.Join();
    EXPECT_TRUE(bBrowseDialog);
    EXPECT_EQ(Lower(sub + L"\\"), Lower(Str(path)));
    EXPECT_EQ(Str(path), CShellTestApp::Value(BROWSE_FOLDERS_SECTION, LAST_DIR_VALUE));
    EXPECT_EQ(L"<none>", CShellTestApp::Value(BROWSE_FOLDERS_SECTION, DIALOG_ID_VALUE));
}

namespace {

// Sets the Windows version Wine reports to processes started from now on,
// and puts the previous setting back.
class CWineVersionOverride
{
public:
    explicit CWineVersionOverride(const wchar_t* pszVersion)
    {
        DWORD cb = sizeof(m_szPrevious);
        m_bHadValue = ::RegGetValueW(HKEY_CURRENT_USER, kKey, L"Version", RRF_RT_REG_SZ, nullptr, m_szPrevious, &cb) ==
                      ERROR_SUCCESS;
        m_bSet = Set(pszVersion);
    }
    ~CWineVersionOverride()
    {
        if (m_bHadValue)
            Set(m_szPrevious);
        else
            ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, L"Version");
    }
    CWineVersionOverride(const CWineVersionOverride&) = delete;
    CWineVersionOverride& operator=(const CWineVersionOverride&) = delete;

    bool IsSet() const { return m_bSet; }

private:
    static constexpr const wchar_t* kKey = L"Software\\Wine";
    static bool Set(const wchar_t* pszVersion)
    {
        return ::RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"Version", REG_SZ, pszVersion,
                                 static_cast<DWORD>((wcslen(pszVersion) + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }

    wchar_t m_szPrevious[64] = {};
    bool m_bHadValue = false;
    bool m_bSet = false;
};

bool IsWine()
{
    HMODULE hNtdll = ::GetModuleHandleW(L"ntdll.dll");
    return hNtdll != nullptr && ::GetProcAddress(hNtdll, "wine_get_version") != nullptr;
}

}  // namespace

TEST(FolderDialogs, OnAnXpVersionOfTheSystemTheBrowseDialogIsUsed)
{
    if (!IsWine())
        GTEST_SKIP() << "only Wine can be made to report another Windows version";
    const std::wstring exe = [] {
        wchar_t path[MAX_PATH * 2] = {};
        ::GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
        return std::wstring(path);
    }();
    CTempFolder output;
    const std::wstring log = output.Path() + L"child.txt";

    DWORD exitCode = 1;
    {
        CWineVersionOverride winxp(L"winxp");
        ASSERT_TRUE(winxp.IsSet());
        SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
        HANDLE hLog = ::CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, hLog);
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = hLog;
        si.hStdError = hLog;
        std::wstring cmd = L"\"" + exe +
                           L"\" --gtest_also_run_disabled_tests "
                           L"--gtest_filter=OldSystemChild.DISABLED_PickFolderUsesTheBrowseDialog";
        PROCESS_INFORMATION pi = {};
        const BOOL bStarted =
            ::CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
        ::CloseHandle(hLog);
        ASSERT_TRUE(bStarted);
        ::WaitForSingleObject(pi.hProcess, 90000);
        ::GetExitCodeProcess(pi.hProcess, &exitCode);
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
    }

    std::string text;
    HANDLE hRead = ::CreateFileW(log.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (hRead != INVALID_HANDLE_VALUE)
    {
        char buffer[4096];
        DWORD n = 0;
        while (::ReadFile(hRead, buffer, sizeof(buffer), &n, nullptr) && n > 0)
            text.append(buffer, n);
        ::CloseHandle(hRead);
    }
    EXPECT_EQ(0u, exitCode) << text;
    EXPECT_NE(std::string::npos, text.find("[  PASSED  ] 1 test")) << text;
}

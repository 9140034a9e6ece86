#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "shell/BrowseFolderDialog.h"
#include "tests/shell/dialog_driver.h"
#include "tests/shell/shell_test_support.h"

namespace {

// A window with the browse dialog's parts that the callback touches: help
// styles, two static texts, the edit box and the OK button.
class CFakeBrowseDialog
{
public:
    explicit CFakeBrowseDialog(bool bWithEdit = true)
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QuillonFakeBrowseDialog";
        ::RegisterClassW(&wc);
        m_hDlg = ::CreateWindowExW(WS_EX_CONTEXTHELP, wc.lpszClassName, L"Ordner suchen",
                                   WS_OVERLAPPEDWINDOW | DS_CONTEXTHELP, 0, 0, 400, 300, nullptr, nullptr,
                                   wc.hInstance, nullptr);
        m_hTitle = Child(L"Static", L"", 0);
        m_hStatus = Child(L"Static", L"status", 0);
        if (bWithEdit)
            m_hEdit = Child(L"Edit", L"typed", 0);
        m_hOk = Child(L"Button", L"OK", IDOK);
    }
    ~CFakeBrowseDialog() { ::DestroyWindow(m_hDlg); }
    CFakeBrowseDialog(const CFakeBrowseDialog&) = delete;
    CFakeBrowseDialog& operator=(const CFakeBrowseDialog&) = delete;

    HWND m_hDlg = nullptr;
    HWND m_hTitle = nullptr;
    HWND m_hStatus = nullptr;
    HWND m_hEdit = nullptr;
    HWND m_hOk = nullptr;

private:
    HWND Child(const wchar_t* pszClass, const wchar_t* pszText, int nId)
    {
        return ::CreateWindowExW(0, pszClass, pszText, WS_CHILD | WS_VISIBLE, 0, 0, 100, 20, m_hDlg,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(nId)), nullptr, nullptr);
    }
};

BrowseFolderState StateWith(const wchar_t* pszPath, int nTypedPathState)
{
    BrowseFolderState state = {};
    lstrcpynW(state.m_szPath, pszPath, 260);
    state.m_nTypedPathState = nTypedPathState;
    return state;
}

bool HasHelpStyle(HWND hWnd)
{
    return (::GetWindowLongW(hWnd, GWL_STYLE) & DS_CONTEXTHELP) != 0 ||
           (::GetWindowLongW(hWnd, GWL_EXSTYLE) & WS_EX_CONTEXTHELP) != 0;
}

bool IsReadOnly(HWND hEdit)
{
    return (::GetWindowLongW(hEdit, GWL_STYLE) & ES_READONLY) != 0;
}

// Frees an item list made by the shell when it goes out of scope.
class CItemList
{
public:
    explicit CItemList(LPITEMIDLIST pidl) : m_pidl(pidl) {}
    ~CItemList() { ::CoTaskMemFree(m_pidl); }
    CItemList(const CItemList&) = delete;
    CItemList& operator=(const CItemList&) = delete;
    LPARAM Param() const { return reinterpret_cast<LPARAM>(m_pidl); }
    bool IsValid() const { return m_pidl != nullptr; }

private:
    LPITEMIDLIST m_pidl;
};

bool MakeShortcut(const std::wstring& linkPath, const std::wstring& target)
{
    IShellLinkW* pLink = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&pLink))))
        return false;
    pLink->SetPath(target.c_str());
    IPersistFile* pFile = nullptr;
    bool bSaved = false;
    if (SUCCEEDED(pLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&pFile))))
    {
        bSaved = SUCCEEDED(pFile->Save(linkPath.c_str(), TRUE));
        pFile->Release();
    }
    pLink->Release();
    return bSaved;
}

}  // namespace

TEST(BrowseFolderCallback, InitialisationRemovesHelpAndLocksAGivenStartFolder)
{
    struct Case
    {
        const char* name;
        bool bState;
        const wchar_t* path;
        bool bReadOnly;
        std::wstring editText;
        std::wstring title;
    };
    const Case cases[] = {
        {"start folder", true, L"C:\\windows\\", true, L"C:\\windows\\", L"Ordner suchen"},
        {"no start folder", true, L"", false, L"typed", L""},
        {"no state", false, L"C:\\windows\\", false, L"typed", L""},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        CFakeBrowseDialog dlg;
        ASSERT_TRUE(HasHelpStyle(dlg.m_hDlg));
        BrowseFolderState state = StateWith(c.path, TYPED_PATH_ACCEPTED);
        EXPECT_EQ(0, BrowseFolderCallback(dlg.m_hDlg, BFFM_INITIALIZED, 0,
                                          c.bState ? reinterpret_cast<LPARAM>(&state) : 0));
        EXPECT_FALSE(HasHelpStyle(dlg.m_hDlg));
        EXPECT_EQ(c.bReadOnly, IsReadOnly(dlg.m_hEdit));
        EXPECT_EQ(c.editText, WindowText(dlg.m_hEdit));
        EXPECT_EQ(c.title, WindowText(dlg.m_hTitle));
        EXPECT_EQ(L"status", WindowText(dlg.m_hStatus));
        EXPECT_EQ(c.bState ? 0 : TYPED_PATH_ACCEPTED, state.m_nTypedPathState);
    }
}

TEST(BrowseFolderCallback, OkOnlyForExistingFileSystemFoldersThatAreNoShortcuts)
{
    const HRESULT hrCom = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    CTempFolder tree;
    const std::wstring folder = tree.MakeDir(L"Real");
    const std::wstring missing = tree.Path() + L"Missing";
    const std::wstring link = tree.Path() + L"Real.lnk";
    const bool bShortcut = MakeShortcut(link, folder);

    LPITEMIDLIST pidlComputer = nullptr;
    ::SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &pidlComputer);
    struct Case
    {
        const char* name;
        LPITEMIDLIST pidl;
        bool bOkEnabled;
        std::wstring editText;
    };
    CItemList real(::ILCreateFromPathW(folder.c_str()));
    CItemList gone(::SHSimpleIDListFromPath(missing.c_str()));
    CItemList computer(pidlComputer);
    CItemList shortcut(bShortcut ? ::ILCreateFromPathW(link.c_str()) : nullptr);
    ASSERT_TRUE(real.IsValid());
    ASSERT_TRUE(gone.IsValid());
    ASSERT_TRUE(computer.IsValid());
    const Case cases[] = {
        {"existing folder", reinterpret_cast<LPITEMIDLIST>(real.Param()), true, folder},
        {"missing folder", reinterpret_cast<LPITEMIDLIST>(gone.Param()), false, missing},
        {"no file-system path", pidlComputer, false, L"before"},
        {"no item", nullptr, false, L"before"},
        {"shortcut", reinterpret_cast<LPITEMIDLIST>(shortcut.Param()), false, link},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        if (std::string(c.name) == "shortcut" && !shortcut.IsValid())
            continue;
        CFakeBrowseDialog dlg;
        ::SetWindowTextW(dlg.m_hEdit, L"before");
        BrowseFolderState state = StateWith(L"", TYPED_PATH_ACCEPTED);
        EXPECT_EQ(0, BrowseFolderCallback(dlg.m_hDlg, BFFM_SELCHANGED, reinterpret_cast<LPARAM>(c.pidl),
                                          reinterpret_cast<LPARAM>(&state)));
        EXPECT_EQ(c.bOkEnabled, ::IsWindowEnabled(dlg.m_hOk) != FALSE);
        EXPECT_EQ(Lower(c.editText), Lower(WindowText(dlg.m_hEdit)));
        EXPECT_EQ(0, state.m_nTypedPathState);
    }
    if (SUCCEEDED(hrCom))
        ::CoUninitialize();
    if (!bShortcut)
        GTEST_SKIP() << "Wine could not save a shortcut here; the shortcut case was not checked";
}

TEST(BrowseFolderCallback, TypedPathIsAcceptedUnlessItHoldsWildcardsOrColonsAfterTheDrive)
{
    struct Case
    {
        const wchar_t* typed;
        int nReturn;
        int nState;
        const wchar_t* path;
    };
    const Case cases[] = {
        {L"  D:\\new\\folder  ", 0, TYPED_PATH_ACCEPTED, L"D:\\new\\folder"},
        {L"D:\\new?", 1, 0, L"D:\\new?"},
        {L"D:*", 0, TYPED_PATH_ACCEPTED, L"D:*"},
        {L"C:\\a:b", 1, 0, L"C:\\a:b"},
        {L"C:\\x\\*.txt", 1, 0, L"C:\\x\\*.txt"},
        {L"relative", 0, TYPED_PATH_ACCEPTED, L"relative"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(c.typed)));
        CFakeBrowseDialog dlg;
        ::ShowWindow(dlg.m_hDlg, SW_SHOW);
        ::SetWindowTextW(dlg.m_hEdit, c.typed);
        BrowseFolderState state = StateWith(L"C:\\start\\", 0);
        EXPECT_EQ(c.nReturn, BrowseFolderCallback(dlg.m_hDlg, BFFM_VALIDATEFAILEDW, 0,
                                                  reinterpret_cast<LPARAM>(&state)));
        EXPECT_EQ(c.nState, state.m_nTypedPathState);
        EXPECT_EQ(std::wstring(c.path), std::wstring(state.m_szPath));
        if (c.nReturn == 1)
        {
            DWORD start = 99;
            DWORD end = 99;
            ::SendMessageW(dlg.m_hEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
            EXPECT_EQ(0u, start);
            EXPECT_EQ(wcslen(c.path), end);
            EXPECT_EQ(dlg.m_hEdit, ::GetFocus());
        }
    }

    // Without an edit box there is nothing to take.
    CFakeBrowseDialog noEdit(false);
    BrowseFolderState state = StateWith(L"C:\\start\\", 0);
    EXPECT_EQ(0, BrowseFolderCallback(noEdit.m_hDlg, BFFM_VALIDATEFAILEDW, 0, reinterpret_cast<LPARAM>(&state)));
    EXPECT_EQ(0, state.m_nTypedPathState);
    EXPECT_EQ(L"C:\\start\\", std::wstring(state.m_szPath));
}

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "maindlg/AboutDlg.h"
#include "app/QuillonApp.h"
#include "maindlg/QuillonDlg.h"
#include "res/resource.h"

namespace {

struct ExpectedControl
{
    int id;
    const wchar_t* className;
    const wchar_t* text;
    DWORD requiredStyle;
    DWORD forbiddenStyle;
    RECT dialogUnits;  // x, y, width, height
};

const DWORD kListStyle = LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_SORTASCENDING | LVS_ALIGNLEFT |
                         WS_BORDER | WS_TABSTOP;

const std::vector<ExpectedControl>& MainDialogControls()
{
    static const std::vector<ExpectedControl> controls = {
        {IDOK, L"Button", L"Erstellen", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_DISABLED, 0, {263, 279, 50, 14}},
        {IDC_PREVIEW, L"Button", L"Vorschau", WS_TABSTOP | WS_DISABLED, 0, {263, 261, 50, 14}},
        {IDC_UNDO, L"Button", L"Rückgängig", WS_TABSTOP | WS_DISABLED, 0, {169, 218, 50, 14}},
        {IDC_LIST_FILES, L"SysListView32", L"", kListStyle, WS_DISABLED, {6, 55, 213, 48}},
        {IDC_LIST_FOLDERS, L"SysListView32", L"", kListStyle, WS_DISABLED, {6, 136, 213, 39}},
        {IDC_ADD_FILES, L"Button", L"Hinzufügen", WS_TABSTOP, WS_DISABLED, {203, 110, 50, 14}},
        {IDC_ADD_SOURCE_FOLDERS, L"Button", L"Ordner hinzufügen…", WS_TABSTOP, WS_DISABLED, {125, 110, 74, 14}},
        {IDC_REMOVE_FILE, L"Button", L"Entfernen", WS_TABSTOP | WS_DISABLED, 0, {263, 110, 50, 14}},
        {IDC_ADD_FOLDER, L"Button", L"Hinzufügen", WS_TABSTOP, WS_DISABLED, {203, 192, 50, 14}},
        {IDC_REMOVE_FOLDER, L"Button", L"Entfernen", WS_TABSTOP | WS_DISABLED, 0, {263, 192, 50, 14}},
        {IDC_RADIO_SYMBOLIC, L"Button", L"SymbolicLink (*)", BS_AUTORADIOBUTTON | WS_GROUP, 0, {6, 189, 67, 10}},
        {IDC_RADIO_HARD, L"Button", L"HardLink", BS_AUTORADIOBUTTON, WS_GROUP, {6, 202, 43, 10}},
        {IDC_CHECK_RELATIVE, L"Button", L"Relative Pfade", BS_AUTOCHECKBOX | WS_GROUP | WS_TABSTOP | WS_DISABLED, 0,
         {16, 212, 60, 10}},
        {IDC_STATIC_FILES, L"Static", L"Liste der (Quell) Dateien:", WS_GROUP, 0, {6, 42, 76, 10}},
        {IDC_STATIC_FOLDERS, L"Static", L"Liste der (Ziel) Ordner:", WS_GROUP, 0, {6, 121, 74, 10}},
        {IDC_LIST_OUTPUT, L"SysListView32", L"", kListStyle, WS_DISABLED, {6, 234, 213, 58}},
        {IDC_STATIC_OUTPUT, L"Static", L"Ausgabe:", WS_GROUP, 0, {6, 224, 74, 10}},
        {IDC_STATIC_DESCRIPTION, L"Static",
         L"Dieses Programm erstellt von einer oder mehren Dateien Links in einem oder mehreren Ordner. (*) Für "
         L"Symbolic muss das Programm als Admin ausgeführt werden, oder Sie müssen den Entwicklermodus "
         L"einschalten.",
         WS_GROUP, 0, {0, 0, 216, 28}},
        {IDC_CHECK_REMOVE_EXISTING, L"Button", L"Vorhandenen Dateien im Zielordner vorher entfernen.",
         BS_AUTOCHECKBOX | WS_TABSTOP, 0, {7, 317, 188, 14}},
    };
    return controls;
}

std::wstring ClassOf(HWND hWnd)
{
    wchar_t name[64] = {};
    ::GetClassNameW(hWnd, name, 64);
    return name;
}

std::wstring TextOf(HWND hWnd)
{
    wchar_t text[512] = {};
    ::GetWindowTextW(hWnd, text, 512);
    return text;
}

RECT ClientRectOf(HWND hDlg, HWND hCtl)
{
    RECT rc;
    ::GetWindowRect(hCtl, &rc);
    ::MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

// Template 102 as the system builds it, without the program's dialog code
// and its layout: the controls stay where the template puts them.
class CTemplateDialog
{
public:
    CTemplateDialog()
    {
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&icc);
        m_hWnd = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_QUILLON_DIALOG), nullptr,
                                      [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    }
    ~CTemplateDialog()
    {
        if (m_hWnd != nullptr)
            ::DestroyWindow(m_hWnd);
    }
    CTemplateDialog(const CTemplateDialog&) = delete;
    CTemplateDialog& operator=(const CTemplateDialog&) = delete;
    HWND m_hWnd;
};

class CTestMainDlg : public CQuillonDlg
{
public:
    ~CTestMainDlg() override { DestroyWindow(); }

protected:
    // Runs are not recorded: no test sees another's history.
    CString GetHistoryFolder() override { return CString(); }

public:
};

// Finds a top-level window of this thread by caption.
HWND FindThreadWindow(const wchar_t* caption)
{
    struct Search
    {
        const wchar_t* caption;
        HWND found;
    } search = {caption, nullptr};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND hWnd, LPARAM lParam) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lParam);
            if (TextOf(hWnd) == s->caption && ::IsWindowVisible(hWnd))
            {
                s->found = hWnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

TEST(MainDialogTest, EveryControlOfTheTemplateWithItsTextStyleAndPlace)
{
    CTestMainDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_QUILLON_DIALOG));
    const CTemplateDialog plain;
    ASSERT_NE(nullptr, plain.m_hWnd);
    RECT rcDialog = {0, 0, 321, 350};
    ::MapDialogRect(plain.m_hWnd, &rcDialog);
    RECT rcClient;
    ::GetClientRect(plain.m_hWnd, &rcClient);
    EXPECT_EQ(rcDialog.right, rcClient.right);
    EXPECT_EQ(rcDialog.bottom, rcClient.bottom);
    for (const ExpectedControl& c : MainDialogControls())
    {
        SCOPED_TRACE(c.id);
        HWND hCtl = ::GetDlgItem(dlg.m_hWnd, c.id);
        ASSERT_NE(nullptr, hCtl);
        EXPECT_EQ(std::wstring(c.className), ClassOf(hCtl));
        if (ClassOf(hCtl) != L"SysListView32")
        {
            EXPECT_EQ(std::wstring(c.text), TextOf(hCtl));
        }
        const DWORD style = static_cast<DWORD>(::GetWindowLongW(hCtl, GWL_STYLE));
        if ((c.requiredStyle & 0xF) != 0 && ClassOf(hCtl) == L"Button")
        {
            EXPECT_EQ(c.requiredStyle & 0xF, style & BS_TYPEMASK);
        }
        if (ClassOf(hCtl) == L"SysListView32")
        {
            // The two path lists share the shell's image list from
            // initialisation on.
            const DWORD shared =
                (c.id == IDC_LIST_FILES || c.id == IDC_LIST_FOLDERS) ? static_cast<DWORD>(LVS_SHAREIMAGELISTS) : 0u;
            // Several lines of the report can be selected for copying; the
            // list shows the report in its order, it holds no items to sort.
            const bool bOutput = c.id == IDC_LIST_OUTPUT;
            const DWORD single = bOutput ? static_cast<DWORD>(LVS_SINGLESEL | LVS_SORTASCENDING) : 0u;
            const DWORD view = bOutput ? static_cast<DWORD>(LVS_OWNERDATA) : 0u;
            EXPECT_EQ((((c.requiredStyle & 0xFFFFu) | shared) & ~single) | view, style & 0xFFFFu);
            // The list view trades WS_BORDER for a client edge when it is created.
            const DWORD exStyle = static_cast<DWORD>(::GetWindowLongW(hCtl, GWL_EXSTYLE));
            EXPECT_TRUE((style & WS_BORDER) || (exStyle & WS_EX_CLIENTEDGE));
            EXPECT_TRUE(style & WS_TABSTOP);
        }
        else
        {
            EXPECT_EQ(c.requiredStyle & ~0xFu, style & c.requiredStyle & ~0xFu);
        }
        EXPECT_EQ(0u, style & c.forbiddenStyle);

        // The system converts position and size separately, as MapDialogRect
        // does field by field. The live window's layout moves the controls
        // at once; their places in the window are checked with the layout.
        RECT expected = c.dialogUnits;
        ::MapDialogRect(plain.m_hWnd, &expected);
        const RECT actual = ClientRectOf(plain.m_hWnd, ::GetDlgItem(plain.m_hWnd, c.id));
        EXPECT_EQ(expected.left, actual.left);
        EXPECT_EQ(expected.top, actual.top);
        EXPECT_EQ(expected.right, actual.right - actual.left);
        EXPECT_EQ(expected.bottom, actual.bottom - actual.top);
    }
    const DWORD exStyle = static_cast<DWORD>(
        ::GetWindowLongW(::GetDlgItem(dlg.m_hWnd, IDC_STATIC_DESCRIPTION), GWL_EXSTYLE));
    EXPECT_TRUE(exStyle & WS_EX_STATICEDGE);

    // The template keeps its order; the live window takes its tab order
    // from the screen, top to bottom and left to right. The layout's own
    // windows (separator, splitter, size grip) never change it.
    std::vector<int> templateOrder;
    for (const ExpectedControl& c : MainDialogControls())
        templateOrder.push_back(c.id);
    // "Relative Pfade" follows the radio group it belongs to.
    const std::vector<int> screenOrder = {IDC_STATIC_DESCRIPTION, IDC_STATIC_FILES,   IDC_LIST_FILES,
                                          IDC_ADD_SOURCE_FOLDERS, IDC_ADD_FILES,      IDC_REMOVE_FILE,
                                          IDC_STATIC_FOLDERS,     IDC_LIST_FOLDERS,   IDC_CHECK_REMOVE_EXISTING,
                                          IDC_ADD_FOLDER,         IDC_REMOVE_FOLDER,  IDC_STATIC_OUTPUT,
                                          IDC_UNDO,               IDC_LIST_OUTPUT,    IDC_RADIO_SYMBOLIC,
                                          IDC_RADIO_HARD,         IDC_CHECK_RELATIVE, IDC_PREVIEW,
                                          IDOK};
    for (HWND hDlg : {plain.m_hWnd, dlg.m_hWnd})
    {
        std::vector<int> order;
        for (HWND h = ::GetWindow(hDlg, GW_CHILD); h != nullptr; h = ::GetWindow(h, GW_HWNDNEXT))
        {
            const int nID = ::GetDlgCtrlID(h);
            if (hDlg == plain.m_hWnd ||
                std::find(templateOrder.begin(), templateOrder.end(), nID) != templateOrder.end())
                order.push_back(nID);
        }
        EXPECT_EQ(hDlg == plain.m_hWnd ? templateOrder : screenOrder, order)
            << (hDlg == plain.m_hWnd ? "template" : "live window");
    }
}

TEST(MainDialogTest, StartsWithHardLinkAndRemovalCheckedAndAboutInTheSystemMenu)
{
    CTestMainDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_QUILLON_DIALOG));
    EXPECT_EQ(static_cast<UINT>(BST_UNCHECKED), ::IsDlgButtonChecked(dlg.m_hWnd, IDC_RADIO_SYMBOLIC));
    EXPECT_EQ(static_cast<UINT>(BST_CHECKED), ::IsDlgButtonChecked(dlg.m_hWnd, IDC_RADIO_HARD));
    EXPECT_EQ(static_cast<UINT>(BST_CHECKED), ::IsDlgButtonChecked(dlg.m_hWnd, IDC_CHECK_REMOVE_EXISTING));

    HMENU hSysMenu = ::GetSystemMenu(dlg.m_hWnd, FALSE);
    ASSERT_NE(nullptr, hSysMenu);
    const int n = ::GetMenuItemCount(hSysMenu);
    ASSERT_GE(n, 2);
    EXPECT_EQ(static_cast<UINT>(IDM_ABOUTBOX), ::GetMenuItemID(hSysMenu, n - 1));
    wchar_t text[64] = {};
    ::GetMenuStringW(hSysMenu, n - 1, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(L"&Info über Quillon...", text);
    EXPECT_TRUE(::GetMenuState(hSysMenu, n - 2, MF_BYPOSITION) & MF_SEPARATOR);

    EXPECT_EQ(dlg.m_hIcon, reinterpret_cast<HICON>(dlg.SendMessage(WM_GETICON, ICON_BIG)));
    EXPECT_EQ(dlg.m_hIcon, reinterpret_cast<HICON>(dlg.SendMessage(WM_GETICON, ICON_SMALL)));
    EXPECT_EQ(reinterpret_cast<LRESULT>(dlg.m_hIcon), dlg.SendMessage(WM_QUERYDRAGICON));
}

namespace {

// What the About dialog looked like while it ran, and how it was closed.
struct AboutVisit
{
    UINT closeMessage = 0;
    WPARAM closeWParam = 0;
    HWND hMain = nullptr;
    bool seen = false;
    bool ownerIsMain = false;
    bool mainDisabled = false;
    bool resizable = true;
    std::wstring versionText;
    bool hasIcon = false;
};
AboutVisit* g_pVisit = nullptr;

void CALLBACK VisitAbout(HWND, UINT, UINT_PTR idTimer, DWORD)
{
    HWND hAbout = FindThreadWindow(L"Info über Quillon");
    if (hAbout == nullptr)
        return;
    ::KillTimer(nullptr, idTimer);
    AboutVisit& v = *g_pVisit;
    v.seen = true;
    v.ownerIsMain = ::GetWindow(hAbout, GW_OWNER) == v.hMain;
    v.mainDisabled = !::IsWindowEnabled(v.hMain);
    v.resizable = (::GetWindowLongW(hAbout, GWL_STYLE) & WS_THICKFRAME) != 0;
    for (HWND h = ::GetWindow(hAbout, GW_CHILD); h != nullptr; h = ::GetWindow(h, GW_HWNDNEXT))
    {
        const std::wstring text = TextOf(h);
        if (text.rfind(L"Quillon, Version", 0) == 0)
            v.versionText = text;
        if (::SendMessageW(h, STM_GETICON, 0, 0) != 0)
            v.hasIcon = true;
    }
    ::PostMessageW(hAbout, v.closeMessage, v.closeWParam, 0);
}

}  // namespace

TEST(MainDialogTest, AboutEntryOpensTheAboutDialogWhichClosesEveryWay)
{
    CTestMainDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_QUILLON_DIALOG));
    // As in the program: the main dialog is the application's main window,
    // which owns the About dialog.
    CWinApp app;
    app.m_pMainWnd = &dlg;
    const std::pair<UINT, WPARAM> closers[] = {
        {WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED)},       // "OK"
        {WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED)},   // Escape
        {WM_CLOSE, 0},                                    // close box
    };
    for (const auto& closer : closers)
    {
        AboutVisit visit;
        visit.closeMessage = closer.first;
        visit.closeWParam = closer.second;
        visit.hMain = dlg.m_hWnd;
        g_pVisit = &visit;
        ::SetTimer(nullptr, 0, 20, VisitAbout);
        dlg.SendMessage(WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
        g_pVisit = nullptr;

        SCOPED_TRACE(closer.first);
        EXPECT_TRUE(visit.seen);
        EXPECT_TRUE(visit.ownerIsMain);
        EXPECT_TRUE(visit.mainDisabled);
        EXPECT_FALSE(visit.resizable);
        EXPECT_EQ(L"Quillon, Version 1.0", visit.versionText);
        EXPECT_TRUE(visit.hasIcon);
        EXPECT_TRUE(dlg.IsWindowEnabled());
        EXPECT_EQ(nullptr, FindThreadWindow(L"Info über Quillon"));
    }
    app.m_pMainWnd = nullptr;
}

TEST(MainDialogTest, OtherSystemCommandsKeepTheirUsualEffect)
{
    CTestMainDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_QUILLON_DIALOG));
    dlg.SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(dlg.IsIconic());
    dlg.SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(dlg.IsIconic());
    dlg.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
    // Closing a modeless dialog only hides it; the window itself remains.
    EXPECT_TRUE(dlg.IsWindow());
}

namespace {
void CALLBACK CloseMainDialog(HWND, UINT, UINT_PTR idTimer, DWORD)
{
    HWND hMain = FindThreadWindow(L"Quillon");
    if (hMain == nullptr)
        return;
    ::KillTimer(nullptr, idTimer);
    ::PostMessageW(hMain, WM_CLOSE, 0, 0);
}
}  // namespace

TEST(StartupTest, InitInstanceRunsTheMainDialogAndReturnsFalseWhenItCloses)
{
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Velmora\\app_tests");
    CQuillonApp app;
    app.SetCurrentHandles(::GetModuleHandleW(nullptr), nullptr, SW_SHOWNORMAL);
    ::SetTimer(nullptr, 0, 20, CloseMainDialog);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(nullptr, app.m_pMainWnd);
    EXPECT_STREQ(L"Velmora", app.m_pszRegistryKey);
    EXPECT_EQ(AFX_RESTART_MANAGER_SUPPORT_RESTART, app.m_dwRestartManagerSupportFlags);
    EXPECT_EQ(nullptr, FindThreadWindow(L"Quillon"));

    // The profile now lives under the company key and the executable's name.
    EXPECT_TRUE(app.WriteProfileInt(L"Dialog", L"Probe", 3));
    HKEY hKey = nullptr;
    EXPECT_EQ(ERROR_SUCCESS,
              ::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Velmora\\app_tests\\Dialog", 0, KEY_READ, &hKey));
    if (hKey != nullptr)
        ::RegCloseKey(hKey);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Velmora\\app_tests");
}

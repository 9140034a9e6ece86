#include <gtest/gtest.h>

#include <windows.h>

#include <climits>
#include <map>
#include <string>

#include "framework/WinApp.h"
#include "framework/Wnd.h"
#include "layout/LayoutGroup.h"
#include "layout/Placement.h"
#include "tests/layout/layout_test_dialog.h"
#include "tests/layout/rect_compare.h"
#include "tests/layout/test_profile_key.h"

namespace {

constexpr UINT kPositionAndSize = GLL_RESTORE_POSITION | GLL_RESTORE_SIZE;

// The nearest monitor, in screen coordinates, and the window's kind.
struct Desktop
{
    RECT rcMonitor;
    RECT rcWork;
    bool bToolWindow;
};
const Desktop kTaskbarBelow = {{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, false};
const Desktop kTaskbarAbove = {{0, 0, 1920, 1080}, {0, 40, 1920, 1080}, false};

struct PlacementCase
{
    const char* name;
    std::map<std::wstring, int> stored;
    UINT nFlags;
    UINT curShowCmd;
    bool bMainWindow;
    RECT expected;
    UINT expectedShowCmd;
    bool expectedSizeFromProfile;
    Desktop desktop = kTaskbarBelow;
};

std::map<std::wstring, int> StoredRect(int l, int t, int r, int b, int showCmd = SW_SHOWNORMAL)
{
    return {{L"ShowCmd", showCmd}, {L"Left", l}, {L"Top", t}, {L"Right", r}, {L"Bottom", b}};
}

WINDOWPLACEMENT Current(UINT showCmd)
{
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof(wp);
    wp.showCmd = showCmd;
    wp.rcNormalPosition = {10, 20, 610, 420};  // the 600 x 400 the layout gave
    return wp;
}

}  // namespace

TEST(PlacementRules, StoredValuesAreCheckedAgainstTheWorkArea)
{
    const PlacementCase cases[] = {
        {"first run centres on the screen", {}, kPositionAndSize, SW_SHOWNORMAL, true,
         {660, 340, 1260, 740}, SW_HIDE, true},
        {"a Left of -1000 counts as missing", StoredRect(-1000, 5, 700, 405), kPositionAndSize, SW_SHOWNORMAL,
         true, {660, 340, 700, 405}, SW_HIDE, true},
        {"inside the work area it stays", StoredRect(100, 100, 900, 700), kPositionAndSize, SW_SHOWNORMAL, true,
         {100, 100, 900, 700}, SW_HIDE, true},
        {"off every monitor the current placement stays", StoredRect(-2500, 100, -1900, 500, SW_MAXIMIZE),
         kPositionAndSize, SW_SHOWNORMAL, true, {10, 20, 610, 420}, SW_HIDE, true},
        {"past the right edge it shifts left", StoredRect(1700, 100, 2300, 500), kPositionAndSize, SW_SHOWNORMAL,
         true, {1320, 100, 1920, 500}, SW_HIDE, true},
        {"larger than the work area it is cut", StoredRect(-100, -50, 2100, 1200), kPositionAndSize,
         SW_SHOWNORMAL, true, {0, 0, 1920, 1040}, SW_HIDE, true},
        {"right less than left is normalised", StoredRect(800, 500, 200, 100), kPositionAndSize, SW_SHOWNORMAL,
         true, {200, 100, 800, 500}, SW_HIDE, true},
        {"without the size flag the layout's size stays", StoredRect(100, 120, 300, 200), GLL_RESTORE_POSITION,
         SW_SHOWNORMAL, true, {100, 120, 700, 520}, SW_HIDE, false},
        {"closed minimised, the main window shows normally", StoredRect(100, 100, 700, 500, SW_SHOWMINIMIZED),
         kPositionAndSize, SW_SHOWNORMAL, true, {100, 100, 700, 500}, SW_HIDE, true},
        {"closed minimised, another window stays minimised", StoredRect(100, 100, 700, 500, SW_SHOWMINIMIZED),
         kPositionAndSize, SW_SHOWNORMAL, false, {100, 100, 700, 500}, SW_SHOWMINIMIZED, true},
        {"closed maximised, it opens maximised", StoredRect(100, 100, 700, 500, SW_MAXIMIZE), kPositionAndSize,
         SW_SHOWNORMAL, true, {100, 100, 700, 500}, SW_MAXIMIZE, true},
        {"SW_MINIMIZE becomes SW_RESTORE", StoredRect(100, 100, 700, 500, SW_MINIMIZE), kPositionAndSize,
         SW_SHOWNORMAL, true, {100, 100, 700, 500}, SW_RESTORE, true},
        {"a maximised window stays maximised", StoredRect(100, 100, 700, 500, SW_SHOWNORMAL), kPositionAndSize,
         SW_MAXIMIZE, true, {100, 100, 700, 500}, SW_MAXIMIZE, true},
        // Placements count from the work area's corner: with the taskbar
        // above or to the left, a window at that corner stays there.
        {"taskbar above, as tall as the work area", StoredRect(100, 0, 700, 1040), kPositionAndSize,
         SW_SHOWNORMAL, true, {100, 0, 700, 1040}, SW_HIDE, true, kTaskbarAbove},
        {"taskbar above, past the bottom", StoredRect(100, 800, 700, 1200), kPositionAndSize, SW_SHOWNORMAL,
         true, {100, 640, 700, 1040}, SW_HIDE, true, kTaskbarAbove},
        {"taskbar left, at the corner", StoredRect(0, 0, 600, 400), kPositionAndSize, SW_SHOWNORMAL, true,
         {0, 0, 600, 400}, SW_HIDE, true, {{0, 0, 1920, 1080}, {60, 0, 1920, 1080}, false}},
        {"taskbar left of a monitor on the left", StoredRect(-1500, 100, -600, 500), kPositionAndSize,
         SW_SHOWNORMAL, true, {-1280, 100, -380, 500}, SW_HIDE, true,
         {{-1280, 0, 0, 1024}, {-1220, 0, 0, 1024}, false}},
        {"a tool window's placement is in screen coordinates", StoredRect(100, 0, 700, 1040), kPositionAndSize,
         SW_SHOWNORMAL, true, {100, 40, 700, 1080}, SW_HIDE, true, {{0, 0, 1920, 1080}, {0, 40, 1920, 1080}, true}},
        {"extreme values are cut", StoredRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX), kPositionAndSize, SW_SHOWNORMAL,
         true, {0, 0, 1920, 1040}, SW_HIDE, true},
        {"extreme values swapped are cut", StoredRect(INT_MAX, 100, INT_MIN, 500), kPositionAndSize,
         SW_SHOWNORMAL, true, {0, 100, 1920, 500}, SW_HIDE, true},
        {"a position at INT_MAX lies on no monitor", StoredRect(INT_MAX, INT_MAX, 0, 0), GLL_RESTORE_POSITION,
         SW_SHOWNORMAL, true, {10, 20, 610, 420}, SW_HIDE, false},
    };
    for (const PlacementCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        PlacementEnvironment env;
        env.readInt = [&c](LPCWSTR lpszName, int nDefault) {
            auto it = c.stored.find(lpszName);
            return it != c.stored.end() ? it->second : nDefault;
        };
        RECT asked = {};
        env.monitorFor = [&asked, &c](const RECT& rc) {
            asked = rc;
            return MONITORINFO{sizeof(MONITORINFO), c.desktop.rcMonitor, c.desktop.rcWork, 0};
        };
        env.bToolWindow = c.desktop.bToolWindow;
        env.screen = {1920, 1080};
        env.bMainWindow = c.bMainWindow;

        WINDOWPLACEMENT result = {};
        const bool bSized = ComputeRestoredPlacement(Current(c.curShowCmd), c.nFlags, env, result);
        EXPECT_EQ(c.expected, result.rcNormalPosition);
        EXPECT_EQ(c.expectedShowCmd, result.showCmd);
        EXPECT_EQ(c.expectedSizeFromProfile, bSized);
        EXPECT_TRUE(result.flags & WPF_ASYNCWINDOWPLACEMENT);
        EXPECT_EQ(sizeof(WINDOWPLACEMENT), result.length);
        EXPECT_LE(asked.left, asked.right);
        EXPECT_LE(asked.top, asked.bottom);
    }
}

namespace {

// A plain top-level window and an application object whose profile lives
// under a key of this test alone.
class PlacementWindowTest : public OwnProfileTest
{
protected:
    void SetUp() override
    {
        OwnProfileTest::SetUp();
        ASSERT_TRUE(m_wnd.CreateEx(0, L"STATIC", L"Platzierung", WS_POPUP | WS_CAPTION | WS_THICKFRAME,
                                   RECT{50, 60, 550, 460}, nullptr, 0));
    }
    void TearDown() override
    {
        m_wnd.DestroyWindow();
        OwnProfileTest::TearDown();
    }

    void Store(const RECT& rc, int showCmd)
    {
        m_app.WriteProfileInt(L"Platz", L"ShowCmd", showCmd);
        m_app.WriteProfileInt(L"Platz", L"Left", rc.left);
        m_app.WriteProfileInt(L"Platz", L"Top", rc.top);
        m_app.WriteProfileInt(L"Platz", L"Right", rc.right);
        m_app.WriteProfileInt(L"Platz", L"Bottom", rc.bottom);
    }
    WINDOWPLACEMENT Placement() const
    {
        WINDOWPLACEMENT wp = {};
        wp.length = sizeof(wp);
        m_wnd.GetWindowPlacement(&wp);
        return wp;
    }
    static void Pump()
    {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageW(&msg);
    }

    CWnd m_wnd;
};

}  // namespace

TEST_F(PlacementWindowTest, SavedPlacementComesBackOnTheWindow)
{
    SavePlacement(&m_wnd, L"Platz");
    const WINDOWPLACEMENT saved = Placement();
    const std::pair<const wchar_t*, int> values[] = {
        {L"ShowCmd", static_cast<int>(saved.showCmd)}, {L"Flags", static_cast<int>(saved.flags)},
        {L"MinPositionX", saved.ptMinPosition.x},       {L"MinPositionY", saved.ptMinPosition.y},
        {L"MaxPositionX", saved.ptMaxPosition.x},       {L"MaxPositionY", saved.ptMaxPosition.y},
        {L"Left", 50},                                  {L"Top", 60},
        {L"Right", 550},                                {L"Bottom", 460},
    };
    for (const auto& v : values)
        EXPECT_EQ(v.second, static_cast<int>(m_app.GetProfileIntW(L"Platz", v.first, 12345))) << v.first;

    Store({120, 130, 720, 530}, SW_SHOWNORMAL);
    EXPECT_TRUE(RestorePlacement(&m_wnd, L"Platz", kPositionAndSize));
    Pump();
    EXPECT_EQ((RECT{120, 130, 720, 530}), Placement().rcNormalPosition);
    EXPECT_FALSE(m_wnd.IsWindowVisible());
}

TEST_F(PlacementWindowTest, MaximisedAndOffScreenPlacements)
{
    Store({100, 100, 600, 400}, SW_MAXIMIZE);
    RestorePlacement(&m_wnd, L"Platz", kPositionAndSize);
    Pump();
    EXPECT_TRUE(m_wnd.IsZoomed());
    EXPECT_EQ((RECT{100, 100, 600, 400}), Placement().rcNormalPosition);

    m_wnd.ShowWindow(SW_RESTORE);
    m_wnd.MoveWindow(50, 60, 500, 400, TRUE);
    // No monitor lies this far to the left: the window keeps its place.
    Store({-20000, 100, -19400, 500}, SW_MAXIMIZE);
    RestorePlacement(&m_wnd, L"Platz", kPositionAndSize);
    Pump();
    EXPECT_FALSE(m_wnd.IsZoomed());
    EXPECT_EQ((RECT{50, 60, 550, 460}), Placement().rcNormalPosition);
}

TEST_F(PlacementWindowTest, NothingHappensWithoutSectionOrApplication)
{
    SavePlacement(&m_wnd, nullptr);
    SavePlacement(nullptr, L"Platz");
    EXPECT_EQ(-7, static_cast<int>(m_app.GetProfileIntW(L"Platz", L"Left", -7)));
    Store({120, 130, 720, 530}, SW_SHOWNORMAL);
    EXPECT_FALSE(RestorePlacement(&m_wnd, nullptr, kPositionAndSize));
    EXPECT_FALSE(RestorePlacement(nullptr, L"Platz", kPositionAndSize));
    Pump();
    EXPECT_EQ((RECT{50, 60, 550, 460}), Placement().rcNormalPosition);
}

namespace {

constexpr wchar_t kDialogSection[] = L"Fenster";

// A layout dialog with a section: what its window looked like when it went
// decides how the next one opens.
class DialogPlacementTest : public OwnProfileTest
{
protected:
    int Stored(LPCWSTR lpszName) { return static_cast<int>(m_app.GetProfileIntW(kDialogSection, lpszName, -7)); }
    static WINDOWPLACEMENT PlacementOf(const CWnd& wnd)
    {
        WINDOWPLACEMENT wp = {};
        wp.length = sizeof(wp);
        wnd.GetWindowPlacement(&wp);
        return wp;
    }
};

}  // namespace

TEST_F(DialogPlacementTest, PlacementIsSavedOnCloseAndComesBackOnTheNextOpening)
{
    struct Case
    {
        const char* name;
        int nShowCmd;  // how the dialog is left before it closes
        bool bZoomedAgain;
    };
    const Case cases[] = {{"restored", SW_SHOWNORMAL, false}, {"maximised", SW_SHOWMAXIMIZED, true}};
    const RECT rcLeft = {90, 110, 790, 610};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        DeleteProfile();
        {
            CLayoutTestDlg first(IDD_LAYOUT_RESIZABLE, CLayoutTestDlg::kListsAndButtons, kDialogSection);
            ASSERT_TRUE(first.Create(IDD_LAYOUT_RESIZABLE));
            // Nothing stored yet: centred on the primary screen at the
            // layout's size.
            const RECT rcFirst = PlacementOf(first).rcNormalPosition;
            EXPECT_EQ(first.m_nMinWindowWidth, rcFirst.right - rcFirst.left);
            EXPECT_EQ((::GetSystemMetrics(SM_CXSCREEN) - first.m_nMinWindowWidth) / 2, rcFirst.left);
            EXPECT_EQ((::GetSystemMetrics(SM_CYSCREEN) - first.m_nMinWindowHeight) / 2, rcFirst.top);
            EXPECT_EQ(-7, Stored(L"Left")) << "nothing is written before the window goes";
            first.MoveWindow(rcLeft.left, rcLeft.top, rcLeft.right - rcLeft.left, rcLeft.bottom - rcLeft.top, TRUE);
            first.ShowWindow(c.nShowCmd);
            first.DestroyWindow();
        }
        EXPECT_EQ(c.bZoomedAgain ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL, Stored(L"ShowCmd"));
        EXPECT_EQ(rcLeft, (RECT{Stored(L"Left"), Stored(L"Top"), Stored(L"Right"), Stored(L"Bottom")}));

        CMoveRecorder moves;
        CLayoutTestDlg again(IDD_LAYOUT_RESIZABLE, CLayoutTestDlg::kListsAndButtons, kDialogSection);
        again.m_pWindows = &moves;
        ASSERT_TRUE(again.Create(IDD_LAYOUT_RESIZABLE));
        EXPECT_EQ(rcLeft, PlacementOf(again).rcNormalPosition);
        EXPECT_EQ(c.bZoomedAgain, again.IsZoomed() != FALSE);
        // The controls follow the restored size, each moved there once
        // through the window's five resizes: a pass over them now moves none.
        RECT rcClient = {};
        again.GetClientRect(&rcClient);
        const RECT rcCancel = again.ChildRect(IDCANCEL);
        EXPECT_EQ(rcClient.bottom - again.m_nSizeGripAllowance, rcCancel.bottom);
        for (int nID : {IDC_LAYOUT_LIST1, IDC_LAYOUT_LIST2, IDOK, IDCANCEL})
            EXPECT_EQ(1, moves.m_moves[::GetDlgItem(again.m_hWnd, nID)]) << nID;
        again.m_layout.Relayout();
        EXPECT_EQ(1, moves.m_moves[::GetDlgItem(again.m_hWnd, IDCANCEL)]);
    }
}

TEST_F(DialogPlacementTest, StoredRectangleOffEveryMonitorIsIgnored)
{
    const RECT rcOff = {-30000, 200, -29300, 700};
    m_app.WriteProfileInt(kDialogSection, L"ShowCmd", SW_SHOWMAXIMIZED);
    m_app.WriteProfileInt(kDialogSection, L"Left", rcOff.left);
    m_app.WriteProfileInt(kDialogSection, L"Top", rcOff.top);
    m_app.WriteProfileInt(kDialogSection, L"Right", rcOff.right);
    m_app.WriteProfileInt(kDialogSection, L"Bottom", rcOff.bottom);

    CLayoutTestDlg dlg(IDD_LAYOUT_RESIZABLE, CLayoutTestDlg::kListsAndButtons, kDialogSection);
    ASSERT_TRUE(dlg.Create(IDD_LAYOUT_RESIZABLE));
    EXPECT_FALSE(dlg.IsZoomed()) << "the show state goes with the rectangle";
    RECT rcWindow = {};
    dlg.GetWindowRect(&rcWindow);
    EXPECT_EQ(dlg.m_nMinWindowWidth, rcWindow.right - rcWindow.left) << "the layout's size stays";
    EXPECT_EQ(dlg.m_nMinWindowHeight, rcWindow.bottom - rcWindow.top);
    const RECT rcScreen = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    RECT rcOverlap = {};
    EXPECT_TRUE(::IntersectRect(&rcOverlap, &rcWindow, &rcScreen));
}

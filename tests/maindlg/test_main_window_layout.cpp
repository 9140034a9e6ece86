#include <gtest/gtest.h>

#include "tests/maindlg/main_window_support.h"

#include <string>
#include <vector>

namespace {

RECT RectOf(const CWnd& dlg, int nID)
{
    RECT rc;
    HWND hCtl = ::GetDlgItem(dlg.m_hWnd, nID);
    ::GetWindowRect(hCtl, &rc);
    ::MapWindowPoints(nullptr, dlg.m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

int Scaled(int v)
{
    HDC hdc = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(hdc, LOGPIXELSX);
    ::ReleaseDC(nullptr, hdc);
    return dpi > 96 ? ::MulDiv(v, dpi, 96) : v;
}

class MainWindowLayoutTest : public testing::Test
{
protected:
    void SetUp() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Velmora"); }
    void TearDown() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Velmora"); }
};

// What the control draws of itself into a bitmap of its client size.
std::vector<COLORREF> Render(HWND hCtl, const RECT& rcClient)
{
    HDC hdcScreen = ::GetDC(hCtl);
    HDC hdc = ::CreateCompatibleDC(hdcScreen);
    HBITMAP hbm = ::CreateCompatibleBitmap(hdcScreen, rcClient.right, rcClient.bottom);
    HGDIOBJ hOld = ::SelectObject(hdc, hbm);
    HBRUSH hbr = ::CreateSolidBrush(::GetSysColor(COLOR_BTNFACE));
    ::FillRect(hdc, &rcClient, hbr);
    ::DeleteObject(hbr);
    ::SendMessageW(hCtl, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(hdc), PRF_CLIENT);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < rcClient.bottom; ++y)
        for (int x = 0; x < rcClient.right; ++x)
            pixels.push_back(::GetPixel(hdc, x, y));
    ::SelectObject(hdc, hOld);
    ::DeleteObject(hbm);
    ::DeleteDC(hdc);
    ::ReleaseDC(hCtl, hdcScreen);
    return pixels;
}

struct InkSpan
{
    int left = -1;
    int right = -1;
};

// The columns the control's label covers: where its drawing with the label
// differs from its drawing without it. Frames, check marks and the grey of a
// disabled label need no colour of their own this way.
InkSpan LabelInk(HWND hCtl)
{
    RECT rcClient;
    ::GetClientRect(hCtl, &rcClient);
    const std::vector<COLORREF> withText = Render(hCtl, rcClient);
    wchar_t text[256] = {};
    ::GetWindowTextW(hCtl, text, 256);
    ::SetWindowTextW(hCtl, L"");
    const std::vector<COLORREF> withoutText = Render(hCtl, rcClient);
    ::SetWindowTextW(hCtl, text);
    InkSpan span;
    for (int x = 0; x < rcClient.right; ++x)
        for (int y = 0; y < rcClient.bottom; ++y)
        {
            const size_t i = static_cast<size_t>(y * rcClient.right + x);
            if (withText[i] != withoutText[i])
            {
                if (span.left < 0)
                    span.left = x;
                span.right = x;
                break;
            }
        }
    return span;
}

// What is wrong with a static's text at its size, or nothing: it wraps at
// the control's width into lines that must all fit its height (measured with
// its font); a one-line label must not wrap at all.
std::string StaticTextFault(HWND hCtl, bool bOneLine)
{
    RECT rcClient;
    ::GetClientRect(hCtl, &rcClient);
    wchar_t text[512] = {};
    ::GetWindowTextW(hCtl, text, 512);
    HDC hdc = ::GetDC(hCtl);
    HGDIOBJ hOld = ::SelectObject(hdc, reinterpret_cast<HFONT>(::SendMessageW(hCtl, WM_GETFONT, 0, 0)));
    RECT rcNeed = {0, 0, rcClient.right, 0};
    ::DrawTextW(hdc, text, -1, &rcNeed, DT_CALCRECT | DT_NOPREFIX | DT_WORDBREAK);
    SIZE oneLine = {};
    ::GetTextExtentPoint32W(hdc, L"Ag", 2, &oneLine);
    ::SelectObject(hdc, hOld);
    ::ReleaseDC(hCtl, hdc);
    if (rcNeed.right > rcClient.right)
        return "a word is wider than the control";
    if (rcNeed.bottom > rcClient.bottom)
        return "the last line is cut off";
    if (bOneLine && rcNeed.bottom != oneLine.cy)
        return "the label wraps";
    return "";
}

// What is wrong with a button's label as the button draws it, or nothing. A
// label that does not fit is clipped at the frame; one that fits keeps clear
// of it. Glyph widths are not compared with the measured text: Wine draws
// narrower than it measures.
std::string ButtonLabelFault(HWND hCtl)
{
    RECT rcClient;
    ::GetClientRect(hCtl, &rcClient);
    const InkSpan ink = LabelInk(hCtl);
    if (ink.left < 0)
        return "no label drawn";
    if (ink.right > rcClient.right - 1 - Scaled(3))
        return "the label runs into the right edge";
    const LONG type = ::GetWindowLongW(hCtl, GWL_STYLE) & BS_TYPEMASK;
    if ((type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) && ink.left < Scaled(3))
        return "the label runs into the left edge";
    return "";
}

void Shrink(CWnd& dlg, int nID, int nWidthPercent, int nHeightPercent)
{
    const RECT rc = RectOf(dlg, nID);
    ::SetWindowPos(::GetDlgItem(dlg.m_hWnd, nID), nullptr, 0, 0, (rc.right - rc.left) * nWidthPercent / 100,
                   (rc.bottom - rc.top) * nHeightPercent / 100, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

// At the default size every text of the window is whole, disabled buttons
// included; cut down, the same controls are caught.
TEST_F(MainWindowLayoutTest, EveryTextIsWholeAtTheDefaultSize)
{
    CTestMainDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_QUILLON_DIALOG));
    const int statics[] = {IDC_STATIC_DESCRIPTION, IDC_STATIC_FILES, IDC_STATIC_FOLDERS, IDC_STATIC_OUTPUT};
    const int buttons[] = {IDC_RADIO_SYMBOLIC, IDC_RADIO_HARD, IDC_CHECK_REMOVE_EXISTING, IDC_ADD_FILES,
                           IDC_REMOVE_FILE,    IDC_ADD_FOLDER, IDC_REMOVE_FOLDER,         IDOK};
    ASSERT_FALSE(IsEnabled(dlg, IDOK));
    ASSERT_FALSE(IsEnabled(dlg, IDC_REMOVE_FILE));
    for (int nID : statics)
    {
        SCOPED_TRACE(nID);
        HWND hCtl = ::GetDlgItem(dlg.m_hWnd, nID);
        ASSERT_TRUE(::IsWindowVisible(hCtl));
        EXPECT_EQ("", StaticTextFault(hCtl, nID != IDC_STATIC_DESCRIPTION));
    }
    for (int nID : buttons)
    {
        SCOPED_TRACE(nID);
        HWND hCtl = ::GetDlgItem(dlg.m_hWnd, nID);
        ASSERT_TRUE(::IsWindowVisible(hCtl));
        EXPECT_EQ("", ButtonLabelFault(hCtl));
    }

    // Nor can the window be made smaller than a size that keeps them whole.
    RECT rcDefault;
    dlg.GetWindowRect(&rcDefault);
    dlg.SetWindowPos(nullptr, 0, 0, 1, 1, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT rcSmallest;
    dlg.GetWindowRect(&rcSmallest);
    EXPECT_LT(rcSmallest.right - rcSmallest.left, 1 + (rcDefault.right - rcDefault.left));
    for (int nID : statics)
    {
        SCOPED_TRACE(nID);
        EXPECT_EQ("", StaticTextFault(::GetDlgItem(dlg.m_hWnd, nID), nID != IDC_STATIC_DESCRIPTION)) << "smallest";
    }
    for (int nID : buttons)
    {
        SCOPED_TRACE(nID);
        EXPECT_EQ("", ButtonLabelFault(::GetDlgItem(dlg.m_hWnd, nID))) << "smallest";
    }

    struct Cut
    {
        int nID;
        int nWidthPercent;
        int nHeightPercent;
        bool bStatic;
    } cuts[] = {
        {IDC_STATIC_DESCRIPTION, 100, 60, true}, {IDC_STATIC_FILES, 20, 100, true},
        {IDC_ADD_FILES, 60, 100, false},         {IDOK, 60, 100, false},  // disabled
        {IDC_RADIO_SYMBOLIC, 60, 100, false},    {IDC_CHECK_REMOVE_EXISTING, 60, 100, false},
    };
    for (const Cut& cut : cuts)
    {
        SCOPED_TRACE(cut.nID);
        Shrink(dlg, cut.nID, cut.nWidthPercent, cut.nHeightPercent);
        HWND hCtl = ::GetDlgItem(dlg.m_hWnd, cut.nID);
        EXPECT_NE("", cut.bStatic ? StaticTextFault(hCtl, cut.nID != IDC_STATIC_DESCRIPTION) : ButtonLabelFault(hCtl));
    }
}

// The run at another resolution really has it: the harness names the DPI it
// set for the prefix.
TEST_F(MainWindowLayoutTest, ScreenHasTheResolutionOfTheRun)
{
    wchar_t szValue[16] = {};
    int nExpected = 96;
    if (::GetEnvironmentVariableW(L"QUILLON_EXPECT_DPI", szValue, 16) > 0 ||
        ::GetEnvironmentVariableW(L"QUILLON_DPI", szValue, 16) > 0)
        nExpected = _wtoi(szValue);
    EXPECT_EQ(::MulDiv(100, nExpected, 96), Scaled(100));
}

// The rows and columns as declared: buttons at the right edge of their
// lists, the option column at the bottom of the output block, and on a
// resize all extra height shared 60 : 40 by the two path lists.
TEST_F(MainWindowLayoutTest, ControlsSitInTheirRowsAndColumnsAndFollowAResize)
{
    CTestMainDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_QUILLON_DIALOG));
    const RECT files = RectOf(dlg, IDC_LIST_FILES);
    const RECT folders = RectOf(dlg, IDC_LIST_FOLDERS);
    const RECT output = RectOf(dlg, IDC_LIST_OUTPUT);
    EXPECT_EQ(files.right, RectOf(dlg, IDC_REMOVE_FILE).right);
    EXPECT_EQ(folders.right, RectOf(dlg, IDC_REMOVE_FOLDER).right);
    EXPECT_NEAR(Scaled(4), RectOf(dlg, IDC_ADD_FILES).left - RectOf(dlg, IDC_ADD_SOURCE_FOLDERS).right, 1);
    EXPECT_NEAR(Scaled(10), RectOf(dlg, IDC_REMOVE_FILE).left - RectOf(dlg, IDC_ADD_FILES).right, 1);
    EXPECT_EQ(RectOf(dlg, IDC_ADD_FILES).left, RectOf(dlg, IDC_ADD_FOLDER).left);
    EXPECT_NEAR(Scaled(10), RectOf(dlg, IDC_REMOVE_FOLDER).left - RectOf(dlg, IDC_ADD_FOLDER).right, 1);
    EXPECT_EQ(files.left, folders.left);
    EXPECT_EQ(files.right, folders.right);
    EXPECT_EQ(output.bottom, RectOf(dlg, IDOK).bottom);
    EXPECT_EQ(RectOf(dlg, IDC_RADIO_SYMBOLIC).left, RectOf(dlg, IDOK).left);
    EXPECT_LT(output.right, RectOf(dlg, IDC_RADIO_SYMBOLIC).left);
    EXPECT_LT(RectOf(dlg, IDC_RADIO_HARD).bottom, RectOf(dlg, IDOK).top);
    // "Relative Pfade" between the two kinds, indented under the symbolic one.
    EXPECT_LE(RectOf(dlg, IDC_RADIO_SYMBOLIC).bottom, RectOf(dlg, IDC_CHECK_RELATIVE).top);
    EXPECT_LE(RectOf(dlg, IDC_CHECK_RELATIVE).bottom, RectOf(dlg, IDC_RADIO_HARD).top);
    EXPECT_NEAR(Scaled(10), RectOf(dlg, IDC_CHECK_RELATIVE).left - RectOf(dlg, IDC_RADIO_SYMBOLIC).left, 1);
    EXPECT_LE(RectOf(dlg, IDC_STATIC_DESCRIPTION).bottom, RectOf(dlg, IDC_STATIC_FILES).top);
    EXPECT_LE(RectOf(dlg, IDC_REMOVE_FILE).bottom, RectOf(dlg, IDC_STATIC_FOLDERS).top);
    EXPECT_LT(RectOf(dlg, IDC_REMOVE_FOLDER).bottom, RectOf(dlg, IDC_STATIC_OUTPUT).top);

    RECT rcWindow;
    dlg.GetWindowRect(&rcWindow);
    const int dx = 200;
    const int dy = 200;
    dlg.SetWindowPos(nullptr, 0, 0, rcWindow.right - rcWindow.left + dx, rcWindow.bottom - rcWindow.top + dy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    const RECT files2 = RectOf(dlg, IDC_LIST_FILES);
    const RECT folders2 = RectOf(dlg, IDC_LIST_FOLDERS);
    const RECT output2 = RectOf(dlg, IDC_LIST_OUTPUT);
    EXPECT_EQ(dx, (files2.right - files2.left) - (files.right - files.left));
    EXPECT_EQ(dx, (output2.right - output2.left) - (output.right - output.left));
    EXPECT_EQ(output.bottom - output.top, output2.bottom - output2.top);
    EXPECT_EQ(dy, output2.top - output.top);
    const int grownFiles = (files2.bottom - files2.top) - (files.bottom - files.top);
    const int grownFolders = (folders2.bottom - folders2.top) - (folders.bottom - folders.top);
    EXPECT_NEAR(dy, grownFiles + grownFolders, 1);
    EXPECT_GT(grownFiles, grownFolders);
    EXPECT_GT(grownFolders, 0);
    // The splitter shares the upper area between the two groups 60 : 40.
    const int nUpper = RectOf(dlg, IDC_REMOVE_FILE).bottom + Scaled(10) - RectOf(dlg, IDC_STATIC_FILES).top;
    const int nLower = RectOf(dlg, IDC_REMOVE_FOLDER).bottom - (RectOf(dlg, IDC_STATIC_FOLDERS).top - Scaled(5));
    EXPECT_NEAR(0.6, static_cast<double>(nUpper) / (nUpper + nLower), 0.01) << nUpper << " : " << nLower;
    EXPECT_EQ(output2.bottom, RectOf(dlg, IDOK).bottom);
}

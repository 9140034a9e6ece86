#include <gtest/gtest.h>

#include <windows.h>

#include "framework/Module.h"
#include "layout/GroupStatic.h"
#include "tests/layout/controls_test_dialog.h"
#include "tests/layout/rect_compare.h"

namespace {

void PumpMessages()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// The separator's pixels as painted into a bitmap of its size: background
// and line exactly as Paint draws them, without anything on top.
class CPaintedPixels
{
public:
    explicit CPaintedPixels(CGroupStatic& separator)
    {
        RECT rc = {};
        separator.GetClientRect(&rc);
        m_cx = rc.right;
        m_cy = rc.bottom;
        HDC hScreen = ::GetDC(nullptr);
        m_dc.CreateCompatibleDC(nullptr);
        m_hBitmap = ::CreateCompatibleBitmap(hScreen, m_cx, m_cy);
        ::ReleaseDC(nullptr, hScreen);
        m_hOld = ::SelectObject(m_dc, m_hBitmap);
        separator.Paint(m_dc);
    }
    ~CPaintedPixels()
    {
        ::SelectObject(m_dc, m_hOld);
        ::DeleteObject(m_hBitmap);
    }
    COLORREF At(int x, int y) const { return ::GetPixel(m_dc, x, y); }
    // Rows (or columns) that hold colour cr across the whole bitmap.
    int CountFullRows(COLORREF cr) const
    {
        int n = 0;
        for (int y = 0; y < m_cy; ++y)
        {
            bool bAll = true;
            for (int x = 0; x < m_cx && bAll; ++x)
                bAll = At(x, y) == cr;
            n += bAll ? 1 : 0;
        }
        return n;
    }

    int m_cx;
    int m_cy;

private:
    CDC m_dc;
    HBITMAP m_hBitmap;
    HGDIOBJ m_hOld;
};

class SeparatorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dlg.Create(IDD_CONTROLS_SPLIT));
        m_dlg.ShowWindow(SW_SHOWNA);
        PumpMessages();
        m_pSeparator = m_dlg.Separator();
        ASSERT_NE(nullptr, m_pSeparator);
        ASSERT_TRUE(m_pSeparator->IsWindow());
    }
    void TearDown() override
    {
        m_dlg.DestroyWindow();
        AfxDeleteTempMaps();
    }

    CControlsTestDlg m_dlg;
    CGroupStatic* m_pSeparator = nullptr;
};

}  // namespace

TEST(SeparatorGeometry, LineRunsOnePixelBeforeTheMiddle)
{
    struct Case
    {
        RECT rc;
        RECT line;
    };
    const Case cases[] = {
        {{0, 0, 600, 10}, {0, 4, 600, 5}},    // wide: horizontal line at y 4
        {{0, 0, 2, 10}, {0, 0, 1, 10}},       // narrow: vertical line at x 0
        {{0, 0, 10, 10}, {0, 4, 10, 5}},      // square: horizontal
        {{0, 0, 11, 30}, {4, 0, 5, 30}},      // odd width truncates
        {{5, 7, 25, 57}, {14, 7, 15, 57}},    // offset rectangle
        {{0, 0, 1, 10}, {0, 0, 1, 10}},       // one pixel wide: the line stays inside
        {{0, 0, 10, 1}, {0, 0, 10, 1}},       // one pixel high
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.line, SeparatorLineRect(c.rc)) << c.rc.right << " x " << c.rc.bottom;
}

TEST_F(SeparatorTest, SpansTheClientWidthAndPaintsAShadowLineOnButtonFace)
{
    RECT rcClient = {};
    m_dlg.GetClientRect(&rcClient);
    const RECT rc = m_dlg.ClientRectOf(m_pSeparator->m_hWnd);
    EXPECT_EQ(0, rc.left);
    EXPECT_EQ(rcClient.right, rc.right);
    EXPECT_EQ(10, rc.bottom - rc.top);
    EXPECT_EQ(static_cast<DWORD>(BS_GROUPBOX), m_pSeparator->GetStyle() & 0xF);
    EXPECT_EQ(GLL_ITEM_SPAN_CLIENT, m_pSeparator->m_dwItemFlags);

    CPaintedPixels pixels(*m_pSeparator);
    const COLORREF crFace = ::GetSysColor(COLOR_BTNFACE);
    const COLORREF crShadow = ::GetSysColor(COLOR_BTNSHADOW);
    ASSERT_NE(crFace, crShadow);
    EXPECT_EQ(crShadow, pixels.At(0, 4));
    EXPECT_EQ(crShadow, pixels.At(pixels.m_cx - 1, 4));
    EXPECT_EQ(1, pixels.CountFullRows(crShadow));
    EXPECT_EQ(pixels.m_cy - 1, pixels.CountFullRows(crFace));

    // The window on the screen shows the same.
    m_pSeparator->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    HDC hDC = ::GetDC(m_pSeparator->m_hWnd);
    const COLORREF crLine = ::GetPixel(hDC, pixels.m_cx / 2, 4);
    const COLORREF crAbove = ::GetPixel(hDC, pixels.m_cx / 2, 3);
    ::ReleaseDC(m_pSeparator->m_hWnd, hDC);
    if (crLine == CLR_INVALID)
        GTEST_SKIP() << "the display gives no pixels back";
    EXPECT_EQ(crShadow, crLine);
    EXPECT_EQ(crFace, crAbove);
}

TEST_F(SeparatorTest, ParentAnsweringTheColourQuestionDecidesTheColours)
{
    const COLORREF crRed = RGB(255, 0, 0);
    const COLORREF crBlue = RGB(0, 0, 255);
    const COLORREF crFace = ::GetSysColor(COLOR_BTNFACE);
    const COLORREF crShadow = ::GetSysColor(COLOR_BTNSHADOW);
    struct Case
    {
        const char* name;
        LRESULT nAnswer;
        bool bSetBackground;
        bool bSetFrame;
        COLORREF crBackground;
        COLORREF crLine;  // CLR_INVALID: no line at all
    };
    const Case cases[] = {
        {"answer 2 with a red frame", 2, false, true, crFace, crRed},
        {"answer 2 with red frame and blue background", 2, true, true, crBlue, crRed},
        {"answer 2 without a frame colour draws no line", 2, true, false, crBlue, CLR_INVALID},
        {"any other answer keeps the system colours", 1, true, true, crFace, crShadow},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        m_dlg.m_nAnswer = c.nAnswer;
        m_dlg.m_bSetBackground = c.bSetBackground;
        m_dlg.m_bSetFrame = c.bSetFrame;
        m_dlg.m_crAnswerBackground = crBlue;
        m_dlg.m_crAnswerFrame = crRed;
        const int nAsked = m_dlg.m_nColorQuestions;
        m_pSeparator->SendMessage(WM_GLL_REFRESH_COLORS);
        EXPECT_EQ(nAsked + 1, m_dlg.m_nColorQuestions);

        CPaintedPixels pixels(*m_pSeparator);
        EXPECT_EQ(c.crBackground, pixels.At(0, 0));
        if (c.crLine == CLR_INVALID)
            EXPECT_EQ(pixels.m_cy, pixels.CountFullRows(c.crBackground));
        else
            EXPECT_EQ(c.crLine, pixels.At(pixels.m_cx / 2, 4));
    }
}

TEST_F(SeparatorTest, NeverKeepsTheFocusAndCountsAsStaticText)
{
    EXPECT_EQ(DLGC_STATIC, m_pSeparator->SendMessage(WM_GETDLGCODE));
    HWND hOk = ::GetDlgItem(m_dlg.m_hWnd, IDOK);
    ::SetForegroundWindow(m_dlg.m_hWnd);
    ::SetFocus(hOk);
    if (::GetFocus() != hOk)
        GTEST_SKIP() << "the dialog cannot take the focus here";
    ::SetFocus(m_pSeparator->m_hWnd);
    EXPECT_EQ(hOk, ::GetFocus());
}

TEST_F(SeparatorTest, ColoursAreAskedForOnlyWhenStale)
{
    m_pSeparator->m_bColorsStale = true;
    const int nAsked = m_dlg.m_nColorQuestions;
    {
        CPaintedPixels first(*m_pSeparator);
        CPaintedPixels second(*m_pSeparator);
    }
    EXPECT_EQ(nAsked + 1, m_dlg.m_nColorQuestions);
    EXPECT_FALSE(m_pSeparator->m_bColorsStale);
    m_pSeparator->SendMessage(WM_SYSCOLORCHANGE);
    EXPECT_EQ(nAsked + 2, m_dlg.m_nColorQuestions);
}

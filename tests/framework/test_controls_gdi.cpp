#include <gtest/gtest.h>

#include <string>

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/Gdi.h"
#include "framework/Module.h"
#include "tests/framework/test_resource.h"

namespace {

class CListDialog : public CDialog
{
public:
    CListDialog() : CDialog(IDD_TEST_DIALOG) {}
    ~CListDialog() override { DestroyWindow(); }
    CListCtrl m_list;

protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, IDC_TEST_LIST, m_list); }
};

}  // namespace

TEST(ListCtrlTest, ItemsTextDataAndSelection)
{
    CListDialog dlg;
    ASSERT_TRUE(dlg.Create(IDD_TEST_DIALOG));
    CListCtrl& list = dlg.m_list;
    EXPECT_EQ(0, list.InsertColumn(0, L"Path", LVCFMT_LEFT, 500));
    EXPECT_EQ(500, list.GetColumnWidth(0));

    // Longer than any first guess at a buffer: the text must come back whole.
    const std::wstring longText = L"C:\\" + std::wstring(1500, L'ü') + L"\\ende.txt";
    EXPECT_EQ(0, list.InsertItem(LVIF_TEXT | LVIF_PARAM, 0, longText.c_str(), 0, 0, 0, 77));
    EXPECT_EQ(1, list.InsertItem(1, L"zwei"));
    EXPECT_EQ(2, list.GetItemCount());
    EXPECT_EQ(longText, std::wstring(list.GetItemText(0, 0)));
    EXPECT_STREQ(L"zwei", list.GetItemText(1, 0));
    EXPECT_EQ(77u, list.GetItemData(0));
    EXPECT_TRUE(list.SetItemData(1, 0xBEEF));
    EXPECT_EQ(0xBEEFu, list.GetItemData(1));

    EXPECT_EQ(-1, list.GetNextItem(-1, LVNI_SELECTED));
    EXPECT_TRUE(list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED));
    EXPECT_EQ(1, list.GetNextItem(-1, LVNI_SELECTED));
    EXPECT_EQ(1u, list.GetSelectedCount());

    EXPECT_TRUE(list.DeleteItem(0));
    EXPECT_STREQ(L"zwei", list.GetItemText(0, 0));
    EXPECT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(0, list.GetItemCount());
}

TEST(ButtonTest, CreatedButtonIsBoundAndReportsItsCheck)
{
    CListDialog dlg;
    ASSERT_TRUE(dlg.Create(IDD_TEST_DIALOG));
    CButton button;
    const RECT rc = {5, 5, 80, 20};
    ASSERT_TRUE(button.Create(L"Häkchen", WS_VISIBLE | BS_AUTOCHECKBOX, rc, &dlg, 3000));
    EXPECT_EQ(&button, CWnd::FromHandle(::GetDlgItem(dlg.m_hWnd, 3000)));
    EXPECT_EQ(&dlg, button.GetParent());
    EXPECT_STREQ(L"Häkchen", button.GetWindowText());
    EXPECT_EQ(BST_UNCHECKED, button.GetCheck());
    button.SetCheck(BST_CHECKED);
    EXPECT_EQ(BST_CHECKED, button.GetCheck());
    EXPECT_EQ(static_cast<UINT>(BS_AUTOCHECKBOX), button.GetButtonStyle() & BS_TYPEMASK);
}

TEST(GdiTest, FillSolidRectPaintsExactlyTheRectangleAndKeepsTheBackground)
{
    HDC hScreen = ::GetDC(nullptr);
    CDC memory;
    ASSERT_TRUE(memory.Attach(::CreateCompatibleDC(hScreen)));
    HBITMAP hBitmap = ::CreateCompatibleBitmap(hScreen, 20, 20);
    ::ReleaseDC(nullptr, hScreen);
    HGDIOBJ hOld = memory.SelectObject(hBitmap);

    memory.FillSolidRect(0, 0, 20, 20, RGB(255, 255, 255));
    memory.SetBkColor(RGB(1, 2, 3));
    memory.FillSolidRect(5, 6, 4, 1, RGB(200, 0, 0));
    EXPECT_EQ(RGB(200, 0, 0), ::GetPixel(memory, 5, 6));
    EXPECT_EQ(RGB(200, 0, 0), ::GetPixel(memory, 8, 6));
    EXPECT_EQ(RGB(255, 255, 255), ::GetPixel(memory, 9, 6));
    EXPECT_EQ(RGB(255, 255, 255), ::GetPixel(memory, 5, 7));
    EXPECT_EQ(RGB(255, 255, 255), ::GetPixel(memory, 4, 6));
    EXPECT_EQ(RGB(1, 2, 3), ::GetBkColor(memory));

    memory.SelectObject(hOld);
    ::DeleteObject(hBitmap);
}

TEST(GdiTest, SelectingAWrapperSelectsItsHandleAndReturnsThePrevious)
{
    CDC memory;
    ASSERT_TRUE(memory.CreateCompatibleDC(nullptr));
    CBrush brush(RGB(10, 20, 30));
    CFont font;
    ASSERT_TRUE(font.CreatePointFont(90, L"Tahoma"));
    const HGDIOBJ hStockBrush = ::GetCurrentObject(memory, OBJ_BRUSH);
    const HGDIOBJ hStockFont = ::GetCurrentObject(memory, OBJ_FONT);

    const HGDIOBJ hOldBrush = memory.SelectObject(&brush);
    EXPECT_EQ(hStockBrush, hOldBrush);
    EXPECT_EQ(brush.GetSafeHandle(), ::GetCurrentObject(memory, OBJ_BRUSH));

    // Through the common base, as code handling any wrapper would.
    CGdiObject* pAny = &font;
    EXPECT_EQ(hStockFont, memory.SelectObject(pAny));
    EXPECT_EQ(font.GetSafeHandle(), ::GetCurrentObject(memory, OBJ_FONT));

    memory.SelectObject(hOldBrush);
    memory.SelectObject(hStockFont);
    EXPECT_EQ(hStockBrush, ::GetCurrentObject(memory, OBJ_BRUSH));
    EXPECT_EQ(hStockFont, ::GetCurrentObject(memory, OBJ_FONT));
}

TEST(GdiTest, FontIsOwnedAndDeletedWithItsWrapper)
{
    HGDIOBJ hFont = nullptr;
    {
        CFont font;
        ASSERT_TRUE(font.CreatePointFont(80, L"MS Shell Dlg"));
        hFont = font.GetSafeHandle();
        EXPECT_EQ(static_cast<DWORD>(OBJ_FONT), ::GetObjectType(hFont));
        LOGFONTW lf = {};
        ASSERT_GT(font.GetLogFont(&lf), 0);
        // 8 points at the screen's DPI, as a character height.
        HDC hScreen = ::GetDC(nullptr);
        const int dpi = ::GetDeviceCaps(hScreen, LOGPIXELSY);
        ::ReleaseDC(nullptr, hScreen);
        EXPECT_EQ(-::MulDiv(80, dpi, 720), lf.lfHeight);
        EXPECT_STREQ(L"MS Shell Dlg", lf.lfFaceName);
    }
    EXPECT_EQ(0u, ::GetObjectType(hFont));

    CFont detached;
    ASSERT_TRUE(detached.CreatePointFont(90, L"Tahoma"));
    HGDIOBJ hKept = detached.Detach();
    EXPECT_EQ(nullptr, detached.GetSafeHandle());
    EXPECT_EQ(static_cast<DWORD>(OBJ_FONT), ::GetObjectType(hKept));
    ::DeleteObject(hKept);
}

TEST(GdiTest, TemporaryDcWrapperDoesNotReleaseTheDc)
{
    HDC hScreen = ::GetDC(nullptr);
    CDC* pDC = CDC::FromHandle(hScreen);
    ASSERT_NE(nullptr, pDC);
    EXPECT_EQ(hScreen, pDC->GetSafeHdc());
    EXPECT_EQ(pDC, CDC::FromHandle(hScreen));
    AfxDeleteTempMaps();
    // Still usable: the wrapper's end did not delete it.
    EXPECT_GT(::GetDeviceCaps(hScreen, LOGPIXELSX), 0);
    ::ReleaseDC(nullptr, hScreen);
}

TEST(WindowOpsTest, ModifyStyleReportsOnlyRealChanges)
{
    CWnd wnd;
    const RECT rc = {0, 0, 60, 40};
    ASSERT_TRUE(wnd.CreateEx(0, L"STATIC", L"", WS_POPUP, rc, nullptr, 0));
    EXPECT_TRUE(wnd.ModifyStyle(0, WS_CLIPCHILDREN));
    EXPECT_TRUE(wnd.GetStyle() & WS_CLIPCHILDREN);
    EXPECT_FALSE(wnd.ModifyStyle(0, WS_CLIPCHILDREN));
    EXPECT_TRUE(wnd.ModifyStyle(WS_CLIPCHILDREN, 0, SWP_FRAMECHANGED));
    EXPECT_FALSE(wnd.GetStyle() & WS_CLIPCHILDREN);
    EXPECT_TRUE(wnd.ModifyStyleEx(0, WS_EX_TOOLWINDOW));
    EXPECT_TRUE(wnd.GetExStyle() & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(wnd.ModifyStyleEx(0, WS_EX_TOOLWINDOW));
    wnd.DestroyWindow();
}

TEST(WindowOpsTest, WindowRectInClientCoordinatesKeepsLeftBelowRightUnderRtl)
{
    for (DWORD exStyle : {0ul, static_cast<unsigned long>(WS_EX_LAYOUTRTL)})
    {
        SCOPED_TRACE(exStyle);
        CWnd wnd;
        const RECT rc = {100, 80, 300, 200};
        ASSERT_TRUE(wnd.CreateEx(exStyle, L"STATIC", L"", WS_POPUP | WS_BORDER, rc, nullptr, 0));
        RECT window;
        wnd.GetWindowRect(&window);
        RECT converted = window;
        wnd.ScreenToClient(&converted);
        EXPECT_LT(converted.left, converted.right);
        EXPECT_EQ(window.right - window.left, converted.right - converted.left);
        EXPECT_EQ(window.bottom - window.top, converted.bottom - converted.top);
        // The border lies outside the client area, so the frame starts before 0.
        EXPECT_LT(converted.left, 0);
        EXPECT_LT(converted.top, 0);
        wnd.DestroyWindow();
    }
}

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "framework/WinApp.h"
#include "layout/LayoutGroup.h"
#include "maindlg/AboutDlg.h"
#include "res/resource.h"

namespace {

// One control of a DIALOGEX template.
struct TemplateItem
{
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    WORD classOrdinal = 0;
    std::wstring className;
    WORD titleOrdinal = 0;
};

const WORD* SkipString(const WORD* p, WORD* pOrdinal = nullptr, std::wstring* pText = nullptr)
{
    if (*p == 0xFFFF)
    {
        if (pOrdinal != nullptr)
            *pOrdinal = p[1];
        return p + 2;
    }
    if (pText != nullptr)
        *pText = reinterpret_cast<const wchar_t*>(p);
    while (*p++ != 0)
    {
    }
    return p;
}

const BYTE* AlignDword(const void* p)
{
    return reinterpret_cast<const BYTE*>((reinterpret_cast<UINT_PTR>(p) + 3) & ~UINT_PTR(3));
}

bool FirstItemOf(UINT id, TemplateItem* pItem)
{
    HRSRC hRes = ::FindResourceW(nullptr, MAKEINTRESOURCEW(id), reinterpret_cast<LPCWSTR>(RT_DIALOG));
    if (hRes == nullptr)
        return false;
    const BYTE* pData = static_cast<const BYTE*>(::LockResource(::LoadResource(nullptr, hRes)));
    const WORD* p = reinterpret_cast<const WORD*>(pData);
    if (p[0] != 1 || p[1] != 0xFFFF)
        return false;
    const DWORD style = *reinterpret_cast<const DWORD*>(pData + 12);
    p = reinterpret_cast<const WORD*>(pData + 26);
    p = SkipString(p);  // menu
    p = SkipString(p);  // class
    p = SkipString(p);  // title
    if (style & DS_SETFONT)
        p = SkipString(p + 3);  // size, weight, italic and charset, typeface
    const BYTE* pItemData = AlignDword(p);
    pItem->style = *reinterpret_cast<const DWORD*>(pItemData + 8);
    pItem->x = *reinterpret_cast<const short*>(pItemData + 12);
    pItem->y = *reinterpret_cast<const short*>(pItemData + 14);
    pItem->cx = *reinterpret_cast<const short*>(pItemData + 16);
    pItem->cy = *reinterpret_cast<const short*>(pItemData + 18);
    p = reinterpret_cast<const WORD*>(pItemData + 24);
    p = SkipString(p, &pItem->classOrdinal, &pItem->className);
    SkipString(p, &pItem->titleOrdinal);
    return true;
}

// What the dialog looked like while it ran.
struct AboutLook
{
    bool bSeen = false;
    DWORD style = 0;
    bool bGripChild = false;
    RECT rcIcon = {};
    RECT rcIconExpected = {};
};
AboutLook* g_pLook = nullptr;
CAboutDlg* g_pAbout = nullptr;

void CALLBACK LookAndClose(HWND, UINT, UINT_PTR idTimer, DWORD)
{
    HWND hDlg = g_pAbout->m_hWnd;
    if (hDlg == nullptr || !::IsWindowVisible(hDlg))
        return;
    ::KillTimer(nullptr, idTimer);
    AboutLook& look = *g_pLook;
    look.bSeen = true;
    look.style = static_cast<DWORD>(::GetWindowLongW(hDlg, GWL_STYLE));
    look.bGripChild = ::GetDlgItem(hDlg, 0xE801) != nullptr;
    HWND hIcon = ::GetWindow(hDlg, GW_CHILD);
    ::GetWindowRect(hIcon, &look.rcIcon);
    ::MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&look.rcIcon), 2);
    look.rcIconExpected = {14, 14, 14 + 21, 14 + 20};
    ::MapDialogRect(hDlg, &look.rcIconExpected);
    ::PostMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

int CountSubKeys(const std::wstring& path)
{
    HKEY hKey = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return 0;
    DWORD nKeys = 0;
    DWORD nValues = 0;
    ::RegQueryInfoKeyW(hKey, nullptr, nullptr, nullptr, &nKeys, nullptr, nullptr, &nValues, nullptr, nullptr,
                       nullptr, nullptr);
    ::RegCloseKey(hKey);
    return static_cast<int>(nKeys + nValues);
}

}  // namespace

TEST(AboutDialogTest, IconControlCarriesItsTemplateSize)
{
    TemplateItem icon;
    ASSERT_TRUE(FirstItemOf(IDD_ABOUTBOX, &icon));
    // "Static", by its predefined ordinal or by name.
    EXPECT_TRUE(icon.classOrdinal == 0x0082 || _wcsicmp(icon.className.c_str(), L"Static") == 0);
    EXPECT_EQ(IDR_MAINFRAME, icon.titleOrdinal);
    EXPECT_EQ(static_cast<DWORD>(SS_ICON), icon.style & SS_TYPEMASK);
    EXPECT_EQ(14, icon.x);
    EXPECT_EQ(14, icon.y);
    EXPECT_EQ(21, icon.cx);
    EXPECT_EQ(20, icon.cy);
}

TEST(AboutDialogTest, OpensFromCodeWithoutGripOrLayoutAndStoresNothing)
{
    CWinApp app;
    app.SetCurrentHandles(::GetModuleHandleW(nullptr), nullptr, SW_SHOWNORMAL);
    app.SetRegistryKey(L"VelmoraTest-About");
    const std::wstring key = L"Software\\VelmoraTest-About";
    ::RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());

    CAboutDlg dlg;
    AboutLook look;
    g_pLook = &look;
    g_pAbout = &dlg;
    ::SetTimer(nullptr, 0, 20, LookAndClose);
    EXPECT_EQ(IDOK, dlg.DoModal());
    g_pLook = nullptr;
    g_pAbout = nullptr;

    ASSERT_TRUE(look.bSeen);
    EXPECT_EQ(0u, look.style & WS_THICKFRAME);
    EXPECT_FALSE(look.bGripChild);
    EXPECT_FALSE(dlg.m_bSizeGripEnabled);
    EXPECT_EQ(0u, dlg.m_nPlacementFlags & GLL_RESTORE_SIZE);
    EXPECT_TRUE(dlg.m_strProfileSection.IsEmpty());
    EXPECT_EQ(0, dlg.m_nMinWindowWidth);
    EXPECT_EQ(0, dlg.m_nMinWindowHeight);
    // No layout: the icon keeps its template position.
    EXPECT_EQ(look.rcIconExpected.left, look.rcIcon.left);
    EXPECT_EQ(look.rcIconExpected.top, look.rcIcon.top);
    EXPECT_EQ(0, CountSubKeys(key + L"\\" + app.m_pszAppName));
    ::RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
}

#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>

#include <string>
#include <vector>

#include "framework/String.h"
#include "res/resource.h"

namespace {

// The parts of a DLGTEMPLATEEX header the program relies on.
struct DialogHeader
{
    DWORD style = 0;
    DWORD exStyle = 0;
    WORD nItems = 0;
    short cx = 0;
    short cy = 0;
    std::wstring title;
    WORD pointSize = 0;
    std::wstring typeface;
};

const BYTE* FindTemplate(UINT id)
{
    HRSRC hRes = ::FindResourceW(nullptr, MAKEINTRESOURCEW(id), reinterpret_cast<LPCWSTR>(RT_DIALOG));
    if (hRes == nullptr)
        return nullptr;
    return static_cast<const BYTE*>(::LockResource(::LoadResource(nullptr, hRes)));
}

const WORD* SkipSzOrOrd(const WORD* p)
{
    if (*p == 0x0000)
        return p + 1;
    if (*p == 0xFFFF)
        return p + 2;
    while (*p++ != 0)
    {
    }
    return p;
}

bool ParseDialogHeader(UINT id, DialogHeader* pHeader)
{
    const BYTE* pData = FindTemplate(id);
    if (pData == nullptr)
        return false;
    const WORD* p = reinterpret_cast<const WORD*>(pData);
    if (p[0] != 1 || p[1] != 0xFFFF)
        return false;  // not DIALOGEX
    pHeader->exStyle = *reinterpret_cast<const DWORD*>(pData + 8);
    pHeader->style = *reinterpret_cast<const DWORD*>(pData + 12);
    pHeader->nItems = *reinterpret_cast<const WORD*>(pData + 16);
    pHeader->cx = *reinterpret_cast<const short*>(pData + 22);
    pHeader->cy = *reinterpret_cast<const short*>(pData + 24);
    p = reinterpret_cast<const WORD*>(pData + 26);
    p = SkipSzOrOrd(p);  // menu
    p = SkipSzOrOrd(p);  // class
    pHeader->title = reinterpret_cast<const wchar_t*>(p);
    p += pHeader->title.size() + 1;
    if (pHeader->style & DS_SETFONT)
    {
        pHeader->pointSize = p[0];
        p += 3;  // point size, weight, italic + charset
        pHeader->typeface = reinterpret_cast<const wchar_t*>(p);
    }
    return true;
}

}  // namespace

TEST(ResourceTest, MainDialogTemplateHeader)
{
    DialogHeader h;
    ASSERT_TRUE(ParseDialogHeader(IDD_QUILLON_DIALOG, &h));
    EXPECT_EQ(L"Quillon", h.title);
    EXPECT_EQ(321, h.cx);
    EXPECT_EQ(350, h.cy);
    EXPECT_EQ(19, h.nItems);
    EXPECT_EQ(8, h.pointSize);
    EXPECT_EQ(L"MS Shell Dlg", h.typeface);
    const DWORD required = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_SETFONT | DS_FIXEDSYS;
    EXPECT_EQ(required, h.style & required);
    EXPECT_EQ(0u, h.style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_EQ(static_cast<DWORD>(WS_EX_APPWINDOW), h.exStyle);
}

TEST(ResourceTest, AboutDialogTemplateHeader)
{
    DialogHeader h;
    ASSERT_TRUE(ParseDialogHeader(IDD_ABOUTBOX, &h));
    EXPECT_EQ(L"Info über Quillon", h.title);
    EXPECT_EQ(171, h.cx);
    EXPECT_EQ(70, h.cy);
    EXPECT_EQ(8, h.pointSize);
    EXPECT_EQ(L"MS Shell Dlg", h.typeface);
    const DWORD required = DS_MODALFRAME | WS_CAPTION | WS_SYSMENU | DS_SETFONT | DS_FIXEDSYS;
    EXPECT_EQ(required, h.style & required);
    EXPECT_EQ(0u, h.style & WS_THICKFRAME);
}

TEST(ResourceTest, AboutMenuStringKeepsItsUmlaut)
{
    CString str;
    ASSERT_TRUE(str.LoadString(IDS_ABOUTBOX));
    EXPECT_STREQ(L"&Info über Quillon...", str);
}

TEST(ResourceTest, IconHasTheFourSizes)
{
    HRSRC hRes = ::FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_MAINFRAME), reinterpret_cast<LPCWSTR>(RT_GROUP_ICON));
    ASSERT_NE(nullptr, hRes);
    const BYTE* pDir = static_cast<const BYTE*>(::LockResource(::LoadResource(nullptr, hRes)));
    ASSERT_NE(nullptr, pDir);
    const WORD count = *reinterpret_cast<const WORD*>(pDir + 4);
    std::vector<int> sizes;
    for (WORD i = 0; i < count; ++i)
    {
        const BYTE* pEntry = pDir + 6 + i * 14;  // GRPICONDIRENTRY
        sizes.push_back(pEntry[0] == 0 ? 256 : pEntry[0]);
        EXPECT_EQ(pEntry[0], pEntry[1]) << "icon images are square";
        EXPECT_EQ(32, *reinterpret_cast<const WORD*>(pEntry + 6)) << "32 bits per pixel";
    }
    EXPECT_EQ((std::vector<int>{16, 32, 48, 256}), sizes);

    for (int size : {16, 32, 48, 256})
    {
        HICON hIcon = static_cast<HICON>(
            ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, size, size, 0));
        EXPECT_NE(nullptr, hIcon) << size;
        if (hIcon != nullptr)
            ::DestroyIcon(hIcon);
    }
}

TEST(ResourceTest, VersionNamesProductAndCompany)
{
    const std::wstring path = [] {
        wchar_t buffer[MAX_PATH] = {};
        ::GetModuleFileNameW(nullptr, buffer, MAX_PATH);
        return std::wstring(buffer);
    }();
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> data(size);
    ASSERT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, size, data.data()));

    VS_FIXEDFILEINFO* pFixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&pFixed), &len));
    EXPECT_EQ(0x00010000u, pFixed->dwFileVersionMS);
    EXPECT_EQ(0x00010000u, pFixed->dwProductVersionMS);

    auto query = [&](const wchar_t* name) {
        wchar_t* pValue = nullptr;
        UINT n = 0;
        const std::wstring key = std::wstring(L"\\StringFileInfo\\040704b0\\") + name;
        if (!::VerQueryValueW(data.data(), key.c_str(), reinterpret_cast<void**>(&pValue), &n) || pValue == nullptr)
            return std::wstring();
        return std::wstring(pValue);
    };
    EXPECT_EQ(L"Quillon", query(L"ProductName"));
    EXPECT_EQ(L"Velmora", query(L"CompanyName"));
    EXPECT_EQ(L"1.0.0.0", query(L"ProductVersion"));
}

TEST(ResourceTest, ManifestAsksForInvokerDpiAwarenessAndCommonControls6)
{
    HRSRC hRes = ::FindResourceW(nullptr, MAKEINTRESOURCEW(1), reinterpret_cast<LPCWSTR>(RT_MANIFEST));
    ASSERT_NE(nullptr, hRes);
    const char* pText = static_cast<const char*>(::LockResource(::LoadResource(nullptr, hRes)));
    const std::string manifest(pText, ::SizeofResource(nullptr, hRes));
    EXPECT_NE(std::string::npos, manifest.find("level=\"asInvoker\""));
    EXPECT_NE(std::string::npos, manifest.find("<dpiAware"));
    EXPECT_NE(std::string::npos, manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""));

    // And the system acted on it.
    EXPECT_TRUE(::IsProcessDPIAware());
    HMODULE hComctl = ::GetModuleHandleW(L"comctl32.dll");
    ASSERT_NE(nullptr, hComctl);
    using PFNDLLGETVERSION = HRESULT(CALLBACK*)(DLLVERSIONINFO*);
    auto pfn = reinterpret_cast<PFNDLLGETVERSION>(reinterpret_cast<void*>(::GetProcAddress(hComctl, "DllGetVersion")));
    ASSERT_NE(nullptr, pfn);
    DLLVERSIONINFO info = {};
    info.cbSize = sizeof(info);
    ASSERT_EQ(S_OK, pfn(&info));
    // Wine loads the side-by-side version 6 assembly but its DllGetVersion
    // still answers 5.81, so the assembly's folder counts as well.
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(hComctl, path, MAX_PATH);
    std::wstring lower(path);
    for (wchar_t& ch : lower)
        ch = static_cast<wchar_t>(towlower(ch));
    const bool bSideBySide6 = lower.find(L"common-controls_6595b64144ccf1df_6.0.") != std::wstring::npos;
    EXPECT_TRUE(info.dwMajorVersion == 6 || bSideBySide6) << "loaded " << lower << " " << info.dwMajorVersion;
}

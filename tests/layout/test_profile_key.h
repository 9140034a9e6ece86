#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "framework/WinApp.h"

// A registry key of the running test alone, so that test programs running
// side by side never see each other's profile values.
inline std::wstring TestProfileKey()
{
    const char* pszName = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::wstring key = L"VelmoraTest-";
    for (const char* p = pszName; *p != 0; ++p)
        key += static_cast<wchar_t>(*p);
    return key;
}

// A test with an application object whose profile lives under that key,
// empty when the test starts and removed when it ends.
class OwnProfileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_app.SetCurrentHandles(::GetModuleHandleW(nullptr), nullptr, SW_SHOWNORMAL);
        m_strKey = TestProfileKey();
        m_app.SetRegistryKey(m_strKey.c_str());
        DeleteProfile();
    }
    void TearDown() override { DeleteProfile(); }
    void DeleteProfile() { ::RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\" + m_strKey).c_str()); }

    std::wstring m_strKey;
    CWinApp m_app;
};

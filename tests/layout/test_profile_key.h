#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

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

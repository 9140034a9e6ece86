#include <gtest/gtest.h>

#include "links/LinkPrivileges.h"

#include <windows.h>

#include <string>
#include <vector>

TEST(LinkPrivilegesTest, ErrorTextIsTheSystemsUntrimmedMessage)
{
    for (DWORD code : {0ul, 2ul, 5ul, 17ul, 183ul, 1314ul})
    {
        SCOPED_TRACE(code);
        wchar_t* raw = nullptr;
        const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                             FORMAT_MESSAGE_IGNORE_INSERTS,
                                         nullptr, code, 0, reinterpret_cast<wchar_t*>(&raw), 0, nullptr);
        ASSERT_NE(0u, n);
        const std::wstring expected(raw, n);
        ::LocalFree(raw);
        const std::wstring text = GetErrorText(code).GetString();
        EXPECT_EQ(expected, text);
        ASSERT_GE(text.size(), 2u);
        EXPECT_EQ(L"\r\n", text.substr(text.size() - 2));
    }
    EXPECT_EQ(L"", std::wstring(GetErrorText(0x2FFFFFFF).GetString()));
}

TEST(LinkPrivilegesTest, SymbolicLinkLookupFindsTheSystemsEntryPoint)
{
    const FARPROC expected = ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "CreateSymbolicLinkW");
    EXPECT_EQ(reinterpret_cast<void*>(expected), reinterpret_cast<void*>(LookUpCreateSymbolicLinkW()));
}

TEST(LinkPrivilegesTest, RestorePrivilegeIsEnabledInTheProcessToken)
{
    HANDLE token = nullptr;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY | TOKEN_ADJUST_PRIVILEGES, &token));
    LUID restore = {};
    ASSERT_TRUE(::LookupPrivilegeValueW(nullptr, L"SeRestorePrivilege", &restore));
    const auto restoreState = [&]() -> DWORD {
        DWORD size = 0;
        ::GetTokenInformation(token, TokenPrivileges, nullptr, 0, &size);
        std::vector<BYTE> buffer(size);
        if (!::GetTokenInformation(token, TokenPrivileges, buffer.data(), size, &size))
            return 0xFFFFFFFF;
        const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
        for (DWORD i = 0; i < privileges->PrivilegeCount; ++i)
        {
            const LUID& luid = privileges->Privileges[i].Luid;
            if (luid.LowPart == restore.LowPart && luid.HighPart == restore.HighPart)
                return privileges->Privileges[i].Attributes;
        }
        return 0xFFFFFFFF;
    };
    const DWORD before = restoreState();
    if (before == 0xFFFFFFFF)
    {
        ::CloseHandle(token);
        GTEST_SKIP() << "this token holds no restore privilege to enable";
    }
    // Start from the disabled state so that the call has something to do.
    TOKEN_PRIVILEGES off = {1, {{restore, 0}}};
    ASSERT_TRUE(::AdjustTokenPrivileges(token, FALSE, &off, sizeof(off), nullptr, nullptr));
    ASSERT_EQ(0u, restoreState() & SE_PRIVILEGE_ENABLED);

    EXPECT_EQ(1, EnableRestorePrivilege());
    EXPECT_NE(0u, restoreState() & SE_PRIVILEGE_ENABLED);
    ::CloseHandle(token);
}

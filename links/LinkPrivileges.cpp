#include "links/LinkPrivileges.h"

PFNCREATESYMBOLICLINKW LookUpCreateSymbolicLinkW()
{
    HMODULE hKernel = ::GetModuleHandleW(L"KERNEL32.DLL");
    if (hKernel == nullptr)
        return nullptr;
    return reinterpret_cast<PFNCREATESYMBOLICLINKW>(
        reinterpret_cast<void*>(::GetProcAddress(hKernel, "CreateSymbolicLinkW")));
}

int EnableRestorePrivilege()
{
    HANDLE hToken = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &hToken))
        return 0;

    TOKEN_PRIVILEGES request = {};
    if (!::LookupPrivilegeValueW(nullptr, L"SeRestorePrivilege", &request.Privileges[0].Luid))
    {
        const int nError = static_cast<int>(::GetLastError());
        ::CloseHandle(hToken);
        return nError;
    }
    request.PrivilegeCount = 1;
    request.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;

    const BOOL bAdjusted = ::AdjustTokenPrivileges(hToken, FALSE, &request, sizeof(request), nullptr, nullptr);
    ::CloseHandle(hToken);
    return bAdjusted ? 1 : 0;
}

CString GetErrorText(DWORD dwError)
{
    LPWSTR pszBuffer = nullptr;
    ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
                     nullptr, dwError, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                     reinterpret_cast<LPWSTR>(&pszBuffer), 0, nullptr);
    CString strText(pszBuffer != nullptr ? pszBuffer : L"");
    ::LocalFree(pszBuffer);
    return strText;
}

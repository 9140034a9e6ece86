#include "links/Win32FileSystem.h"

#include "links/SystemPath.h"

#include <vector>

namespace {

// Opens the object a path names without following a link in its last
// component, as a rename or delete would treat it; folders open too.
class CEntryHandle
{
public:
    explicit CEntryHandle(LPCWSTR pszPath)
        : m_hFile(::CreateFileW(MakeSystemPath(pszPath), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr))
    {
    }
    ~CEntryHandle()
    {
        if (m_hFile != INVALID_HANDLE_VALUE)
            ::CloseHandle(m_hFile);
    }
    CEntryHandle(const CEntryHandle&) = delete;
    CEntryHandle& operator=(const CEntryHandle&) = delete;

    bool IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_hFile; }

private:
    HANDLE m_hFile;
};

}  // namespace

CWin32FileSystem::CWin32FileSystem(PFNCREATESYMBOLICLINKW pfnCreateSymbolicLinkW)
    : m_pfnCreateSymbolicLinkW(pfnCreateSymbolicLinkW), m_pfnGetFinalPathNameByHandleW(nullptr)
{
    const HMODULE hKernel = ::GetModuleHandleW(L"KERNEL32.DLL");
    if (hKernel != nullptr)
        m_pfnGetFinalPathNameByHandleW = reinterpret_cast<PFNGETFINALPATHNAMEBYHANDLEW>(
            reinterpret_cast<void*>(::GetProcAddress(hKernel, "GetFinalPathNameByHandleW")));
}

BOOL CWin32FileSystem::Exists(LPCWSTR pszPath)
{
    return ::GetFileAttributesW(MakeSystemPath(pszPath)) != INVALID_FILE_ATTRIBUTES;
}

DWORD CWin32FileSystem::GetAttributes(LPCWSTR pszPath)
{
    return ::GetFileAttributesW(MakeSystemPath(pszPath));
}

BOOL CWin32FileSystem::SetAttributes(LPCWSTR pszPath, DWORD dwAttributes)
{
    return ::SetFileAttributesW(MakeSystemPath(pszPath), dwAttributes);
}

BOOL CWin32FileSystem::Delete(LPCWSTR pszPath)
{
    return ::DeleteFileW(MakeSystemPath(pszPath));
}

BOOL CWin32FileSystem::Rename(LPCWSTR pszFrom, LPCWSTR pszTo)
{
    return ::MoveFileExW(MakeSystemPath(pszFrom), MakeSystemPath(pszTo), MOVEFILE_REPLACE_EXISTING);
}

BOOL CWin32FileSystem::CreateHardLink(LPCWSTR pszLink, LPCWSTR pszExisting)
{
    return ::CreateHardLinkW(MakeSystemPath(pszLink), MakeSystemPath(pszExisting), nullptr);
}

bool CWin32FileSystem::CanCreateSymbolicLink() const
{
    return m_pfnCreateSymbolicLinkW != nullptr;
}

BOOL CWin32FileSystem::CreateSymbolicLink(LPCWSTR pszLink, LPCWSTR pszTarget, DWORD dwFlags)
{
    if (m_pfnCreateSymbolicLinkW == nullptr)
    {
        ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return FALSE;
    }
    // What the link points to is stored as written, so it keeps the user's
    // spelling; only the place of the link itself needs the long form.
    return m_pfnCreateSymbolicLinkW(MakeSystemPath(pszLink), pszTarget, dwFlags) ? TRUE : FALSE;
}

DWORD CWin32FileSystem::GetLastError()
{
    return ::GetLastError();
}

bool CWin32FileSystem::GetEntryId(LPCWSTR pszPath, LinkEntryId& id)
{
    BY_HANDLE_FILE_INFORMATION info = {};
    DWORD dwError = ERROR_SUCCESS;
    {
        CEntryHandle file(pszPath);
        if (!file.IsOpen() || !::GetFileInformationByHandle(file.Get(), &info))
            dwError = ::GetLastError();
    }
    // Closing the handle must not hide why the query failed.
    if (dwError != ERROR_SUCCESS)
    {
        ::SetLastError(dwError);
        return false;
    }
    id.dwVolume = info.dwVolumeSerialNumber;
    id.nFileIndex = (static_cast<ULONGLONG>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    id.nLinks = info.nNumberOfLinks;
    id.dwAttributes = info.dwFileAttributes;
    return true;
}

bool CWin32FileSystem::GetFinalPath(LPCWSTR pszPath, CString& strFinal)
{
    if (m_pfnGetFinalPathNameByHandleW == nullptr)
    {
        ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return false;
    }
    std::vector<wchar_t> path(MAX_PATH, L'\0');
    DWORD dwLength = 0;
    DWORD dwError = ERROR_SUCCESS;
    {
        CEntryHandle file(pszPath);
        if (file.IsOpen())
        {
            dwLength = m_pfnGetFinalPathNameByHandleW(file.Get(), path.data(), static_cast<DWORD>(path.size()), 0);
            if (dwLength >= path.size())
            {
                path.assign(dwLength + 1, L'\0');
                dwLength =
                    m_pfnGetFinalPathNameByHandleW(file.Get(), path.data(), static_cast<DWORD>(path.size()), 0);
            }
        }
        if (dwLength == 0)
            dwError = ::GetLastError();
        else if (dwLength >= path.size())
            dwError = ERROR_INSUFFICIENT_BUFFER;
    }
    if (dwError != ERROR_SUCCESS)
    {
        ::SetLastError(dwError);
        return false;
    }
    strFinal = CString(path.data(), static_cast<int>(dwLength));
    return true;
}

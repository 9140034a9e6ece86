#include "links/Win32FileSystem.h"

#include <shlwapi.h>

#include <vector>

namespace {

// Opens the object a path names without following a link in its last
// component, as DeleteFileW would treat it; folders open too.
class CEntryHandle
{
public:
    explicit CEntryHandle(LPCWSTR pszPath)
        : m_hFile(::CreateFileW(pszPath, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                nullptr))
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

bool GetFinalPath(HANDLE hFile, std::vector<wchar_t>& path)
{
    path.assign(MAX_PATH, L'\0');
    DWORD dwLength = ::GetFinalPathNameByHandleW(hFile, path.data(), static_cast<DWORD>(path.size()), 0);
    if (dwLength >= path.size())
    {
        path.assign(dwLength + 1, L'\0');
        dwLength = ::GetFinalPathNameByHandleW(hFile, path.data(), static_cast<DWORD>(path.size()), 0);
    }
    return dwLength != 0 && dwLength < path.size();
}

}  // namespace

CWin32FileSystem::CWin32FileSystem(PFNCREATESYMBOLICLINKW pfnCreateSymbolicLinkW)
    : m_pfnCreateSymbolicLinkW(pfnCreateSymbolicLinkW)
{
}

BOOL CWin32FileSystem::Exists(LPCWSTR pszPath)
{
    return ::PathFileExistsW(pszPath);
}

DWORD CWin32FileSystem::GetAttributes(LPCWSTR pszPath)
{
    return ::GetFileAttributesW(pszPath);
}

BOOL CWin32FileSystem::SetAttributes(LPCWSTR pszPath, DWORD dwAttributes)
{
    return ::SetFileAttributesW(pszPath, dwAttributes);
}

BOOL CWin32FileSystem::Delete(LPCWSTR pszPath)
{
    return ::DeleteFileW(pszPath);
}

BOOL CWin32FileSystem::CreateHardLink(LPCWSTR pszLink, LPCWSTR pszExisting)
{
    return ::CreateHardLinkW(pszLink, pszExisting, nullptr);
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
    return m_pfnCreateSymbolicLinkW(pszLink, pszTarget, dwFlags) ? TRUE : FALSE;
}

DWORD CWin32FileSystem::GetLastError()
{
    return ::GetLastError();
}

bool CWin32FileSystem::IsSameEntry(LPCWSTR pszPath1, LPCWSTR pszPath2)
{
    // Both stay open while they are compared, so neither can be replaced in
    // between.
    CEntryHandle file1(pszPath1);
    CEntryHandle file2(pszPath2);
    if (!file1.IsOpen() || !file2.IsOpen())
        return false;

    BY_HANDLE_FILE_INFORMATION info1 = {};
    BY_HANDLE_FILE_INFORMATION info2 = {};
    if (!::GetFileInformationByHandle(file1.Get(), &info1) || !::GetFileInformationByHandle(file2.Get(), &info2))
        return false;
    if (info1.dwVolumeSerialNumber != info2.dwVolumeSerialNumber || info1.nFileIndexHigh != info2.nFileIndexHigh ||
        info1.nFileIndexLow != info2.nFileIndexLow)
        return false;
    // A file with one name has one entry; with more, the entries differ
    // exactly when the system names them differently.
    if (info1.nNumberOfLinks <= 1)
        return true;

    std::vector<wchar_t> final1;
    std::vector<wchar_t> final2;
    if (!GetFinalPath(file1.Get(), final1) || !GetFinalPath(file2.Get(), final2))
        return true;
    return ::CompareStringOrdinal(final1.data(), -1, final2.data(), -1, TRUE) == CSTR_EQUAL;
}

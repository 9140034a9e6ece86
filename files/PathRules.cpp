#include "files/PathRules.h"

#include <shlwapi.h>

#include <cwchar>
#include <vector>

namespace {

bool StartsWith(const wchar_t* psz, const wchar_t* pszPrefix)
{
    for (; *pszPrefix != L'\0'; ++psz, ++pszPrefix)
    {
        if (*psz != *pszPrefix)
            return false;
    }
    return true;
}

}  // namespace

CString MakeSystemPath(const wchar_t* pszPath)
{
    const CString strPath(pszPath);
    if (strPath.GetLength() < MAX_PATH || StartsWith(pszPath, L"\\\\?\\") || StartsWith(pszPath, L"\\\\.\\"))
        return strPath;

    // The \\?\ form is taken literally: "." and "..", forward slashes and a
    // relative start have to be resolved first, which the system does at any
    // length.
    std::vector<wchar_t> full(static_cast<size_t>(strPath.GetLength()) + MAX_PATH);
    DWORD dwLength = ::GetFullPathNameW(pszPath, static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (dwLength >= full.size())
    {
        full.assign(dwLength + 1, L'\0');
        dwLength = ::GetFullPathNameW(pszPath, static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    if (dwLength == 0 || dwLength >= full.size())
        return strPath;
    const wchar_t* pszFull = full.data();
    if (StartsWith(pszFull, L"\\\\?\\") || StartsWith(pszFull, L"\\\\.\\"))
        return CString(pszFull);
    if (StartsWith(pszFull, L"\\\\"))
        return CString(L"\\\\?\\UNC\\") + (pszFull + 2);
    return CString(L"\\\\?\\") + pszFull;
}

CString MakeFoldedPath(const wchar_t* pszPath)
{
    CString strFolded(pszPath);
    const int nLength = strFolded.GetLength();
    if (nLength == 0)
        return strFolded;
    // Simple upper-casing, character by character, as file systems fold
    // names; the same length comes back.
    std::vector<wchar_t> upper(static_cast<size_t>(nLength));
    if (::LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, pszPath, nLength, upper.data(), nLength) == nLength)
        strFolded = CString(upper.data(), nLength);
    return strFolded;
}

CString GetFileName(CString strPath)
{
    // What the runtime's path splitter leaves as name and extension:
    // everything after the last backslash or slash, or after a drive's colon.
    const wchar_t* psz = strPath.GetString();
    int nStart = 0;
    for (int i = 0; psz[i] != L'\0'; ++i)
    {
        if (psz[i] == L'\\' || psz[i] == L'/')
            nStart = i + 1;
    }
    if (nStart == 0 && strPath.GetLength() >= 2 && psz[1] == L':')
        nStart = 2;
    return strPath.Mid(nStart);
}

bool IsPlainEntryName(const CString& strName)
{
    if (strName.IsEmpty() || strName == L"." || strName == L"..")
        return false;
    for (int i = 0; i < strName.GetLength(); ++i)
    {
        const wchar_t ch = strName[i];
        if (ch < 32 || std::wcschr(L"\\/:*?\"<>|", ch) != nullptr)
            return false;
    }
    return true;
}

bool IsDirectoryPath(const CString& strPath)
{
    if (strPath.GetLength() < MAX_PATH)
        return ::PathIsDirectoryW(strPath) != FALSE;
    const DWORD dwAttributes = ::GetFileAttributesW(MakeSystemPath(strPath));
    return dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

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

// The path made absolute and normal by the system, or empty.
CString FullPathOf(const wchar_t* pszPath)
{
    std::vector<wchar_t> full(std::wcslen(pszPath) + MAX_PATH);
    DWORD dwLength = ::GetFullPathNameW(pszPath, static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (dwLength >= full.size())
    {
        full.assign(dwLength + 1, L'\0');
        dwLength = ::GetFullPathNameW(pszPath, static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    return dwLength == 0 || dwLength >= full.size() ? CString() : CString(full.data(), static_cast<int>(dwLength));
}

// An absolute drive or share path with backslashes only and no "." or ".."
// part: its \\?\ form names what it names, with every name as written.
bool IsLiteralAbsolutePath(const CString& strPath)
{
    const bool bDrive = strPath.GetLength() >= 3 && strPath[1] == L':' && strPath[2] == L'\\';
    const bool bShare = strPath.Left(2) == L"\\\\" && strPath.GetLength() > 2 && strPath[2] != L'?' && strPath[2] != L'.';
    if ((!bDrive && !bShare) || strPath.Find(L'/') >= 0)
        return false;
    for (int nStart = bDrive ? 3 : 2; nStart < strPath.GetLength();)
    {
        int nEnd = strPath.Find(L'\\', nStart);
        nEnd = nEnd < 0 ? strPath.GetLength() : nEnd;
        const CString strPart = strPath.Mid(nStart, nEnd - nStart);
        if (strPart == L"." || strPart == L"..")
            return false;
        nStart = nEnd + 1;
    }
    return true;
}

// Whether a part of the path is a name the Win32 rules would rewrite.
bool HasRewrittenName(const CString& strPath)
{
    for (int nStart = 0; nStart < strPath.GetLength();)
    {
        int nEnd = strPath.Find(L'\\', nStart);
        nEnd = nEnd < 0 ? strPath.GetLength() : nEnd;
        if (nEnd > nStart && IsRewrittenName(strPath.Mid(nStart, nEnd - nStart)))
            return true;
        nStart = nEnd + 1;
    }
    return false;
}

}  // namespace

bool IsRewrittenName(const CString& strName)
{
    const int nLength = strName.GetLength();
    if (nLength == 0 || strName == L"." || strName == L"..")
        return false;
    if (strName[nLength - 1] == L'.' || strName[nLength - 1] == L' ')
        return true;
    const int nDot = strName.Find(L'.');
    CString strBase = (nDot >= 0 ? strName.Left(nDot) : strName);
    strBase.TrimRight(L' ');
    strBase.MakeUpper();
    for (const wchar_t* pszDevice : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
    {
        if (strBase == pszDevice)
            return true;
    }
    return strBase.GetLength() == 4 && (strBase.Left(3) == L"COM" || strBase.Left(3) == L"LPT") &&
           strBase[3] >= L'1' && strBase[3] <= L'9';
}

CString MakeSystemPath(const wchar_t* pszPath)
{
    const CString strPath(pszPath);
    if (StartsWith(pszPath, L"\\\\?\\") || StartsWith(pszPath, L"\\\\.\\"))
        return strPath;
    // A name such as "a.txt." is reached only in the \\?\ form, which takes
    // every name literally; the path must then already be what the system
    // would make of it.
    if (strPath.GetLength() < MAX_PATH)
    {
        if (!HasRewrittenName(strPath) || !IsLiteralAbsolutePath(strPath))
            return strPath;
        return strPath.Left(2) == L"\\\\" ? CString(L"\\\\?\\UNC\\") + strPath.Mid(2) : CString(L"\\\\?\\") + strPath;
    }

    // The \\?\ form is taken literally: "." and "..", forward slashes and a
    // relative start have to be resolved first, which the system does at any
    // length.
    const CString strFull = FullPathOf(pszPath);
    if (strFull.IsEmpty())
        return strPath;
    const wchar_t* pszFull = strFull.GetString();
    if (StartsWith(pszFull, L"\\\\?\\") || StartsWith(pszFull, L"\\\\.\\"))
        return strFull;
    if (StartsWith(pszFull, L"\\\\"))
        return CString(L"\\\\?\\UNC\\") + (pszFull + 2);
    return CString(L"\\\\?\\") + pszFull;
}

CString MakeNtPath(const wchar_t* pszPath)
{
    CString strPath(pszPath);
    if (StartsWith(pszPath, L"\\??\\"))
        return strPath;
    if (!StartsWith(pszPath, L"\\\\?\\") && !(HasRewrittenName(strPath) && IsLiteralAbsolutePath(strPath)))
    {
        const CString strFull = FullPathOf(pszPath);
        if (!strFull.IsEmpty())
            strPath = strFull;
    }
    if (StartsWith(strPath, L"\\\\?\\UNC\\"))
        return CString(L"\\??\\UNC\\") + strPath.Mid(8);
    if (StartsWith(strPath, L"\\\\?\\"))
        return CString(L"\\??\\") + strPath.Mid(4);
    if (StartsWith(strPath, L"\\\\"))
        return CString(L"\\??\\UNC\\") + strPath.Mid(2);
    return CString(L"\\??\\") + strPath;
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

bool IsPlainPath(const CString& strPath)
{
    CString strRest = strPath;
    if (StartsWith(strRest, L"\\\\?\\UNC\\"))
        strRest = L"\\\\" + strRest.Mid(8);
    else if (StartsWith(strRest, L"\\\\?\\"))
        strRest = strRest.Mid(4);
    int nStart = 0;
    if (strRest.GetLength() >= 2 && strRest[1] == L':')
    {
        nStart = 2;
    }
    else if (StartsWith(strRest, L"\\\\"))
    {
        // Server and share.
        const int nShare = strRest.Find(L'\\', 2);
        nStart = nShare < 0 ? strRest.GetLength() : strRest.Find(L'\\', nShare + 1);
        nStart = nStart < 0 ? strRest.GetLength() : nStart;
    }
    while (nStart < strRest.GetLength())
    {
        while (nStart < strRest.GetLength() && (strRest[nStart] == L'\\' || strRest[nStart] == L'/'))
            ++nStart;
        int nEnd = nStart;
        while (nEnd < strRest.GetLength() && strRest[nEnd] != L'\\' && strRest[nEnd] != L'/')
            ++nEnd;
        const CString strPart = strRest.Mid(nStart, nEnd - nStart);
        if (!strPart.IsEmpty() && strPart != L"." && strPart != L".." && !IsPlainEntryName(strPart))
            return false;
        nStart = nEnd;
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

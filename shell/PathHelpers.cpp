#include "shell/PathHelpers.h"

#include <shlwapi.h>
#include <rpc.h>

#include <cwchar>
#include <vector>

#include "shell/PathStrings.h"

namespace {

bool EndsWithBackslash(const CString& str)
{
    return str.GetLength() > 0 && str[str.GetLength() - 1] == L'\\';
}

bool IsHexDigit(wchar_t ch)
{
    return (ch >= L'0' && ch <= L'9') || (ch >= L'a' && ch <= L'f') || (ch >= L'A' && ch <= L'F');
}

}  // namespace

CString FindExistingFolder(CString path)
{
    return FindExistingFolder(path, [](const CString& p) { return ::PathFileExistsW(p) != FALSE; });
}

CString FindExistingFolder(CString path, const std::function<bool(const CString&)>& exists)
{
    int n = path.GetLength();
    if (path.Find(L":////") >= 0)
        return CString();
    path.MakeLower();
    if (n == 0)
        return path;
    if (exists(path))
        return path;
    for (;;)
    {
        if (EndsWithBackslash(path))
            path = path.Left(path.GetLength() - 1);
        path = GetFolderPart(path);
        const int m = path.GetLength();
        if (m == n)
            return CString();
        n = m;
        // A drive root is taken as it is: x:\ of a missing drive is as
        // good a start as any, and the dialog falls back by itself.
        if (m <= 3)
            return path;
        if (exists(path))
            return path;
    }
}

CString GetFolderPart(CString path)
{
    CString drive;
    CString directory;
    SplitDriveAndDirectory(path, drive, directory);
    CString folder = drive + directory;
    if (!folder.IsEmpty() && !EndsWithBackslash(folder))
        folder += L'\\';
    return folder;
}

void AddTrailingBackslash(CString& str)
{
    const int nNul = str.Find(L'\0');
    if (nNul >= 0)
        str = str.Left(nNul);
    if (!str.IsEmpty() && !EndsWithBackslash(str))
        str += L'\\';
}

void RemoveTrailingBackslash(CString& str)
{
    if (EndsWithBackslash(str))
        str = str.Left(str.GetLength() - 1);
}

void MakeGuidString(CString& str)
{
    if (!str.IsEmpty())
        return;
    UUID uuid = {};
    ::UuidCreate(&uuid);
    RPC_WSTR text = nullptr;
    if (::UuidToStringW(&uuid, &text) != RPC_S_OK || text == nullptr)
        return;
    str = CString(L"{") + reinterpret_cast<const wchar_t*>(text) + L"}";
    str.MakeUpper();
    ::RpcStringFreeW(&text);
}

bool IsBracedGuidString(const CString& str)
{
    if (str.GetLength() != 38 || str[0] != L'{' || str[37] != L'}')
        return false;
    for (int i = 1; i < 37; ++i)
    {
        const bool bHyphen = i == 9 || i == 14 || i == 19 || i == 24;
        if (bHyphen ? str[i] != L'-' : !IsHexDigit(str[i]))
            return false;
    }
    return true;
}

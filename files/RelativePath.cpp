#include "files/RelativePath.h"

#include "files/PathRules.h"

#include <vector>

namespace {

struct SplitPath
{
    CString strRoot;  // "C:" or "\\server\share", as spelt
    std::vector<CString> parts;
};

// The root and the names after it; false where the path has no root of the
// two kinds a link can lead to.
bool Split(CString strPath, SplitPath& split)
{
    if (strPath.Left(8).CompareNoCase(L"\\\\?\\UNC\\") == 0)
        strPath = L"\\\\" + strPath.Mid(8);
    else if (strPath.Left(4) == L"\\\\?\\" || strPath.Left(4) == L"\\??\\")
        strPath = strPath.Mid(4);
    std::vector<CString> parts;
    int nStart = 0;
    for (int i = 0; i <= strPath.GetLength(); ++i)
    {
        if (i < strPath.GetLength() && strPath[i] != L'\\' && strPath[i] != L'/')
            continue;
        parts.push_back(strPath.Mid(nStart, i - nStart));
        nStart = i + 1;
    }
    size_t nFirst = 0;
    if (parts.size() >= 1 && parts[0].GetLength() == 2 && parts[0][1] == L':' &&
        ((parts[0][0] | 0x20) >= L'a' && (parts[0][0] | 0x20) <= L'z'))
    {
        split.strRoot = parts[0];
        nFirst = 1;
    }
    else if (parts.size() >= 4 && parts[0].IsEmpty() && parts[1].IsEmpty() && !parts[2].IsEmpty() &&
             !parts[3].IsEmpty())
    {
        split.strRoot = L"\\\\" + parts[2] + L"\\" + parts[3];
        nFirst = 4;
    }
    else
    {
        return false;
    }
    split.parts.clear();
    for (size_t i = nFirst; i < parts.size(); ++i)
        if (!parts[i].IsEmpty())
            split.parts.push_back(parts[i]);
    return true;
}

bool SameName(const CString& strA, const CString& strB)
{
    return MakeFoldedPath(strA) == MakeFoldedPath(strB);
}

}  // namespace

RelativePath MakeRelativePath(const CString& strFolder, const CString& strTarget, CString& strRelative)
{
    strRelative.Empty();
    SplitPath folder;
    SplitPath target;
    if (!Split(strFolder, folder) || !Split(strTarget, target) || target.parts.empty())
        return RelativePath::NotExpressible;
    for (const SplitPath* pSplit : {&folder, &target})
        for (const CString& strPart : pSplit->parts)
            if (strPart == L"." || strPart == L"..")
                return RelativePath::NotExpressible;
    for (const CString& strPart : target.parts)
        if (IsRewrittenName(strPart))
            return RelativePath::NotExpressible;
    if (!SameName(folder.strRoot, target.strRoot))
        return RelativePath::OtherRoot;
    size_t nCommon = 0;
    while (nCommon < folder.parts.size() && nCommon < target.parts.size() &&
           SameName(folder.parts[nCommon], target.parts[nCommon]))
        ++nCommon;
    for (size_t i = nCommon; i < folder.parts.size(); ++i)
        strRelative += L"..\\";
    for (size_t i = nCommon; i < target.parts.size(); ++i)
        strRelative += target.parts[i] + (i + 1 < target.parts.size() ? L"\\" : L"");
    // A target that is the folder itself or above it ends in "..\".
    if (!strRelative.IsEmpty() && strRelative[strRelative.GetLength() - 1] == L'\\')
        strRelative = strRelative.Left(strRelative.GetLength() - 1);
    if (strRelative.IsEmpty())
        strRelative = L".";
    return RelativePath::Made;
}

CString ResolveRelativePath(const CString& strFolder, const CString& strRelative)
{
    SplitPath probe;
    // A drive-relative "C:a.txt" or a stream is no path from the folder.
    if (strRelative.IsEmpty() || strRelative[0] == L'\\' || strRelative.Find(L':') >= 0 || Split(strRelative, probe))
        return CString();
    SplitPath folder;
    if (!Split(strFolder, folder))
        return CString();
    SplitPath relative;
    if (!Split(L"X:\\" + strRelative, relative))
        return CString();
    std::vector<CString> parts = folder.parts;
    for (const CString& strPart : relative.parts)
    {
        if (strPart == L"..")
        {
            if (!parts.empty())
                parts.pop_back();
        }
        else if (strPart != L".")
        {
            parts.push_back(strPart);
        }
    }
    CString strPath = folder.strRoot;
    for (const CString& strPart : parts)
        strPath += L"\\" + strPart;
    return parts.empty() ? strPath + L"\\" : strPath;
}

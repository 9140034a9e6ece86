#include "links/LinkBatch.h"

#include "links/LinkPrivileges.h"

#include <stdlib.h>

#include <vector>

CString GetFileName(CString strPath)
{
    // Every part is at most as long as the whole path, so no part can
    // overflow its buffer, however long the name.
    const size_t nSize = static_cast<size_t>(strPath.GetLength()) + 1;
    std::vector<wchar_t> name(nSize);
    std::vector<wchar_t> ext(nSize);
    if (_wsplitpath_s(strPath, nullptr, 0, nullptr, 0, name.data(), nSize, ext.data(), nSize) != 0)
        return CString();
    return CString(name.data()) + ext.data();
}

namespace {

CString FormatLinkLine(bool bSymbolic, const CString& strTarget, DWORD dwError)
{
    CString strLine;
    strLine.Format(bSymbolic ? L"SymbolicLink: %s, File: %s, Error: %ld, %s." : L"HardLink: %s, File: %s, Error: %ld, %s.",
                   dwError == 0 ? L"OK" : L"FAILED", strTarget.GetString(), static_cast<long>(dwError),
                   GetErrorText(dwError).GetString());
    return strLine;
}

// One pair: the line it gets.
CString LinkOnePair(const CString& strSource, const CString& strTarget, bool bSymbolic, int bRemoveExisting,
                    ILinkFileSystem& fs)
{
    CString strLine;
    if (strSource.CompareNoCase(strTarget) == 0)
    {
        strLine.Format(L"Skip: File: %s.", strTarget.GetString());
        return strLine;
    }

    DWORD dwSaved = 0;
    if (fs.Exists(strTarget))
    {
        if (!bRemoveExisting)
        {
            // What was skipped, and what is in its way.
            strLine.Format(L"Skip: %s, File: %s.", strSource.GetString(), strTarget.GetString());
            return strLine;
        }
        // The same entry under another spelling: deleting it would delete
        // the source itself.
        if (fs.IsSameEntry(strSource, strTarget))
        {
            strLine.Format(L"Skip: File: %s.", strTarget.GetString());
            return strLine;
        }
        dwSaved = fs.GetAttributes(strTarget);
        fs.SetAttributes(strTarget, FILE_ATTRIBUTE_NORMAL);
        fs.Delete(strTarget);
    }

    DWORD dwError = 0;
    if (bSymbolic)
    {
        if (!fs.CreateSymbolicLink(strTarget, strSource, LINK_SYMBOLIC_FLAGS))
        {
            dwError = fs.GetLastError();
            // Systems before the unprivileged flag existed reject it.
            if (dwError == ERROR_INVALID_PARAMETER)
                dwError = fs.CreateSymbolicLink(strTarget, strSource, 0) ? 0 : fs.GetLastError();
        }
    }
    else if (!fs.CreateHardLink(strTarget, strSource))
    {
        dwError = fs.GetLastError();
    }

    strLine = FormatLinkLine(bSymbolic, strTarget, dwError);

    if (dwSaved != 0 && dwSaved != INVALID_FILE_ATTRIBUTES)
        fs.SetAttributes(strTarget, dwSaved);
    return strLine;
}

}  // namespace

void RunLinkBatch(const ILinkPathList& folders, const ILinkPathList& files, int nLinkType, int bRemoveExisting,
                  ILinkFileSystem& fileSystem, ILinkOutput& output)
{
    const bool bSymbolic = nLinkType == 0 && fileSystem.CanCreateSymbolicLink();
    const int nFolders = folders.GetCount();
    const int nFiles = files.GetCount();
    for (int i = 0; i < nFolders; ++i)
    {
        const CString strFolder = folders.GetAt(i);
        for (int j = 0; j < nFiles; ++j)
        {
            const CString strSource = files.GetAt(j);
            const CString strTarget = strFolder + GetFileName(strSource);
            output.AddLine(LinkOnePair(strSource, strTarget, bSymbolic, bRemoveExisting, fileSystem));
        }
        output.EndFolder();
    }
}

#include "shell/RecycleBin.h"

#include "files/PathRules.h"
#include "files/TempName.h"

#include <shellapi.h>

namespace {

// Whether the shell keeps deleted files of this path's drive: fixed local
// drives have a Recycle Bin, network and removable ones have none.
bool HasRecycleBin(const CString& strPath)
{
    if (strPath.GetLength() < 3 || strPath[1] != L':' || strPath[2] != L'\\')
        return false;
    const CString strRoot = strPath.Left(3);
    return ::GetDriveTypeW(strRoot) == DRIVE_FIXED;
}

bool Exists(const CString& strPath)
{
    return ::GetFileAttributesW(MakeSystemPath(strPath)) != INVALID_FILE_ATTRIBUTES;
}

// Deletes the folder and what it keeps: files, links to folders (the link,
// never what it leads to) and its parts, one level down.
void DeleteFolder(const CString& strFolder, bool bPart = false)
{
    WIN32_FIND_DATAW data;
    const HANDLE hFind = ::FindFirstFileW(MakeSystemPath(strFolder + L"\\*"), &data);
    if (hFind != INVALID_HANDLE_VALUE)
    {
        do
        {
            const CString strName = data.cFileName;
            const CString strEntry = MakeSystemPath(strFolder + L"\\" + strName);
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0)
                ::SetFileAttributesW(strEntry, data.dwFileAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
                (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
                ::RemoveDirectoryW(strEntry);
            else if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
                ::DeleteFileW(strEntry);
            else if (!bPart && GetKeptPartNumber(strName) != 0)
                DeleteFolder(strFolder + L"\\" + strName, true);
        } while (::FindNextFileW(hFind, &data));
        ::FindClose(hFind);
    }
    ::RemoveDirectoryW(MakeSystemPath(strFolder));
}

}  // namespace

RecycleOutcome RecycleFolders(const std::vector<CString>& folders)
{
    RecycleOutcome outcome;
    for (const CString& strFolder : folders)
    {
        if (!Exists(strFolder))
            continue;
        // The shell's call takes no "\\?\" paths.
        if (HasRecycleBin(strFolder) && strFolder.GetLength() < MAX_PATH)
        {
            // Two terminating zeros end the list of one.
            std::vector<wchar_t> from(static_cast<size_t>(strFolder.GetLength()) + 2, L'\0');
            std::copy(strFolder.GetString(), strFolder.GetString() + strFolder.GetLength(), from.begin());
            SHFILEOPSTRUCTW op = {};
            op.wFunc = FO_DELETE;
            op.pFrom = from.data();
            op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT | 0x2000;  // FOF_NO_CONNECTED_ELEMENTS
            // A cancel may report 0: what counts is whether the folder went.
            const int nResult = ::SHFileOperationW(&op);
            (nResult == 0 && !op.fAnyOperationsAborted && !Exists(strFolder) ? outcome.recycled : outcome.kept).push_back(strFolder);
            continue;
        }
        DeleteFolder(strFolder);
        (Exists(strFolder) ? outcome.kept : outcome.deleted).push_back(strFolder);
    }
    return outcome;
}

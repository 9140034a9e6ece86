#include "files/FileInPlace.h"

#include "files/PathRules.h"
#include "files/TempName.h"

#include <algorithm>

DWORD WriteFileInPlace(const CString& strPath, const std::string& bytes)
{
    // A read-only file is not replaced, as Windows' own rename refuses to
    // (some systems, Wine among them, would).
    const DWORD dwOld = ::GetFileAttributesW(MakeSystemPath(strPath));
    if (dwOld != INVALID_FILE_ATTRIBUTES && (dwOld & FILE_ATTRIBUTE_READONLY))
        return ERROR_ACCESS_DENIED;
    const int nSlash = strPath.ReverseFind(L'\\');
    const CString strTemp = strPath.Left(nSlash + 1) + MakeTempName();
    const CString strSystemTemp = MakeSystemPath(strTemp);
    const HANDLE hFile =
        ::CreateFileW(strSystemTemp, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return ::GetLastError();
    DWORD dwError = ERROR_SUCCESS;
    for (size_t nDone = 0; nDone < bytes.size() && dwError == ERROR_SUCCESS;)
    {
        const DWORD dwChunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - nDone, 1u << 20));
        DWORD dwWritten = 0;
        if (!::WriteFile(hFile, bytes.data() + nDone, dwChunk, &dwWritten, nullptr) || dwWritten == 0)
            dwError = dwWritten == 0 && ::GetLastError() == ERROR_SUCCESS ? ERROR_WRITE_FAULT : ::GetLastError();
        nDone += dwWritten;
    }
    if (dwError == ERROR_SUCCESS && !::FlushFileBuffers(hFile))
        dwError = ::GetLastError();
    ::CloseHandle(hFile);
    if (dwError == ERROR_SUCCESS &&
        !::MoveFileExW(strSystemTemp, MakeSystemPath(strPath), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        dwError = ::GetLastError();
    if (dwError != ERROR_SUCCESS)
        ::DeleteFileW(strSystemTemp);
    return dwError;
}

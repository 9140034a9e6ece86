#include "files/FileInPlace.h"

#include "files/ErrorCode.h"
#include "files/PathRules.h"
#include "files/TempName.h"

#include <algorithm>

CFileInPlace::~CFileInPlace()
{
    Abandon();
}

DWORD CFileInPlace::Begin(const CString& strPath)
{
    Abandon();
    // A read-only file is not replaced, as Windows' own rename refuses to
    // (some systems, Wine among them, would).
    const DWORD dwOld = ::GetFileAttributesW(MakeSystemPath(strPath));
    if (dwOld != INVALID_FILE_ATTRIBUTES && (dwOld & FILE_ATTRIBUTE_READONLY))
        return ERROR_ACCESS_DENIED;
    const int nSlash = strPath.ReverseFind(L'\\');
    m_strPath = strPath;
    m_strTemp = MakeSystemPath(strPath.Left(nSlash + 1) + MakeTempName());
    m_hFile = ::CreateFileW(m_strTemp, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    return m_hFile != INVALID_HANDLE_VALUE ? static_cast<DWORD>(ERROR_SUCCESS) : FailureCode(::GetLastError());
}

DWORD CFileInPlace::Write(const std::string& bytes)
{
    if (m_hFile == INVALID_HANDLE_VALUE)
        return ERROR_INVALID_HANDLE;
    for (size_t nDone = 0; nDone < bytes.size();)
    {
        const DWORD dwChunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - nDone, 1u << 20));
        DWORD dwWritten = 0;
        if (!::WriteFile(m_hFile, bytes.data() + nDone, dwChunk, &dwWritten, nullptr) || dwWritten == 0)
            return dwWritten == 0 && ::GetLastError() == ERROR_SUCCESS ? static_cast<DWORD>(ERROR_WRITE_FAULT)
                                                                       : FailureCode(::GetLastError());
        nDone += dwWritten;
    }
    return ERROR_SUCCESS;
}

DWORD CFileInPlace::Commit()
{
    if (m_hFile == INVALID_HANDLE_VALUE)
        return ERROR_INVALID_HANDLE;
    DWORD dwError = ::FlushFileBuffers(m_hFile) ? static_cast<DWORD>(ERROR_SUCCESS) : FailureCode(::GetLastError());
    ::CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
    if (dwError == ERROR_SUCCESS &&
        !::MoveFileExW(m_strTemp, MakeSystemPath(m_strPath), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        dwError = FailureCode(::GetLastError());
    if (dwError != ERROR_SUCCESS)
        ::DeleteFileW(m_strTemp);
    m_strTemp.Empty();
    return dwError;
}

void CFileInPlace::Abandon()
{
    if (m_hFile != INVALID_HANDLE_VALUE)
    {
        ::CloseHandle(m_hFile);
        m_hFile = INVALID_HANDLE_VALUE;
    }
    if (!m_strTemp.IsEmpty())
        ::DeleteFileW(m_strTemp);
    m_strTemp.Empty();
}

DWORD WriteFileInPlace(const CString& strPath, const std::string& bytes)
{
    CFileInPlace file;
    DWORD dwError = file.Begin(strPath);
    if (dwError == ERROR_SUCCESS)
        dwError = file.Write(bytes);
    return dwError == ERROR_SUCCESS ? file.Commit() : dwError;
}

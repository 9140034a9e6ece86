#pragma once

#include "framework/String.h"

#include <windows.h>

#include <string>

// A file written under a temporary name in its folder and renamed into
// place when it is whole, so that a file there before is never left
// half-written; nothing is left behind when it fails or is given up. A
// read-only file there is not replaced.
class CFileInPlace
{
public:
    CFileInPlace() = default;
    // Gives up a file not committed.
    ~CFileInPlace();
    CFileInPlace(const CFileInPlace&) = delete;
    CFileInPlace& operator=(const CFileInPlace&) = delete;

    [[nodiscard]] DWORD Begin(const CString& strPath);
    [[nodiscard]] DWORD Write(const std::string& bytes);
    // Flushes, closes and renames it into place.
    [[nodiscard]] DWORD Commit();
    void Abandon();

private:
    CString m_strPath;
    CString m_strTemp;
    HANDLE m_hFile = INVALID_HANDLE_VALUE;
};

// The whole file at once; a system error code.
[[nodiscard]] DWORD WriteFileInPlace(const CString& strPath, const std::string& bytes);

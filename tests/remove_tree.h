#pragma once

#include <windows.h>

#include <string>

// Deletes a folder with everything in it, read-only files included. The
// path may end in a backslash.
inline void RemoveTree(std::wstring dir)
{
    while (dir.size() > 1 && dir.back() == L'\\')
        dir.pop_back();
    WIN32_FIND_DATAW data;
    HANDLE hFind = ::FindFirstFileW((dir + L"\\*").c_str(), &data);
    if (hFind != INVALID_HANDLE_VALUE)
    {
        do
        {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring child = dir + L"\\" + name;
            ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                ::DeleteFileW(child.c_str());
        } while (::FindNextFileW(hFind, &data));
        ::FindClose(hFind);
    }
    ::RemoveDirectoryW(dir.c_str());
}

#pragma once

#include <windows.h>

#include "files/TempName.h"

#include <string>
#include <vector>

// Temporary folder trees for tests and benchmarks.

// Deletes a folder with everything in it, read-only files included. The
// path may end in a backslash.
inline void RemoveTree(std::wstring dir)
{
    while (dir.size() > 1 && dir.back() == L'\\')
        dir.pop_back();
    // Names such as "a.txt." are reached only in the literal form.
    if (dir.size() > 2 && dir[1] == L':' && dir[2] == L'\\')
        dir = L"\\\\?\\" + dir;
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

// Names in a folder that a run left behind under a temporary name (the
// folders that keep replaced files aside: KeptIn).
inline int TempFilesIn(const std::wstring& folder)
{
    int nFound = 0;
    WIN32_FIND_DATAW data;
    HANDLE hFind = ::FindFirstFileW((folder + L"~Quillon-*").c_str(), &data);
    if (hFind != INVALID_HANDLE_VALUE)
    {
        do
            nFound += IsKeptFolderName(data.cFileName) ? 0 : 1;
        while (::FindNextFileW(hFind, &data));
        ::FindClose(hFind);
    }
    return nFound;
}

// The paths of the files runs kept in a target folder, each as
// "<kept folder>\<name>".
inline std::vector<std::wstring> KeptIn(const std::wstring& folder)
{
    std::vector<std::wstring> kept;
    WIN32_FIND_DATAW data;
    HANDLE hFind = ::FindFirstFileW((folder + L"~Quillon-Aufbewahrt-*").c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return kept;
    do
    {
        const std::wstring keptFolder = folder + data.cFileName + L"\\";
        WIN32_FIND_DATAW file;
        HANDLE hFiles = ::FindFirstFileW((keptFolder + L"*").c_str(), &file);
        if (hFiles == INVALID_HANDLE_VALUE)
            continue;
        do
            if (!(file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                kept.push_back(keptFolder + file.cFileName);
        while (::FindNextFileW(hFiles, &file));
        ::FindClose(hFiles);
    } while (::FindNextFileW(hFind, &data));
    ::FindClose(hFind);
    return kept;
}

// A folder tree under %TEMP% that is removed again.
class CTempTree
{
public:
    // A named tree has the same root each time (for results compared
    // across trees); an unnamed one has a root of its own.
    explicit CTempTree(const std::wstring& name = L"")
    {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        m_root = std::wstring(temp) + L"quillon_" + (name.empty() ? L"mw" : name) + L"_" +
                 std::to_wstring(::GetCurrentProcessId());
        if (name.empty())
            m_root += L"_" + std::to_wstring(++Counter());
        RemoveTree(m_root);
        ::CreateDirectoryW(m_root.c_str(), nullptr);
    }
    CTempTree(const CTempTree&) = delete;
    CTempTree& operator=(const CTempTree&) = delete;
    ~CTempTree()
    {
        std::wstring from = L"\\\\?\\" + m_root;
        RemoveTree(from);
    }
    const std::wstring& Root() const { return m_root; }
    std::wstring File(const std::wstring& name) const
    {
        const std::wstring path = m_root + L"\\" + name;
        HANDLE h = ::CreateFileW((L"\\\\?\\" + path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE)
            ::CloseHandle(h);
        return path;
    }
    std::wstring Folder(const std::wstring& name) const
    {
        const std::wstring path = m_root + L"\\" + name;
        ::CreateDirectoryW((L"\\\\?\\" + path).c_str(), nullptr);
        return path;
    }
    // A folder as the folder list holds it: ending in "\".
    std::wstring TargetFolder(const std::wstring& name) const { return Folder(name) + L"\\"; }
    // An empty file in a folder of the tree, the folder made if need be.
    std::wstring File(const std::wstring& folder, const std::wstring& name) const
    {
        Folder(folder);
        return File(folder + L"\\" + name);
    }

private:
    static int& Counter()
    {
        static int n = 0;
        return n;
    }
    std::wstring m_root;
};


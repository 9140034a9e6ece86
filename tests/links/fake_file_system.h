#pragma once

#include "links/LinkBatch.h"
#include "links/LinkFileSystem.h"
#include "links/LinkPrivileges.h"

#include <map>
#include <string>
#include <vector>

// An in-memory file system that logs every call, for the batch's logic.
// Paths compare case-insensitively, as on Windows.
class CFakeFileSystem : public ILinkFileSystem
{
public:
    struct NoCase
    {
        bool operator()(const std::wstring& a, const std::wstring& b) const { return _wcsicmp(a.c_str(), b.c_str()) < 0; }
    };

    // Objects present, with their attribute words.
    std::map<std::wstring, DWORD, NoCase> objects;
    // Error per link target (0 or missing: the call succeeds).
    std::map<std::wstring, DWORD, NoCase> hardLinkErrors;
    // Symbolic-link errors, taken one per call; empty: the call succeeds.
    std::vector<DWORD> symbolicLinkErrors;
    // Attribute word GetAttributes reports instead of the stored one.
    std::map<std::wstring, DWORD, NoCase> attributeOverrides;
    // Paths that fail to delete.
    std::map<std::wstring, DWORD, NoCase> undeletable;
    // Pairs (source, target) that are the same directory entry.
    std::vector<std::pair<std::wstring, std::wstring>> sameEntries;
    bool symbolicLinksAvailable = true;
    std::vector<std::wstring> calls;

    BOOL Exists(LPCWSTR p) override
    {
        Log(L"exists", p);
        return objects.count(p) != 0;
    }
    DWORD GetAttributes(LPCWSTR p) override
    {
        Log(L"get", p);
        auto over = attributeOverrides.find(p);
        if (over != attributeOverrides.end())
            return over->second;
        auto it = objects.find(p);
        if (it == objects.end())
        {
            Fail(ERROR_FILE_NOT_FOUND);
            return INVALID_FILE_ATTRIBUTES;
        }
        return it->second;
    }
    BOOL SetAttributes(LPCWSTR p, DWORD a) override
    {
        Log(L"set", p, a);
        auto it = objects.find(p);
        if (it == objects.end())
            return Fail(ERROR_FILE_NOT_FOUND);
        it->second = a;
        return TRUE;
    }
    BOOL Delete(LPCWSTR p) override
    {
        Log(L"delete", p);
        if (undeletable.count(p) != 0)
            return Fail(undeletable[p]);
        return objects.erase(p) != 0 ? TRUE : Fail(ERROR_FILE_NOT_FOUND);
    }
    BOOL CreateHardLink(LPCWSTR link, LPCWSTR existing) override
    {
        Log(L"hardlink", link, 0, existing);
        auto it = hardLinkErrors.find(link);
        if (it != hardLinkErrors.end() && it->second != 0)
            return Fail(it->second);
        if (objects.count(link) != 0)
            return Fail(ERROR_ALREADY_EXISTS);
        objects[link] = FILE_ATTRIBUTE_ARCHIVE;
        return TRUE;
    }
    bool CanCreateSymbolicLink() const override { return symbolicLinksAvailable; }
    BOOL CreateSymbolicLink(LPCWSTR link, LPCWSTR target, DWORD flags) override
    {
        Log(L"symlink", link, flags, target);
        if (!symbolicLinkErrors.empty())
        {
            const DWORD e = symbolicLinkErrors.front();
            symbolicLinkErrors.erase(symbolicLinkErrors.begin());
            if (e != 0)
                return Fail(e);
        }
        objects[link] = FILE_ATTRIBUTE_REPARSE_POINT;
        return TRUE;
    }
    DWORD GetLastError() override { return m_dwLastError; }
    bool IsSameEntry(LPCWSTR a, LPCWSTR b) override
    {
        Log(L"same", a, 0, b);
        for (const auto& pair : sameEntries)
        {
            if (_wcsicmp(pair.first.c_str(), a) == 0 && _wcsicmp(pair.second.c_str(), b) == 0)
                return true;
        }
        return false;
    }

private:
    BOOL Fail(DWORD e)
    {
        m_dwLastError = e;
        return FALSE;
    }
    void Log(const wchar_t* op, LPCWSTR p, DWORD n = 0, LPCWSTR other = nullptr)
    {
        std::wstring s = std::wstring(op) + L" " + p;
        if (other != nullptr)
            s += std::wstring(L" <- ") + other;
        if (n != 0)
            s += L" " + std::to_wstring(n);
        calls.push_back(s);
    }

    DWORD m_dwLastError = 0;
};

class CVectorPathList : public ILinkPathList
{
public:
    CVectorPathList(std::initializer_list<const wchar_t*> paths) : m_paths(paths.begin(), paths.end()) {}
    explicit CVectorPathList(std::vector<std::wstring> paths) : m_paths(std::move(paths)) {}
    int GetCount() const override { return static_cast<int>(m_paths.size()); }
    CString GetAt(int i) const override { return CString(m_paths.at(static_cast<size_t>(i)).c_str()); }

private:
    std::vector<std::wstring> m_paths;
};

class CVectorOutput : public ILinkOutput
{
public:
    std::vector<std::wstring> lines;
    int folders = 0;
    void AddLine(const CString& line) override { lines.emplace_back(line.GetString()); }
    void EndFolder() override { ++folders; }
};

// The line the batch writes for a link call with this result.
inline std::wstring LinkLine(const wchar_t* kind, const std::wstring& target, DWORD error)
{
    CString line;
    line.Format(L"%s: %s, File: %s, Error: %ld, %s.", kind, error == 0 ? L"OK" : L"FAILED", target.c_str(),
                static_cast<long>(error), GetErrorText(error).GetString());
    return line.GetString();
}

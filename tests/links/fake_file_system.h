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
    // Error of every hard link to this existing file (0 or missing: the
    // call succeeds).
    std::map<std::wstring, DWORD, NoCase> hardLinkErrors;
    // Symbolic-link errors, taken one per call; empty: the call succeeds.
    std::vector<DWORD> symbolicLinkErrors;
    // Attribute word GetAttributes reports instead of the stored one.
    std::map<std::wstring, DWORD, NoCase> attributeOverrides;
    // Paths that fail to delete.
    std::map<std::wstring, DWORD, NoCase> undeletable;
    // Other spellings of an entry (another drive letter, a short name):
    // alias -> the entry's own path.
    std::map<std::wstring, std::wstring, NoCase> aliases;
    // The file behind each entry; entries without one are files of their
    // own. Hard links share it.
    std::map<std::wstring, ULONGLONG, NoCase> fileOf;
    // Paths whose identity cannot be established, with the error.
    std::map<std::wstring, DWORD, NoCase> idErrors;
    // Renames that fail, by target, with the error.
    std::map<std::wstring, DWORD, NoCase> renameErrors;
    bool symbolicLinksAvailable = true;
    // A symbolic-link call that reports success and makes nothing (Wine 8).
    bool symbolicLinksMakeNothing = false;
    std::vector<std::wstring> calls;

    BOOL Exists(LPCWSTR p) override
    {
        Log(L"exists", p);
        return objects.count(Resolve(p)) != 0 ? TRUE : Fail(ERROR_FILE_NOT_FOUND);
    }
    DWORD GetAttributes(LPCWSTR p) override
    {
        Log(L"get", p);
        auto over = attributeOverrides.find(p);
        if (over != attributeOverrides.end())
            return over->second;
        auto it = objects.find(Resolve(p));
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
        auto it = objects.find(Resolve(p));
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
        fileOf.erase(Resolve(p));
        return objects.erase(Resolve(p)) != 0 ? TRUE : Fail(ERROR_FILE_NOT_FOUND);
    }
    BOOL Rename(LPCWSTR from, LPCWSTR to) override
    {
        Log(L"rename", from, 0, to);
        auto error = renameErrors.find(to);
        if (error != renameErrors.end())
            return Fail(error->second);
        auto it = objects.find(from);
        if (it == objects.end())
            return Fail(ERROR_FILE_NOT_FOUND);
        if (objects.count(to) != 0 && (objects[to] & FILE_ATTRIBUTE_READONLY))
            return Fail(ERROR_ACCESS_DENIED);
        objects[to] = it->second;
        fileOf[to] = FileOf(from);
        objects.erase(from);
        fileOf.erase(from);
        return TRUE;
    }
    BOOL CreateHardLink(LPCWSTR link, LPCWSTR existing) override
    {
        Log(L"hardlink", link, 0, existing);
        auto it = hardLinkErrors.find(existing);
        if (it != hardLinkErrors.end() && it->second != 0)
            return Fail(it->second);
        if (objects.count(link) != 0)
            return Fail(ERROR_ALREADY_EXISTS);
        // Sources the test did not set up are plain files.
        fileOf[link] = FileOf(Resolve(existing));
        auto source = objects.find(Resolve(existing));
        objects[link] = source != objects.end() ? source->second : FILE_ATTRIBUTE_ARCHIVE;
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
        if (!symbolicLinksMakeNothing)
            objects[link] = FILE_ATTRIBUTE_REPARSE_POINT;
        return TRUE;
    }
    DWORD GetLastError() override { return m_dwLastError; }
    bool GetEntryId(LPCWSTR p, LinkEntryId& id) override
    {
        Log(L"id", p);
        auto error = idErrors.find(p);
        if (error != idErrors.end())
            return Fail(error->second) != FALSE;
        const std::wstring path = Resolve(p);
        if (!path.empty() && path.back() == L'\\')
        {
            // Folders are there, one per spelling.
            id = LinkEntryId();
            id.nFileIndex = std::hash<std::wstring>()(Fold(path));
            id.nLinks = 1;
            id.dwAttributes = FILE_ATTRIBUTE_DIRECTORY;
            return true;
        }
        auto it = objects.find(path);
        if (it == objects.end())
            return Fail(ERROR_FILE_NOT_FOUND) != FALSE;
        id = LinkEntryId();
        id.nFileIndex = FileOf(path);
        id.dwAttributes = it->second;
        for (const auto& object : objects)
            id.nLinks += FileOf(object.first) == id.nFileIndex ? 1 : 0;
        return true;
    }
    bool GetFinalPath(LPCWSTR p, CString& final) override
    {
        Log(L"final", p);
        if (objects.count(Resolve(p)) == 0)
            return Fail(ERROR_FILE_NOT_FOUND) != FALSE;
        final = Fold(Resolve(p)).c_str();
        return true;
    }

private:
    std::wstring Resolve(LPCWSTR p) const
    {
        // An alias of a folder covers everything in it.
        for (const auto& alias : aliases)
        {
            if (_wcsnicmp(p, alias.first.c_str(), alias.first.size()) == 0)
                return alias.second + (p + alias.first.size());
        }
        return p;
    }
    static std::wstring Fold(std::wstring p)
    {
        for (wchar_t& ch : p)
            ch = static_cast<wchar_t>(towupper(ch));
        return p;
    }
    ULONGLONG FileOf(const std::wstring& p)
    {
        auto it = fileOf.find(p);
        if (it != fileOf.end())
            return it->second;
        return fileOf[p] = std::hash<std::wstring>()(Fold(p)) | 1;
    }
    BOOL Fail(DWORD e)
    {
        m_dwLastError = e;
        return FALSE;
    }
    void Log(const wchar_t* op, LPCWSTR p, DWORD n = 0, LPCWSTR other = nullptr)
    {
        std::wstring s = std::wstring(op) + L" " + TempFree(p);
        if (other != nullptr)
            s += std::wstring(L" <- ") + TempFree(other);
        if (n != 0)
            s += L" " + std::to_wstring(n);
        calls.push_back(s);
    }

    // Temporary names carry the process and the time: the log shows "~tmp".
    static std::wstring TempFree(LPCWSTR p)
    {
        std::wstring s = p;
        const size_t pos = s.find(L"~Quillon-");
        if (pos != std::wstring::npos)
            s = s.substr(0, pos) + L"~tmp";
        return s;
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

#pragma once

#include "links/LinkFileSystem.h"
#include "links/LinkPrivileges.h"
#include "links/LinkReport.h"
#include "links/LinkTypes.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

// An in-memory file system with the aliases a real one has. Nodes are files,
// folders, symbolic links and junctions; a folder's entries are names (each
// with an optional short name) that lead to nodes, so hard links are entries
// of one node and share its attributes. A drive letter may lead to a folder
// of another drive, as a second letter for one folder does. Every call is
// logged, and onCall runs first, so that a test can change the tree between
// two calls or make a call fail by throwing.
class CFakeFileSystem : public ILinkFileSystem
{
public:
    struct NoCase
    {
        bool operator()(const std::wstring& a, const std::wstring& b) const { return _wcsicmp(a.c_str(), b.c_str()) < 0; }
    };
    enum class Kind { File, Folder, SymbolicLink, Junction };
    struct Entry
    {
        ULONGLONG node = 0;
        std::wstring name;
        std::wstring shortName;
    };
    struct Node
    {
        Kind kind = Kind::File;
        DWORD attributes = FILE_ATTRIBUTE_ARCHIVE;
        std::wstring target;      // links: the path they lead to
        std::wstring substitute;  // symbolic links: what they hold, where not "\??\" and the target
        bool relative = false;
        bool directory = false;   // a symbolic link to a folder
        DWORD volume = 1;
        ULONGLONG size = 0;
        ULONGLONG written = 0;
        // The user may not write its attributes (a hard link carries its
        // source's security), nor remove a name of it (held as an image).
        bool attributesProtected = false;
        DWORD deleteError = 0;
        // Names that differ only in letter case are other entries.
        bool caseSensitive = false;
        std::map<std::wstring, Entry> entries;
    };
    struct Found
    {
        DWORD error = 0;
        ULONGLONG folder = 0;
        std::wstring name;
        ULONGLONG node = 0;  // 0: nothing at the name
        std::wstring path;   // as the system would name it
    };

    std::map<ULONGLONG, Node> nodes;
    std::map<wchar_t, ULONGLONG> drives;
    std::map<std::wstring, DWORD, NoCase> hardLinkErrors;  // by source, every call
    std::vector<DWORD> symbolicLinkErrors;                 // taken one per call
    std::map<std::wstring, DWORD, NoCase> idErrors;        // paths whose identity cannot be read
    std::map<std::wstring, DWORD, NoCase> finalPathErrors;
    std::map<std::wstring, DWORD, NoCase> renameErrors;    // by new name, once
    std::map<std::wstring, DWORD, NoCase> openErrors;      // entry names that do not open
    std::map<std::wstring, DWORD, NoCase> createFolderErrors;  // by name, every call
    std::map<std::wstring, DWORD, NoCase> moveErrors;          // by the folder moved into, every call
    bool symbolicLinksAvailable = true;
    bool symbolicLinksMakeNothing = false;  // reported and not made (Wine 8)
    bool listingAvailable = false;          // folders list all entries at once
    bool refusesReplacingOpenFile = false;  // Wine's rename
    std::set<wchar_t> drivesWithoutIds;     // a redirector that reports id 0 for every file
    std::set<wchar_t> networkDrives;        // mapped to a share
    DWORD junctionDataError = 0;            // setting a junction's data fails (Wine: 50)
    DWORD maxLinks = 1024;                  // NTFS's names per file
    std::function<void(const std::wstring&)> onCall;
    std::vector<std::wstring> calls;

    CFakeFileSystem() { drives[L'C'] = NewNode(Kind::Folder, 1); }

    // Builds the tree: missing folders on the way are made.
    ULONGLONG Add(const std::wstring& path, Kind kind = Kind::File, const std::wstring& target = L"")
    {
        Found at = Resolve(path, false, true);
        const ULONGLONG node = NewNode(kind, nodes[at.folder].volume);
        nodes[node].target = target;
        nodes[at.folder].entries[at.name] = Entry{node, at.name, L""};
        return node;
    }
    void AddHardLink(const std::wstring& path, const std::wstring& existing)
    {
        Found at = Resolve(path, false, true);
        nodes[at.folder].entries[at.name] = Entry{Resolve(existing, false).node, at.name, L""};
    }
    void SetShortName(const std::wstring& path, const std::wstring& shortName)
    {
        Found at = Resolve(path, false);
        nodes[at.folder].entries[at.name].shortName = shortName;
    }
    void MapDrive(wchar_t letter, const std::wstring& folder) { drives[letter] = Resolve(folder, true).node; }
    // Moves an entry, as another program would.
    void Move(const std::wstring& from, const std::wstring& to)
    {
        Found a = Resolve(from, false);
        Found b = Resolve(to, false, true);
        Entry entry = nodes[a.folder].entries[a.name];
        nodes[a.folder].entries.erase(a.name);
        entry.name = b.name;
        nodes[b.folder].entries[b.name] = entry;
    }

    // What is there, for the checks.
    ULONGLONG NodeAt(const std::wstring& path, bool follow = false) { return Resolve(path, follow).node; }
    int Links(ULONGLONG node) const
    {
        int n = 0;
        for (const auto& other : nodes)
            for (const auto& entry : other.second.entries)
                n += entry.second.node == node ? 1 : 0;
        return n;
    }
    // Names in a folder, in order.
    std::vector<std::wstring> Names(const std::wstring& folder)
    {
        std::vector<std::wstring> names;
        for (const auto& entry : nodes[Resolve(folder, true).node].entries)
            names.push_back(entry.second.name);
        return names;
    }

    bool CanCreateSymbolicLink() const override { return symbolicLinksAvailable; }
    DWORD OpenFolder(const CString& path, std::unique_ptr<ILinkFolder>& folder) override;
    // "C:\\S\\a.txt::$DATA" opens the file's data, as Windows does; it has no
    // stored name of its own.
    static std::wstring WithoutStream(const std::wstring& path)
    {
        const size_t colon = path.find(L':', 2);
        return colon == std::wstring::npos ? path : path.substr(0, colon);
    }
    DWORD GetStoredName(const CString& path, CString& name) override
    {
        const auto lock = Log(L"name " + std::wstring(path));
        if (WithoutStream(path.GetString()) != path.GetString())
            return ERROR_INVALID_NAME;
        Found at = Resolve(path.GetString(), false);
        if (at.node == 0)
            return at.error;
        name = at.name.c_str();
        return 0;
    }
    DWORD GetFileInfo(const CString& path, Follow follow, LinkFileInfo& info) override
    {
        const auto lock = Log((follow == Follow::Yes ? L"lead " : L"id ") + std::wstring(path));
        auto error = idErrors.find(path.GetString());
        if (error != idErrors.end())
            return error->second;
        Found at = Resolve(WithoutStream(path.GetString()), follow == Follow::Yes);
        if (at.node == 0)
            return at.error;
        info = InfoOf(at.node, WithoutIds(path.GetString()));
        return 0;
    }
    bool IsOnNetwork(const CString& path) override
    {
        return path.Left(2) == L"\\\\" || (path.GetLength() > 1 && networkDrives.count(static_cast<wchar_t>(towupper(path[0]))) != 0);
    }
    DWORD GetFinalPath(const CString& path, CString& final) override
    {
        const auto lock = Log(L"final " + std::wstring(path));
        auto error = finalPathErrors.find(path.GetString());
        if (error != finalPathErrors.end())
            return error->second;
        Found at = Resolve(path.GetString(), true);
        if (at.node == 0)
            return at.error;
        final = at.path.c_str();
        return 0;
    }

    Found Resolve(std::wstring path, bool followLast, bool make = false, int depth = 0)
    {
        Found found;
        const wchar_t letter = static_cast<wchar_t>(towupper(path.empty() ? 0 : path[0]));
        if (path.size() < 2 || path[1] != L':' || drives.count(letter) == 0 || depth > 8)
        {
            found.error = ERROR_PATH_NOT_FOUND;
            return found;
        }
        std::vector<std::wstring> parts;
        for (size_t start = 2, end; start < path.size(); start = end + 1)
        {
            end = path.find(L'\\', start);
            end = end == std::wstring::npos ? path.size() : end;
            if (end > start)
                parts.push_back(path.substr(start, end - start));
        }
        ULONGLONG current = drives[letter];
        found.path = std::wstring(1, letter) + L":";
        found.node = current;
        for (size_t k = 0; k < parts.size(); ++k)
        {
            const bool last = k + 1 == parts.size();
            if (nodes[current].kind != Kind::Folder)
                return Fail(found, ERROR_PATH_NOT_FOUND);
            Entry* entry = Find(current, parts[k]);
            if (entry == nullptr && make)
            {
                if (last)
                    return Found{0, current, parts[k], 0, found.path + L"\\" + parts[k]};
                nodes[current].entries[parts[k]] = Entry{NewNode(Kind::Folder, nodes[current].volume), parts[k], L""};
                entry = Find(current, parts[k]);
            }
            if (entry == nullptr)
                return last ? Found{ERROR_FILE_NOT_FOUND, current, parts[k], 0, L""} : Fail(found, ERROR_PATH_NOT_FOUND);
            const Node& node = nodes[entry->node];
            if ((node.kind == Kind::SymbolicLink || node.kind == Kind::Junction) && (!last || followLast))
            {
                // A relative link leads on from the folder it is in.
                std::wstring rest = node.relative ? found.path + L"\\" + node.target : node.target;
                for (size_t r = k + 1; r < parts.size(); ++r)
                    rest += L"\\" + parts[r];
                if (node.relative)
                    rest = Collapse(rest);
                return Resolve(rest, followLast, make, depth + 1);
            }
            found.folder = current;
            found.name = entry->name;
            found.node = entry->node;
            found.path += L"\\" + entry->name;
            current = entry->node;
        }
        return found;
    }

    // "C:\\a\\..\\b" as "C:\\b"; never above the drive.
    static std::wstring Collapse(const std::wstring& path)
    {
        std::vector<std::wstring> kept;
        for (size_t start = 3, end; start <= path.size(); start = end + 1)
        {
            end = path.find(L'\\', start);
            end = end == std::wstring::npos ? path.size() : end;
            const std::wstring part = path.substr(start, end - start);
            if (part == L"..")
            {
                if (!kept.empty())
                    kept.pop_back();
            }
            else if (!part.empty() && part != L".")
                kept.push_back(part);
        }
        std::wstring collapsed = path.substr(0, 2);
        for (const std::wstring& part : kept)
            collapsed += L"\\" + part;
        return collapsed;
    }

    Entry* Find(ULONGLONG folder, const std::wstring& name)
    {
        auto& entries = nodes[folder].entries;
        auto it = entries.find(name);
        if (it != entries.end())
            return &it->second;
        for (auto& entry : entries)
            if ((!nodes[folder].caseSensitive && _wcsicmp(entry.second.name.c_str(), name.c_str()) == 0) ||
                (!entry.second.shortName.empty() && _wcsicmp(entry.second.shortName.c_str(), name.c_str()) == 0))
                return &entry.second;
        return nullptr;
    }

    LinkFileId IdOf(ULONGLONG node, bool wide = true, bool noIds = false)
    {
        LinkFileId id;
        id.nVolume = wide ? nodes[node].volume : 0;
        id.nLow = noIds ? 0 : node;
        id.bWide = wide;
        return id;
    }
    bool WithoutIds(const std::wstring& path) const
    {
        return !path.empty() && drivesWithoutIds.count(static_cast<wchar_t>(towupper(path[0]))) != 0;
    }
    LinkFileInfo InfoOf(ULONGLONG node, bool noIds = false)
    {
        LinkFileInfo info;
        info.id = IdOf(node, true, noIds);
        info.nLinks = static_cast<DWORD>(Links(node));
        info.nSize = nodes[node].size;
        info.nWriteTime = nodes[node].written;
        const Kind kind = nodes[node].kind;
        info.dwAttributes = kind == Kind::Folder ? FILE_ATTRIBUTE_DIRECTORY
                            : kind == Kind::Junction
                                ? FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT
                                : nodes[node].attributes | (kind == Kind::SymbolicLink ? FILE_ATTRIBUTE_REPARSE_POINT : 0) |
                                      (nodes[node].directory ? FILE_ATTRIBUTE_DIRECTORY : 0);
        return info;
    }

    // Every call holds the lock from here: workers call at the same time.
    std::unique_lock<std::recursive_mutex> Log(const std::wstring& call)
    {
        std::unique_lock<std::recursive_mutex> lock(m_mutex);
        if (onCall)
            onCall(call);
        std::wstring logged = call;
        // Temporary names are random: the log numbers them as they come.
        for (size_t pos; (pos = logged.find(L"~Quillon-")) != std::wstring::npos;)
        {
            const std::wstring temp = logged.substr(pos, 29);
            auto it = m_temps.emplace(temp, m_temps.size() + 1).first;
            logged.replace(pos, temp.size(), L"~tmp" + std::to_wstring(it->second));
        }
        calls.push_back(logged);
        return lock;
    }
    std::unique_lock<std::recursive_mutex> Lock() { return std::unique_lock<std::recursive_mutex>(m_mutex); }

    std::map<ULONGLONG, int> openEntries;

    ULONGLONG NewNode(Kind kind, DWORD volume)
    {
        Node node;
        node.kind = kind;
        node.volume = volume;
        nodes[m_nextNode] = node;
        return m_nextNode++;
    }

private:
    static Found Fail(Found found, DWORD error)
    {
        found.error = error;
        found.node = 0;
        return found;
    }

    ULONGLONG m_nextNode = 100;
    std::recursive_mutex m_mutex;
    std::map<std::wstring, size_t> m_temps;
};

// An entry handle: the folder it is in and its name there, and the node.
class CFakeEntry : public ILinkEntry
{
public:
    CFakeEntry(CFakeFileSystem& fs, ULONGLONG folder, const std::wstring& folderPath, const std::wstring& name,
               ULONGLONG node, EntryAccess access, bool noIds)
        : m_fs(fs), m_folder(folder), m_folderPath(folderPath), m_name(name), m_node(node), m_access(access),
          m_noIds(noIds)
    {
        ++m_fs.openEntries[m_node];
    }
    ~CFakeEntry() override { Close(); }

    DWORD Query(LinkFileInfo& info) override
    {
        const auto lock = m_fs.Log(L"query " + m_folderPath + m_name);
        if (!IsThere())
            return ERROR_FILE_NOT_FOUND;
        info = m_fs.InfoOf(m_node, m_noIds);
        return 0;
    }
    DWORD SetAttributes(DWORD attributes) override
    {
        const auto lock = m_fs.Log(L"set " + m_folderPath + m_name + L" " + std::to_wstring(attributes));
        if (!IsThere())
            return ERROR_FILE_NOT_FOUND;
        if (m_access != EntryAccess::ChangeAttributes)
            return ERROR_ACCESS_DENIED;
        m_fs.nodes[m_node].attributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
        return 0;
    }
    DWORD Rename(const CString& name, ReplaceExisting replaceExisting) override
    {
        const bool replace = replaceExisting == ReplaceExisting::Yes;
        const auto lock = m_fs.Log(L"rename " + m_folderPath + m_name + L" -> " + name.GetString() + (replace ? L" replace" : L""));
        auto error = m_fs.renameErrors.find(name.GetString());
        if (error != m_fs.renameErrors.end())
        {
            const DWORD e = error->second;
            m_fs.renameErrors.erase(error);
            return e;
        }
        if (!IsThere() || m_access == EntryAccess::Read)
            return !IsThere() ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED;
        auto& entries = m_fs.nodes[m_folder].entries;
        CFakeFileSystem::Entry* there = m_fs.Find(m_folder, name.GetString());
        if (there != nullptr && there->node != m_node)
        {
            if (!replace)
                return ERROR_ALREADY_EXISTS;
            if ((m_fs.nodes[there->node].attributes & FILE_ATTRIBUTE_READONLY) ||
                (m_fs.refusesReplacingOpenFile && m_fs.openEntries[there->node] > 0))
                return ERROR_ACCESS_DENIED;
            entries.erase(there->name);
        }
        CFakeFileSystem::Entry entry = entries[m_name];
        entries.erase(m_name);
        entry.name = name.GetString();
        entry.shortName.clear();
        entries[entry.name] = entry;
        m_name = entry.name;
        return 0;
    }
    DWORD MoveTo(ILinkFolder& folder, const CString& name) override;
    DWORD ReadLink(LinkTargetPath& target) override
    {
        const auto lock = m_fs.Log(L"target " + m_folderPath + m_name);
        if (!IsThere())
            return ERROR_FILE_NOT_FOUND;
        const CFakeFileSystem::Node& node = m_fs.nodes[m_node];
        if (node.kind == CFakeFileSystem::Kind::Junction)
        {
            target.strSubstitute = (L"\\??\\" + node.target).c_str();
            target.bJunction = true;
            return 0;
        }
        if (node.kind != CFakeFileSystem::Kind::SymbolicLink)
            return ERROR_NOT_A_REPARSE_POINT;
        std::wstring held = node.substitute;
        if (held.empty())
            held = node.relative ? node.target
                                 : L"\\??\\" + (node.target.rfind(L"\\\\?\\", 0) == 0 ? node.target.substr(4) : node.target);
        target.strSubstitute = held.c_str();
        target.bRelative = node.relative;
        return 0;
    }
    DWORD Delete() override
    {
        const auto lock = m_fs.Log(L"delete " + m_folderPath + m_name);
        if (!IsThere() || m_access == EntryAccess::Read)
            return !IsThere() ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED;
        if (m_fs.nodes[m_node].deleteError != 0)
            return m_fs.nodes[m_node].deleteError;
        m_fs.nodes[m_folder].entries.erase(m_name);
        Close();
        return 0;
    }

private:
    friend class CFakeFolder;
    bool IsThere()
    {
        CFakeFileSystem::Entry* entry = m_fs.Find(m_folder, m_name);
        return m_node != 0 && entry != nullptr && entry->node == m_node;
    }
    void Close()
    {
        const auto lock = m_fs.Lock();
        if (m_node != 0)
            --m_fs.openEntries[m_node];
        m_node = 0;
    }

    CFakeFileSystem& m_fs;
    ULONGLONG m_folder;
    std::wstring m_folderPath;
    std::wstring m_name;
    ULONGLONG m_node;
    EntryAccess m_access;
    bool m_noIds;
};

// A held folder: its node, whatever becomes of the path that led to it.
class CFakeFolder : public ILinkFolder
{
public:
    CFakeFolder(CFakeFileSystem& fs, ULONGLONG node, const std::wstring& path, const std::wstring& listed,
                bool identified)
        : m_fs(fs), m_node(node), m_path(path + L"\\"), m_listed(listed), m_identified(identified),
          m_noIds(fs.WithoutIds(listed))
    {
    }
    bool GetId(LinkFileId& id) const override
    {
        id = m_fs.IdOf(m_node, true, m_noIds);
        return m_identified;
    }
    // By the folder's path as listed, wherever that leads now.
    bool MayHold(const CString& name) override
    {
        const auto lock = m_fs.Log(L"path " + m_listed + name.GetString());
        const CFakeFileSystem::Found at = m_fs.Resolve(m_listed + name.GetString(), false);
        return at.node != 0 || at.error != ERROR_FILE_NOT_FOUND;
    }
    DWORD GetFinalPath(CString& path) override
    {
        path = m_path.c_str();
        return 0;
    }
    // The entry at the name, as a call logged as verb finds it; null with
    // the error otherwise.
    CFakeFileSystem::Entry* Look(const wchar_t* verb, const CString& name, DWORD& error)
    {
        const auto lock = m_fs.Log(verb + m_path + name.GetString());
        auto planted = m_fs.openErrors.find(name.GetString());
        CFakeFileSystem::Entry* entry = planted != m_fs.openErrors.end() ? nullptr : m_fs.Find(m_node, name.GetString());
        error = planted != m_fs.openErrors.end() ? planted->second : entry == nullptr ? ERROR_FILE_NOT_FOUND : 0;
        return entry;
    }
    DWORD FindEntry(const CString& name, LinkEntryInfo& info) override
    {
        DWORD error = 0;
        CFakeFileSystem::Entry* entry = Look(L"find ", name, error);
        if (entry == nullptr)
            return error;
        info.strName = entry->name.c_str();
        const LinkFileInfo file = m_fs.InfoOf(entry->node, m_noIds);
        info.id = file.id;
        info.nLinks = file.nLinks;
        info.dwAttributes = file.dwAttributes;
        info.nSize = file.nSize;
        info.nWriteTime = file.nWriteTime;
        return 0;
    }
    DWORD ListEntries(std::vector<LinkEntryInfo>& entries) override
    {
        // Without it, a folder is looked at name by name (and the calls
        // logged show that).
        if (!m_fs.listingAvailable)
            return ERROR_INVALID_FUNCTION;
        const auto lock = m_fs.Log(L"list " + m_path);
        for (const auto& named : m_fs.nodes[m_node].entries)
        {
            LinkEntryInfo info;
            info.strName = named.second.name.c_str();
            info.strShortName = named.second.shortName.c_str();
            info.id = m_fs.IdOf(named.second.node, false, m_noIds);
            const LinkFileInfo file = m_fs.InfoOf(named.second.node);
            info.dwAttributes = file.dwAttributes;
            info.nSize = file.nSize;
            info.nWriteTime = file.nWriteTime;
            entries.push_back(info);
        }
        return 0;
    }
    DWORD OpenEntry(const CString& name, EntryAccess access, std::unique_ptr<ILinkEntry>& out) override
    {
        DWORD error = 0;
        CFakeFileSystem::Entry* entry = Look(L"open ", name, error);
        if (entry == nullptr)
            return error;
        if (m_fs.nodes[entry->node].kind == CFakeFileSystem::Kind::Folder)
            return ERROR_ACCESS_DENIED;
        if (access == EntryAccess::ChangeAttributes && m_fs.nodes[entry->node].attributesProtected)
            return ERROR_ACCESS_DENIED;
        out.reset(new CFakeEntry(m_fs, m_node, m_path, entry->name, entry->node, access, m_noIds));
        return 0;
    }
    DWORD CreateHardLink(const CString& name, const CString& source) override
    {
        const auto lock = m_fs.Log(L"hardlink " + m_path + name.GetString() + L" <- " + source.GetString());
        auto error = m_fs.hardLinkErrors.find(source.GetString());
        if (error != m_fs.hardLinkErrors.end())
            return error->second;
        CFakeFileSystem::Found at = m_fs.Resolve(source.GetString(), false);
        if (at.node == 0)
            return at.error;
        if (m_fs.nodes[at.node].kind == CFakeFileSystem::Kind::Folder)
            return ERROR_ACCESS_DENIED;
        if (m_fs.nodes[at.node].volume != m_fs.nodes[m_node].volume)
            return ERROR_NOT_SAME_DEVICE;
        if (static_cast<DWORD>(m_fs.Links(at.node)) >= m_fs.maxLinks)
            return ERROR_TOO_MANY_LINKS;
        return Put(name, at.node);
    }
    DWORD CreateSymbolicLink(const CString& name, const CString& source, DWORD flags) override
    {
        const auto lock = m_fs.Log(L"symlink " + m_path + name.GetString() + L" <- " + source.GetString() + L" " +
                 std::to_wstring(flags));
        if (!m_fs.symbolicLinkErrors.empty())
        {
            const DWORD e = m_fs.symbolicLinkErrors.front();
            m_fs.symbolicLinkErrors.erase(m_fs.symbolicLinkErrors.begin());
            if (e != 0)
                return e;
        }
        if (m_fs.Find(m_node, name.GetString()) != nullptr)
            return ERROR_ALREADY_EXISTS;
        if (m_fs.symbolicLinksMakeNothing)
            return 0;
        const ULONGLONG node = m_fs.NewNode(CFakeFileSystem::Kind::SymbolicLink, m_fs.nodes[m_node].volume);
        m_fs.nodes[node].target = source.GetString();
        m_fs.nodes[node].relative = source.GetLength() < 2 || (source[1] != L':' && source[0] != L'\\');
        m_fs.nodes[node].directory = (flags & 1) != 0;  // SYMBOLIC_LINK_FLAG_DIRECTORY
        return Put(name, node);
    }
    DWORD CreateJunction(const CString& name, const CString& folder) override
    {
        const auto lock = m_fs.Log(L"junction " + m_path + name.GetString() + L" <- " + folder.GetString());
        if (m_fs.Find(m_node, name.GetString()) != nullptr)
            return ERROR_ALREADY_EXISTS;
        // Made as the system makes it: an empty folder, then its data.
        if (m_fs.junctionDataError != 0)
            return m_fs.junctionDataError;
        const ULONGLONG node = m_fs.NewNode(CFakeFileSystem::Kind::Junction, m_fs.nodes[m_node].volume);
        m_fs.nodes[node].target = folder.GetString();
        return Put(name, node);
    }

    DWORD CreateFolder(const CString& name, std::unique_ptr<ILinkFolder>& out) override
    {
        const auto lock = m_fs.Log(L"mkdir " + m_path + name.GetString());
        auto error = m_fs.createFolderErrors.find(name.GetString());
        if (error != m_fs.createFolderErrors.end())
            return error->second;
        if (m_fs.Find(m_node, name.GetString()) != nullptr)
            return ERROR_ALREADY_EXISTS;
        const ULONGLONG node = m_fs.NewNode(CFakeFileSystem::Kind::Folder, m_fs.nodes[m_node].volume);
        m_fs.nodes[node].attributes = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN;
        m_fs.nodes[m_node].entries[name.GetString()] = CFakeFileSystem::Entry{node, name.GetString(), L""};
        out.reset(new CFakeFolder(m_fs, node, m_path + name.GetString(), m_listed + name.GetString() + L"\\",
                                  m_identified));
        return 0;
    }
    DWORD OpenFolder(const CString& name, std::unique_ptr<ILinkFolder>& out) override
    {
        DWORD error = 0;
        CFakeFileSystem::Entry* entry = Look(L"open-sub ", name, error);
        if (entry == nullptr)
            return error;
        if (m_fs.nodes[entry->node].kind != CFakeFileSystem::Kind::Folder)
            return ERROR_DIRECTORY;
        out.reset(new CFakeFolder(m_fs, entry->node, m_path + entry->name, m_listed + entry->name + L"\\", m_identified));
        return 0;
    }
    DWORD RemoveEmpty() override
    {
        const auto lock = m_fs.Log(L"rmdir " + m_path);
        if (!m_fs.nodes[m_node].entries.empty())
            return ERROR_DIR_NOT_EMPTY;
        for (auto& other : m_fs.nodes)
            for (auto it = other.second.entries.begin(); it != other.second.entries.end(); ++it)
                if (it->second.node == m_node)
                {
                    other.second.entries.erase(it);
                    return 0;
                }
        return ERROR_FILE_NOT_FOUND;
    }
    ULONGLONG GetNode() const { return m_node; }
    const std::wstring& GetPath() const { return m_path; }

private:
    DWORD Put(const CString& name, ULONGLONG node)
    {
        if (m_fs.Find(m_node, name.GetString()) != nullptr)
            return ERROR_ALREADY_EXISTS;
        m_fs.nodes[m_node].entries[name.GetString()] = CFakeFileSystem::Entry{node, name.GetString(), L""};
        return 0;
    }

    CFakeFileSystem& m_fs;
    ULONGLONG m_node;
    std::wstring m_path;
    std::wstring m_listed;
    bool m_identified;
    bool m_noIds;
};

inline DWORD CFakeEntry::MoveTo(ILinkFolder& folder, const CString& name)
{
    auto* pTo = dynamic_cast<CFakeFolder*>(&folder.GetHolder());
    const auto lock = m_fs.Log(L"move " + m_folderPath + m_name + L" -> " + (pTo != nullptr ? pTo->GetPath() : L"?") +
                               name.GetString());
    auto error = m_fs.renameErrors.find(name.GetString());
    if (error != m_fs.renameErrors.end())
    {
        const DWORD e = error->second;
        m_fs.renameErrors.erase(error);
        return e;
    }
    if (pTo == nullptr)
        return ERROR_INVALID_PARAMETER;
    auto into = m_fs.moveErrors.find(pTo->GetPath());
    if (into != m_fs.moveErrors.end())
        return into->second;
    if (!IsThere() || m_access == EntryAccess::Read)
        return !IsThere() ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED;
    if (m_fs.nodes[pTo->GetNode()].volume != m_fs.nodes[m_folder].volume)
        return ERROR_NOT_SAME_DEVICE;
    if (m_fs.Find(pTo->GetNode(), name.GetString()) != nullptr)
        return ERROR_ALREADY_EXISTS;
    CFakeFileSystem::Entry entry = m_fs.nodes[m_folder].entries[m_name];
    m_fs.nodes[m_folder].entries.erase(m_name);
    entry.name = name.GetString();
    entry.shortName.clear();
    m_fs.nodes[pTo->GetNode()].entries[entry.name] = entry;
    m_folder = pTo->GetNode();
    m_folderPath = pTo->GetPath();
    m_name = entry.name;
    return 0;
}

inline DWORD CFakeFileSystem::OpenFolder(const CString& path, std::unique_ptr<ILinkFolder>& folder)
{
    const auto lock = Log(L"open-folder " + std::wstring(path));
    Found at = Resolve(path.GetString(), true);
    if (at.node == 0)
        return ERROR_PATH_NOT_FOUND;
    if (nodes[at.node].kind != Kind::Folder)
        return ERROR_DIRECTORY;
    folder.reset(new CFakeFolder(*this, at.node, at.path, path.GetString(), idErrors.count(path.GetString()) == 0 && !WithoutIds(path.GetString())));
    return 0;
}

// Every entry with its file and the file's attributes: what a pair that
// failed, or an undo, must leave as it was.
inline std::wstring Dump(CFakeFileSystem& fs)
{
    std::wstring dump;
    for (const auto& node : fs.nodes)
        for (const auto& entry : node.second.entries)
            dump += std::to_wstring(node.first) + L"\\" + entry.second.name + L"=" + std::to_wstring(entry.second.node) +
                    L":" + std::to_wstring(fs.nodes[entry.second.node].attributes) + L" ";
    return dump;
}

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

inline LinkRunOptions Options(LinkKind kind, bool remove = true)
{
    LinkRunOptions options;
    options.kind = kind;
    options.bRemoveExisting = remove;
    return options;
}

// The line the run writes for a link tried with this result.
inline std::wstring LinkLine(const wchar_t* kind, const std::wstring& target, DWORD error)
{
    const std::wstring word = kind;
    return FormatLinkLine(word == L"SymbolicLink" ? LinkKind::Symbolic
                          : word == L"Junction"   ? LinkKind::Junction
                                                  : LinkKind::Hard,
                          error, target.c_str())
        .GetString();
}

#pragma once

#include "framework/String.h"
#include "links/LinkFileSystem.h"
#include "links/LinkTypes.h"

#include <atomic>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

// Whether an entry is one of the run's sources.
enum class SourceAnswer
{
    No,
    Yes,
    // It cannot be told: the entry must be left alone.
    CannotTell
};

struct SourceCheck
{
    SourceAnswer answer = SourceAnswer::No;
    // Why it cannot be told.
    DWORD dwError = 0;
};

// Whether a target already is the source's own file.
enum class SourceMatch
{
    No,
    // The same file id on what may be another volume (Wine makes volume
    // serials up per drive letter).
    Maybe,
    Yes
};

// What a run knows of its sources: their paths as listed, the names their
// links carry (as the file system stores them), and which entries they are.
// A source is its own entry and, where that is a link, the entry it leads
// to; neither is ever replaced. All of it is read once by Identify, on the
// run's first thread before any pair, and is read-only afterwards, so that
// workers on other folders ask at the same time without a lock.
class CLinkSources
{
public:
    explicit CLinkSources(const ILinkPathList& files);
    ~CLinkSources();
    CLinkSources(const CLinkSources&) = delete;
    CLinkSources& operator=(const CLinkSources&) = delete;

    void Identify(ILinkFileSystem& fs);

    int GetCount() const { return m_nCount; }
    // A folder is listed with a trailing backslash ("C:\\Quelle\\Daten\\");
    // its path here has none.
    const CString& GetPath(int nFile) const;
    // The path as listed.
    CString GetListedPath(int nFile) const;
    bool IsFolder(int nFile) const;
    // A folder source on a share, where no junction leads.
    bool IsOnNetwork(int nFile) const;
    // Whether a folder of this listed and final path is a folder source of
    // the pair's, lies inside it or is reached through it.
    bool ContainsFolder(int nFile, const CString& strListed, const CString& strFinal) const;
    // The name a link to the source carries: the stored name (a short name
    // spelled out), or the listed one where it cannot be had. Names that
    // fold alike share a class number.
    const CString& GetName(int nFile) const;
    int GetNameClass(int nFile) const;
    // What an absolute symbolic link to the source holds ("\??\C:\...").
    const CString& GetNtPath(int nFile) const;

    // Whether the entry with this stored name and file id in a folder of
    // this identity (null: unknown) is one of the sources, as itself or as
    // what a source leads to.
    SourceCheck FindSourceAt(const LinkFileId* pFolder, const CString& strName, const LinkFileId& entry) const;
    SourceMatch MatchEntryFile(int nFile, const LinkFileId& file) const;
    // The source's own entry, or why it could not be read (not found for a
    // source that is not there).
    DWORD GetEntryInfo(int nFile, LinkFileInfo& info) const;

    // The names the source's file has: those it had when the run began and
    // those this run has taken for it since (atomic).
    DWORD GetLinkCount(int nFile) const;
    void TakeLink(int nFile);
    void GiveBackLink(int nFile);

private:
    struct Source;
    // Where a source's entry, or the entry it leads to, lies.
    struct Place
    {
        int nFile = 0;
        bool bNameKnown = false;
        std::wstring strFoldedName;
        LinkFileId id;
        // Why the folder (or the name) could not be told.
        DWORD dwError = 0;
        LinkFileId folder;
    };

    LinkFileId GetFolderId(ILinkFileSystem& fs, const CString& strFolder, DWORD& dwError);
    void AddPlace(const Place& place);

    const int m_nCount;
    std::unique_ptr<Source[]> m_sources;
    // Written by Identify, read-only after: places by folded name, places
    // whose name is not known, and sources that may exist but could not be
    // identified (by folded name).
    std::vector<Place> m_places;
    std::unordered_multimap<std::wstring, size_t> m_placesByName;
    std::vector<size_t> m_namelessPlaces;
    std::unordered_multimap<std::wstring, int> m_unknownByName;
    std::unordered_map<std::wstring, std::pair<DWORD, LinkFileId>> m_folderIds;
};

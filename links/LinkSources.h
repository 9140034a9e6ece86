#pragma once

#include "framework/String.h"
#include "links/LinkFileSystem.h"
#include "links/LinkTypes.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// What a run knows of its sources, shared by all who work on it: their
// paths as listed, the names their links carry (as the file system stores
// them), and, once the first pair needs them, which entries they are. A
// source is its own entry and, where that is a link, the entry it leads
// to; neither is ever replaced. What is looked up on demand is guarded, so
// that workers on other folders can ask at the same time.
class CLinkSources
{
public:
    explicit CLinkSources(const ILinkPathList& files);
    ~CLinkSources();
    CLinkSources(const CLinkSources&) = delete;
    CLinkSources& operator=(const CLinkSources&) = delete;

    int GetCount() const { return m_nCount; }
    const CString& GetPath(int nFile) const;

    // The name a link to the source carries, looked up once: the stored
    // name (a short name spelled out), or the listed one where it cannot be
    // had. Names that fold alike share a class number.
    const CString& GetName(ILinkFileSystem& fs, int nFile);
    int GetNameClass(ILinkFileSystem& fs, int nFile);
    // The name once looked up (for the report of a pair that is done).
    const CString& GetKnownName(int nFile) const;

    // Whether the entry with this stored name and file index in a folder of
    // this identity is one of the sources, as itself or as what a source
    // leads to. An error code when that cannot be told: then it must be
    // left alone.
    DWORD FindSourceAt(ILinkFileSystem& fs, const LinkFileId* pFolder, const CString& strName, ULONGLONG nFileIndex,
                       bool& bIsSource);
    // Whether the source's own entry is the file with this index on this
    // volume (a hard link to it is already there): Yes, No, or Maybe where
    // the index matches and the volume serials disagree (Wine makes them up
    // per drive letter).
    enum class Match
    {
        No,
        Maybe,
        Yes
    };
    Match MatchEntryFile(ILinkFileSystem& fs, int nFile, const LinkFileId& file);
    // The source's own entry, or why it could not be read (not found for a
    // source that is not there).
    DWORD GetEntryInfo(ILinkFileSystem& fs, int nFile, LinkFileInfo& info);

private:
    struct Source;
    struct Place
    {
        DWORD dwError = 0;
        ULONGLONG nFolderIndex = 0;
        std::wstring strFoldedName;
    };

    void Identify(ILinkFileSystem& fs);
    Place GetOwnPlace(ILinkFileSystem& fs, int nFile);
    Place GetLeadPlace(ILinkFileSystem& fs, int nFile);
    ULONGLONG GetFolderIndex(ILinkFileSystem& fs, const CString& strFolder, DWORD& dwError);

    const int m_nCount;
    std::unique_ptr<Source[]> m_sources;
    // Looking up a name, and identifying the sources, happen once, under
    // these mutexes (not std::call_once: with winpthreads a call that throws
    // leaves the others waiting for ever); the atomics say they have.
    std::mutex m_naming;
    std::mutex m_identifying;
    std::atomic<bool> m_bIdentified;
    // Written once under m_identifying, read-only after: source numbers by
    // the index of their own entry and of the entry they lead to; sources
    // that may exist but could not be identified.
    std::unordered_multimap<ULONGLONG, int> m_byIndex;
    std::vector<int> m_unknown;
    // Guards the name classes and what follows: places and folder indices
    // looked up on demand, by folded path.
    std::mutex m_lookups;
    std::unordered_map<std::wstring, int> m_nameClasses;
    std::unordered_map<std::wstring, std::pair<DWORD, ULONGLONG>> m_folderIndices;
};

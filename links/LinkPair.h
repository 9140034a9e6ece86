#pragma once

#include "framework/String.h"
#include "links/LinkFileSystem.h"
#include "links/LinkSources.h"
#include "links/LinkTypes.h"
#include "files/TempName.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// One worker's pairs: the folders it is given, one after the other, and
// what it has made in them. A pair is one small transaction: the old target
// gives way only to a replacement that already exists in the folder (made
// under a temporary name, then renamed over it), nothing that is a source
// or was made earlier in the run is replaced, and when anything fails the
// folder is as it was. Attributes are only ever changed on the old target
// entry itself, and put back where that file lives on under another name.
class CLinkPairMaker
{
public:
    CLinkPairMaker(CLinkSources& sources, LinkKind kind, const LinkRunOptions& options, ILinkFileSystem& fs);

    // The folder the next pairs go into, held open while they run; with a
    // null folder each pair fails with dwOpenError.
    void BeginFolder(int nFolder, const CString& strPath, std::unique_ptr<ILinkFolder> folder, DWORD dwOpenError);
    // Lets the folder go.
    void EndFolder();
    // The pair (current folder, file nFile), done; in a preview, what would
    // be done, with nothing changed.
    LinkPairResult MakePair(int nFile);

    // The key two spellings of one folder share: its identity where the
    // system gives it, else its final path, else "unknown".
    static std::wstring FolderKey(ILinkFolder* pFolder);

private:
    DWORD MakeLink(const CString& strName, const CString& strSource);
    LinkPairResult NewLink(LinkPairResult result, unsigned long long nKey, const CString& strName);
    // Whether the listing shows the name as a hard link of the source, the
    // source itself aside.
    bool IsListedLinkOf(int nFile, const LinkEntryInfo& entry);
    // The failure a link to the source would meet that can be told before
    // it is tried: the source is not there, a hard link would cross
    // volumes or exceed the links one file can have.
    DWORD ForeseeLink(int nFile);
    DWORD MakeTempLink(const CString& strSource, CString& strTemp);
    // The entry is a symbolic link that points where this run would point
    // it: it stays as it is.
    bool IsLinkTo(const CString& strName, const LinkEntryInfo& entry, const CString& strSource);
    DWORD Replace(int nFile, const CString& strName, const LinkEntryInfo& entry, bool bMaybeLinked);
    DWORD ReplaceKeepingOld(ILinkEntry& newEntry, ILinkEntry& oldEntry, const CString& strName,
                            const CString& strTemp, const CString& strAway, bool& bKeepNew);

    CLinkSources& m_sources;
    ILinkFileSystem& m_fs;
    const LinkKind m_kind;
    const bool m_bRemoveExisting;
    const bool m_bPreview;
    int m_nFolder;
    CString m_strFolder;
    std::unique_ptr<ILinkFolder> m_pFolder;
    DWORD m_dwFolderError;
    LinkFileId m_folderId;
    bool m_bFolderIdentified;
    unsigned long long m_nFolderKey;
    // The current folder's entries as listed when it was begun, by folded
    // stored and short name; used only where it can lose nothing: a name
    // not listed gets a new link (which replaces nothing), a name listed as
    // a hard link of its source is left as it is. Everything else is looked
    // up afresh.
    std::vector<LinkEntryInfo> m_listed;
    std::unordered_map<std::wstring, size_t> m_listedNames;
    bool m_bListed;
    // Folder keys seen, each with its number.
    std::unordered_map<std::wstring, unsigned long long> m_folderKeys;
    // Folder number and name class of every target this worker made or
    // found already linked; one folder, under whatever spelling, is always
    // worked on by one worker.
    std::unordered_set<unsigned long long> m_made;
};

#pragma once

#include "framework/String.h"
#include "links/LinkFileSystem.h"
#include "links/LinkSources.h"
#include "links/LinkTypes.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// A file at a target that a decision lets give way: what identifies it and
// what the preview shows of it.
struct LinkOldFile
{
    LinkFileId id;
    DWORD dwAttributes = 0;
    ULONGLONG nSize = 0;
    ULONGLONG nWriteTime = 0;
};

// What is to be done with one pair, and the facts it was decided on.
struct LinkPairDecision
{
    int nFolder = 0;
    int nFile = 0;
    PairAction action = PairAction::NewLink;
    // Fail and LeaveFolder: the code the line gives. NewLink and Replace:
    // the failure a link to the source will meet as far as it can be told
    // beforehand (the source missing, another volume, too many names), or 0.
    DWORD dwError = 0;
    // Replace: the file there when it was decided on, and whether it may be
    // the source's own file after all (the same id on what may be another
    // volume).
    LinkOldFile old;
    bool bMaybeLinked = false;
    // A symbolic link: how it holds the source's path, and, relative, the
    // path it holds.
    LinkPathForm pathForm = LinkPathForm::Absolute;
    CString strLinkPath;
    // The source is a folder: a junction ("Hard") or a directory symbolic
    // link is made.
    bool bFolder = false;
};

// What a decision foretells: the pair's result if it is carried out as
// decided ("Vorschau" shows this).
LinkPairResult ForeseenResult(const LinkPairDecision& decision);

// One worker's decisions: the folders it is given, one after the other,
// what it has decided in them, and what it only reads to decide. Nothing
// here changes the disk.
class CLinkDecider
{
public:
    CLinkDecider(CLinkSources& sources, LinkKind kind, bool bRemoveExisting, bool bRelative = false);

    // The folder the next pairs go into, held open while they run; with a
    // null folder each pair fails with dwOpenError.
    void BeginFolder(int nFolder, const CString& strPath, std::unique_ptr<ILinkFolder> folder, DWORD dwOpenError);
    void EndFolder();
    ILinkFolder* GetFolder() const { return m_pFolder.get(); }

    // Looks at the pair (current folder, file nFile) and says what is to be
    // done; what it takes (the target's name class, a link to the source)
    // counts as taken until Settle gives it back.
    LinkPairDecision Decide(int nFile);
    // What became of a decision: what a pair that failed took is free again.
    void Settle(const LinkPairDecision& decision, const LinkPairResult& result);

    // The key two spellings of one folder share: its identity where the
    // system gives it, else its final path, else "unknown".
    static std::wstring FolderKey(ILinkFolder* pFolder);

private:
    // What is at the name: nothing (ERROR_FILE_NOT_FOUND), the entry, or why
    // it cannot be looked at.
    // Several listed names fold to the name's folding.
    bool IsAmbiguous(const CString& strName) const;
    DWORD LookAt(const CString& strName, LinkEntryInfo& entry);
    DWORD Foresee(int nFile) const;
    // Whether the pair adds a name to the source's file (a hard link).
    bool AddsName(const LinkPairDecision& decision) const;
    // The form and path a symbolic link to the source would have here.
    void DecidePath(LinkPairDecision& decision) const;
    bool PointsAtSource(const CString& strName, const LinkPairDecision& decision);
    unsigned long long MadeKey(int nFile) const;
    void Take(const LinkPairDecision& decision);

    CLinkSources& m_sources;
    const LinkKind m_kind;
    const bool m_bRemoveExisting;
    const bool m_bRelative;
    int m_nFolder;
    CString m_strFolder;
    std::unique_ptr<ILinkFolder> m_pFolder;
    DWORD m_dwFolderError;
    LinkFileId m_folderId;
    bool m_bFolderIdentified;
    unsigned long long m_nFolderKey;
    // The current folder's entries as listed when it was begun, by folded
    // stored and short name (several names folding alike: none of them);
    // what a pair is decided on where the listed stored name is the name
    // exactly. Carrying a decision out looks at the entry afresh.
    std::vector<LinkEntryInfo> m_listed;
    std::unordered_map<std::wstring, size_t> m_listedNames;
    bool m_bListed;
    // Folder keys seen, each with its number.
    std::unordered_map<std::wstring, unsigned long long> m_folderKeys;
    // Folder number and name class of every target this worker made, is
    // making or found already linked; one folder, under whatever spelling,
    // is always worked on by one worker.
    std::unordered_set<unsigned long long> m_made;
};

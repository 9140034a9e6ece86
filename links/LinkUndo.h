#pragma once

#include "links/LinkFileSystem.h"
#include "links/LinkTypes.h"
#include "links/RunRecord.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>

// Undoes one earlier run, folder by folder, from its record and what the
// disk holds: a pair is undone only where the disk shows the run's own
// work. A link is removed only while the name is still that link (the
// source's file, and never its only name; a symbolic link holding the
// source's path); a file found under its name in the run's kept folder goes
// back only where its name is free or holds the run's link. The kept folder
// describes itself, so a replaced file is found also where the record lost
// its last lines. Anything else is left as it is, and the pair says what was
// found.
class CLinkUndoer
{
public:
    explicit CLinkUndoer(const RunRecord& record) : m_record(record) {}

    // nFolder and nFile are the record's.
    void BeginFolder(int nFolder, std::unique_ptr<ILinkFolder> folder, DWORD dwOpenError);
    // UndoStep::None where the pair has nothing to undo.
    LinkPairResult Undo(int nFile);
    void EndFolder();

private:
    // What is at the pair's name.
    enum class AtName
    {
        Nothing,
        RunsLink,
        LastName,
        Other,
        Unknown
    };
    AtName LookAtName(ILinkFolder& folder, const CString& strName, int nFile, std::unique_ptr<ILinkEntry>& entry,
                      DWORD& dwError);
    // A file kept for a pair: where it lies.
    struct KeptFile
    {
        LinkEntryInfo info;
        ILinkFolder* pFolder = nullptr;
        int nPart = 0;
    };
    LinkPairResult PutBack(int nFile, LinkPairResult result, const KeptFile& kept);
    DWORD Relink(const CString& strName, int nFile);
    // The file kept under the name, in the kept folder or one of its parts,
    // from their listings.
    DWORD FindKept(const CString& strName, KeptFile& kept);
    // The kept folder's parts and what they hold.
    void OpenParts(const std::vector<LinkEntryInfo>& entries);

    const RunRecord& m_record;
    int m_nFolder = 0;
    std::unique_ptr<ILinkFolder> m_folder;
    DWORD m_dwFolderError = 0;
    std::unique_ptr<ILinkFolder> m_kept;
    DWORD m_dwKeptError = 0;
    // The folders' names as listed when the folder was begun.
    bool m_bListed = false;
    std::unordered_set<std::wstring> m_listed;
    bool m_bKeptListed = false;
    std::unordered_map<std::wstring, KeptFile> m_kepts;
    std::vector<std::pair<int, std::unique_ptr<ILinkFolder>>> m_parts;
};

#include "links/LinkPair.h"

#include "files/ErrorCode.h"
#include "files/TempName.h"

#include <memory>

namespace {

enum : DWORD
{
    kSymbolicFlags = 2,  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
    kSymbolicDirectory = 1  // SYMBOLIC_LINK_FLAG_DIRECTORY
};

enum : int
{
    kTempNameTries = 4
};

bool IsNotFound(DWORD dwError)
{
    return dwError == ERROR_FILE_NOT_FOUND || dwError == ERROR_PATH_NOT_FOUND;
}

}  // namespace

DWORD CLinkPairMaker::MakeLink(ILinkFolder& folder, const CString& strName, const CString& strSource, bool bFolder)
{
    return bFolder ? MakeFolderLinkIn(folder, m_kind, strName, strSource) : MakeLinkIn(folder, m_kind, strName, strSource);
}

DWORD MakeFolderLinkIn(ILinkFolder& folder, LinkKind kind, const CString& strName, const CString& strSource)
{
    // Made under a name nobody else uses and only then given its own, so
    // that the name never shows half a link (a junction is an empty folder
    // until its data is set).
    CString strTemp;
    DWORD dwError = ERROR_ALREADY_EXISTS;
    for (int nTry = 0; nTry < kTempNameTries && dwError == ERROR_ALREADY_EXISTS; ++nTry)
    {
        strTemp = MakeTempName();
        if (kind == LinkKind::Hard)
        {
            dwError = folder.CreateJunction(strTemp, strSource);
            continue;
        }
        dwError = folder.CreateSymbolicLink(strTemp, strSource, kSymbolicFlags | kSymbolicDirectory);
        if (dwError == ERROR_INVALID_PARAMETER)
            dwError = folder.CreateSymbolicLink(strTemp, strSource, kSymbolicDirectory);
    }
    if (dwError != ERROR_SUCCESS)
        return dwError;
    std::unique_ptr<ILinkEntry> made;
    dwError = folder.OpenEntry(strTemp, EntryAccess::Change, made);
    // A symbolic link reported made and not there (Wine) is not found.
    if (dwError != ERROR_SUCCESS)
        return IsNotFound(dwError) ? static_cast<DWORD>(ERROR_FILE_NOT_FOUND) : dwError;
    dwError = made->Rename(strName, ReplaceExisting::No);
    if (dwError != ERROR_SUCCESS)
        static_cast<void>(made->Delete());  // where it stays, it is a link under a temporary name
    return dwError;
}

DWORD MakeLinkIn(ILinkFolder& folder, LinkKind kind, const CString& strName, const CString& strSource)
{
    if (kind == LinkKind::Hard)
        return folder.CreateHardLink(strName, strSource);
    DWORD dwError = folder.CreateSymbolicLink(strName, strSource, kSymbolicFlags);
    // Systems before the unprivileged flag existed reject it.
    if (dwError == ERROR_INVALID_PARAMETER)
        dwError = folder.CreateSymbolicLink(strName, strSource, 0);
    if (dwError != ERROR_SUCCESS)
        return dwError;
    // A symbolic-link call that reports success must also have made the link
    // (Wine's does not); asked of the held folder, by the name as it is.
    LinkEntryInfo made;
    return IsNotFound(folder.FindEntry(strName, made)) ? static_cast<DWORD>(ERROR_FILE_NOT_FOUND)
                                                       : static_cast<DWORD>(ERROR_SUCCESS);
}

LinkPairResult CLinkPairMaker::CarryOut(const LinkPairDecision& decision, ILinkFolder* pFolder,
                                        const CString& strSource, const CString& strName)
{
    LinkPairResult result = ForeseenResult(decision);
    result.nSize = 0;
    result.nWriteTime = 0;
    // Nothing tells a link to a missing folder from one to anything else:
    // what a folder link is foreseen to meet is not tried.
    if (pFolder == nullptr || (decision.bFolder && decision.dwError != ERROR_SUCCESS))
        return result;
    // A relative symbolic link holds the path from its folder.
    const CString& strHeld = decision.pathForm == LinkPathForm::Relative ? decision.strLinkPath : strSource;
    switch (decision.action)
    {
    case PairAction::NewLink:
        result.dwError = MakeLink(*pFolder, strName, strHeld, decision.bFolder);
        break;
    case PairAction::Replace:
    {
        const Outcome outcome = Replace(decision, *pFolder, strHeld, strName);
        result.dwError = outcome.dwError;
        result.bOldAside = outcome.bOldAside;
        if (outcome.bAlreadyLinked)
            result.action = PairAction::AlreadyLinked;
        if (outcome.bKept)
        {
            ++m_nKeptHere;
            ++m_nKeptInPart;
            result.nKeptPart = outcome.nKeptPart;
            result.nKeptTime = m_nKeepTime;
            result.nSize = decision.old.nSize;
        }
        break;
    }
    default:
        break;
    }
    return result;
}

DWORD CLinkPairMaker::GetKeptFolder(int nFolder, ILinkFolder& folder, ILinkFolder*& pKept, int& nPart)
{
    if (m_nKeptFolder != nFolder)
    {
        EndFolder();
        m_nKeptFolder = nFolder;
        m_dwKeptError = folder.CreateFolder(MakeKeptFolderName(m_nKeepTime), m_kept);
    }
    const int nWanted = m_nMovedHere < kKeptPerPart ? 0 : m_nMovedHere / kKeptPerPart + 1;
    if (m_dwKeptError == ERROR_SUCCESS && nWanted != m_nPart)
    {
        EndPart();
        m_nPart = nWanted;
        // A part that cannot be made (its name taken by a file kept): the
        // files go on into the kept folder itself.
        if (m_kept->CreateFolder(MakeKeptPartName(nWanted), m_part) != ERROR_SUCCESS)
            m_part.reset();
    }
    pKept = m_part != nullptr ? m_part.get() : m_kept.get();
    nPart = m_part != nullptr ? m_nPart : 0;
    return m_dwKeptError;
}

void CLinkPairMaker::EndPart()
{
    if (m_part != nullptr && m_nKeptInPart == 0)
        static_cast<void>(m_part->RemoveEmpty());  // where it stays, it is empty
    m_part.reset();
    m_nKeptInPart = 0;
}

CLinkPairMaker::~CLinkPairMaker()
{
    try
    {
        EndFolder();
    }
    catch (...)
    {
    }
}

void CLinkPairMaker::EndFolder()
{
    EndPart();
    m_nPart = 0;
    m_nMovedHere = 0;
    // A kept folder that keeps nothing (every old file went back) goes.
    if (m_kept != nullptr && m_nKeptHere == 0)
        static_cast<void>(m_kept->RemoveEmpty());  // where it stays, it is empty and hidden
    m_kept.reset();
    m_nKeptFolder = -1;
    m_nKeptHere = 0;
}

CLinkPairMaker::Outcome CLinkPairMaker::Replace(const LinkPairDecision& decision, ILinkFolder& folder,
                                                const CString& strSource, const CString& strName)
{
    Outcome outcome;
    // The old target, looked at afresh before anything is written: it gives
    // way only while it is the file decided on.
    std::unique_ptr<ILinkEntry> pOld;
    DWORD dwError = folder.OpenEntry(strName, EntryAccess::Change, pOld);
    if (IsNotFound(dwError))
    {
        // Gone since: the name is free, and nothing is replaced.
        outcome.dwError = MakeLink(folder, strName, strSource, decision.bFolder);
        return outcome;
    }
    LinkFileInfo old;
    if (dwError == ERROR_SUCCESS)
        dwError = pOld->Query(old);
    if (dwError == ERROR_SUCCESS && CompareFiles(old.id, decision.old.id) == Sameness::Different)
        dwError = ERROR_ALREADY_EXISTS;
    // What cannot be kept is not replaced.
    ILinkFolder* pKept = nullptr;
    int nPart = 0;
    if (dwError == ERROR_SUCCESS)
        dwError = GetKeptFolder(decision.nFolder, folder, pKept, nPart);
    // The old file steps aside whole (a rename: its identity, attributes,
    // security and other names stay as they were) into the run's kept
    // folder; only then does the link take its name.
    if (dwError == ERROR_SUCCESS && (dwError = pOld->MoveTo(*pKept, strName)) == ERROR_SUCCESS)
        ++m_nMovedHere;
    outcome.nKeptPart = nPart;
    if (dwError != ERROR_SUCCESS)
    {
        outcome.dwError = dwError;
        return outcome;
    }
    outcome.dwError = MakeLink(folder, strName, strSource, decision.bFolder);
    if (outcome.dwError != ERROR_SUCCESS)
    {
        // No link: the old file goes back under its name, or the line says
        // where it is kept.
        outcome.bOldAside = pOld->MoveTo(folder, strName) != ERROR_SUCCESS;
        outcome.bKept = outcome.bOldAside;
        return outcome;
    }
    outcome.bKept = true;
    // The target may have been a hard link of the source after all, where
    // volume serials disagreed: then its kept name is one more name of the
    // source's file, and goes again.
    std::unique_ptr<ILinkEntry> pNew;
    LinkFileInfo made;
    if (decision.bMaybeLinked && folder.OpenEntry(strName, EntryAccess::Read, pNew) == ERROR_SUCCESS &&
        pNew->Query(made) == ERROR_SUCCESS && CompareFiles(made.id, old.id) == Sameness::Same &&
        pOld->Delete() == ERROR_SUCCESS)
    {
        outcome.bAlreadyLinked = true;
        outcome.bKept = false;
    }
    return outcome;
}

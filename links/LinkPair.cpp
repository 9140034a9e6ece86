#include "links/LinkPair.h"

#include "files/ErrorCode.h"
#include "files/TempName.h"

#include <memory>

namespace {

enum : DWORD
{
    kSymbolicFlags = 2  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
};

// Attempts at a free temporary name before the pair gives up; a name is
// only ever taken by a call that fails when it exists.
constexpr int kTempNameTries = 16;

bool IsNotFound(DWORD dwError)
{
    return dwError == ERROR_FILE_NOT_FOUND || dwError == ERROR_PATH_NOT_FOUND;
}

bool IsTaken(DWORD dwError)
{
    return dwError == ERROR_ALREADY_EXISTS || dwError == ERROR_FILE_EXISTS;
}

// The temporary link, from the moment the link call reported it made: it is
// removed again unless the pair keeps it, also when the pair ends by an
// exception. Removing it asks for no right but removal.
class CTempLinkGuard
{
public:
    explicit CTempLinkGuard(ILinkFolder& folder) : m_folder(folder) {}
    ~CTempLinkGuard()
    {
        if (!m_bMade || m_bKeep)
            return;
        try
        {
            std::unique_ptr<ILinkEntry> entry;
            if (m_folder.OpenEntry(m_strName, EntryAccess::Change, entry) == ERROR_SUCCESS)
                static_cast<void>(entry->Delete());  // where it stays, nothing else is lost
        }
        catch (...)
        {
        }
    }
    CTempLinkGuard(const CTempLinkGuard&) = delete;
    CTempLinkGuard& operator=(const CTempLinkGuard&) = delete;

    void Made(const CString& strName)
    {
        m_strName = strName;
        m_bMade = true;
    }
    const CString& GetName() const { return m_strName; }
    void Keep(bool bKeep) { m_bKeep = bKeep; }

private:
    ILinkFolder& m_folder;
    CString m_strName;
    bool m_bMade = false;
    bool m_bKeep = false;
};

}  // namespace

DWORD CLinkPairMaker::MakeLink(ILinkFolder& folder, const CString& strName, const CString& strSource)
{
    if (m_kind == LinkKind::Hard)
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
    if (pFolder == nullptr)
        return result;
    switch (decision.action)
    {
    case PairAction::NewLink:
        result.dwError = MakeLink(*pFolder, strName, strSource);
        break;
    case PairAction::Replace:
    {
        const Outcome outcome = Replace(decision, *pFolder, strSource, strName);
        result.dwError = outcome.dwError;
        result.bOldAside = outcome.bOldAside;
        result.nAside = outcome.nAside;
        if (outcome.bAlreadyLinked)
            result.action = PairAction::AlreadyLinked;
        break;
    }
    default:
        break;
    }
    return result;
}

CLinkPairMaker::Outcome CLinkPairMaker::Replace(const LinkPairDecision& decision, ILinkFolder& folder,
                                                const CString& strSource, const CString& strName)
{
    Outcome outcome;
    // The old target, looked at afresh before anything is written: it gives
    // way only while it is the file decided on.
    const bool bDecidedReadOnly = (decision.old.dwAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    std::unique_ptr<ILinkEntry> pOld;
    DWORD dwError =
        folder.OpenEntry(strName, bDecidedReadOnly ? EntryAccess::ChangeAttributes : EntryAccess::Change, pOld);
    if (IsNotFound(dwError))
    {
        // Gone since: the name is free, and nothing is replaced.
        outcome.dwError = MakeLink(folder, strName, strSource);
        return outcome;
    }
    LinkFileInfo old;
    if (dwError == ERROR_SUCCESS)
        dwError = pOld->Query(old);
    if (dwError == ERROR_SUCCESS && CompareFiles(old.id, decision.old.id) == Sameness::Different)
        dwError = ERROR_ALREADY_EXISTS;
    const bool bReadOnly = (old.dwAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (dwError == ERROR_SUCCESS && bReadOnly && !bDecidedReadOnly)
    {
        // Made read-only since it was decided on: opened again to clear it.
        pOld.reset();
        dwError = folder.OpenEntry(strName, EntryAccess::ChangeAttributes, pOld);
        LinkFileInfo again;
        if (dwError == ERROR_SUCCESS && (dwError = pOld->Query(again)) == ERROR_SUCCESS &&
            CompareFiles(again.id, old.id) == Sameness::Different)
            dwError = ERROR_ALREADY_EXISTS;
    }
    if (dwError != ERROR_SUCCESS)
    {
        outcome.dwError = dwError;
        return outcome;
    }

    // The replacement exists before the old target gives way.
    CTempLinkGuard temp(folder);
    dwError = ERROR_ALREADY_EXISTS;
    for (int nTry = 0; nTry < kTempNameTries && IsTaken(dwError); ++nTry)
    {
        const CString strTemp = MakeTempName();
        dwError = m_kind == LinkKind::Hard ? folder.CreateHardLink(strTemp, strSource)
                                           : folder.CreateSymbolicLink(strTemp, strSource, kSymbolicFlags);
        if (m_kind == LinkKind::Symbolic && dwError == ERROR_INVALID_PARAMETER)
            dwError = folder.CreateSymbolicLink(strTemp, strSource, 0);
        if (dwError == ERROR_SUCCESS)
            temp.Made(strTemp);
    }
    if (dwError != ERROR_SUCCESS)
    {
        outcome.dwError = dwError;
        return outcome;
    }
    std::unique_ptr<ILinkEntry> pNew;
    outcome.dwError = folder.OpenEntry(temp.GetName(), EntryAccess::Change, pNew);
    // A symbolic link reported made and not there (Wine) opens as not found.
    if (outcome.dwError != ERROR_SUCCESS)
        return outcome;
    LinkFileInfo made;
    // The target may have been a hard link of the source after all, where
    // volume serials disagreed: a rename onto another name of the same file
    // may leave both names (POSIX rename does, and so Wine's).
    if (decision.bMaybeLinked && pNew->Query(made) == ERROR_SUCCESS && CompareFiles(made.id, old.id) == Sameness::Same)
    {
        outcome.bAlreadyLinked = true;
        return outcome;
    }

    if (!bReadOnly)
    {
        // Some systems (Wine) refuse to replace a file that is open.
        pOld.reset();
        outcome.dwError = pNew->Rename(strName, ReplaceExisting::Yes);
        temp.Keep(outcome.dwError == ERROR_SUCCESS);
        return outcome;
    }
    if (old.nLinks > 1)
    {
        // Read-only cannot be cleared on the old file without clearing it for
        // its other names too, and some systems (Wine) refuse to replace a
        // file that is held open to put it back: the old entry steps aside
        // instead, the new link takes the name, and the old name goes through
        // the handle that keeps the file's attributes.
        const ULONGLONG nAway = MakeTempBits();
        outcome.dwError = pOld->Rename(MakeTempName(nAway), ReplaceExisting::No);
        if (outcome.dwError != ERROR_SUCCESS)
            return outcome;
        outcome.dwError = pNew->Rename(strName, ReplaceExisting::No);
        if (outcome.dwError != ERROR_SUCCESS)
        {
            outcome.bOldAside = pOld->Rename(strName, ReplaceExisting::No) != ERROR_SUCCESS;
            outcome.nAside = nAway;
            return outcome;
        }
        temp.Keep(true);
        outcome.dwError = pOld->Delete();
        if (outcome.dwError == ERROR_SUCCESS)
            return outcome;
        // Everything back as it was; where the link cannot step aside again
        // it keeps the name, and the line says where the old file is.
        if (pNew->Rename(temp.GetName(), ReplaceExisting::No) == ERROR_SUCCESS)
        {
            temp.Keep(false);
            outcome.bOldAside = pOld->Rename(strName, ReplaceExisting::No) != ERROR_SUCCESS;
        }
        else
        {
            outcome.bOldAside = true;
        }
        outcome.nAside = nAway;
        return outcome;
    }
    // One name only: read-only is cleared on the entry itself, and put back
    // if the old file stays.
    outcome.dwError = pOld->SetAttributes(old.dwAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    if (outcome.dwError != ERROR_SUCCESS)
        return outcome;
    pOld.reset();
    outcome.dwError = pNew->Rename(strName, ReplaceExisting::Yes);
    if (outcome.dwError == ERROR_SUCCESS)
    {
        temp.Keep(true);
        return outcome;
    }
    std::unique_ptr<ILinkEntry> pBack;
    LinkFileInfo back;
    if (folder.OpenEntry(strName, EntryAccess::ChangeAttributes, pBack) == ERROR_SUCCESS &&
        pBack->Query(back) == ERROR_SUCCESS && CompareFiles(back.id, old.id) != Sameness::Different)
        static_cast<void>(pBack->SetAttributes(old.dwAttributes));  // the rename's failure is what the line says
    return outcome;
}

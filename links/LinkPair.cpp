#include "links/LinkPair.h"

#include "files/PathRules.h"

#include <string>

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

// The code a failure is reported with, never 0: a line must not say "OK"
// for a step that failed without saying why.
DWORD FailureCode(DWORD dwError)
{
    return dwError != ERROR_SUCCESS ? dwError : ERROR_GEN_FAILURE;
}

// Removes the new link again unless the pair keeps it, also when the pair
// ends by an exception.
class CNewLinkGuard
{
public:
    CNewLinkGuard(ILinkFolder& folder, const CString& strName) : m_folder(folder), m_strName(strName) {}
    ~CNewLinkGuard()
    {
        if (m_bKeep)
            return;
        try
        {
            std::unique_ptr<ILinkEntry> entry;
            if (m_folder.OpenEntry(m_strName, entry) == ERROR_SUCCESS)
                entry->Delete();
        }
        catch (...)
        {
        }
    }
    CNewLinkGuard(const CNewLinkGuard&) = delete;
    CNewLinkGuard& operator=(const CNewLinkGuard&) = delete;

    void Keep() { m_bKeep = true; }

private:
    ILinkFolder& m_folder;
    const CString& m_strName;
    bool m_bKeep = false;
};

// A path as the user spells it: a long path's "\\?\" form and the
// system's "\??\" form name the same place.
CString WithoutDevicePrefix(const CString& strPath)
{
    if (strPath.Left(4) == L"\\\\?\\" || strPath.Left(4) == L"\\??\\")
        return strPath.Mid(4).Left(4).CompareNoCase(L"UNC\\") == 0 ? CString(L"\\") + strPath.Mid(7) : strPath.Mid(4);
    return strPath;
}

}  // namespace


CLinkPairMaker::CLinkPairMaker(CLinkSources& sources, LinkKind kind, const LinkRunOptions& options,
                               ILinkFileSystem& fs)
    : m_sources(sources),
      m_fs(fs),
      m_kind(kind),
      m_bRemoveExisting(options.bRemoveExisting),
      m_bPreview(options.bPreview),
      m_nFolder(0),
      m_dwFolderError(ERROR_SUCCESS),
      m_bFolderIdentified(false),
      m_nFolderKey(0),
      m_bListed(false)
{
}

std::wstring CLinkPairMaker::FolderKey(ILinkFolder* pFolder)
{
    LinkFileId id;
    if (pFolder != nullptr && pFolder->GetId(id))
        return L"id:" + std::to_wstring(id.dwVolume) + L":" + std::to_wstring(id.nIndex);
    CString strFinal;
    if (pFolder != nullptr && pFolder->GetFinalPath(strFinal) == ERROR_SUCCESS)
        return L"path:" + std::wstring(MakeFoldedPath(strFinal).GetString());
    // Folders that cannot say what they are might all be one.
    return L"?";
}

void CLinkPairMaker::BeginFolder(int nFolder, const CString& strPath, std::unique_ptr<ILinkFolder> folder,
                                 DWORD dwOpenError)
{
    m_nFolder = nFolder;
    m_strFolder = strPath;
    m_pFolder = std::move(folder);
    m_dwFolderError = dwOpenError;
    m_bFolderIdentified = m_pFolder != nullptr && m_pFolder->GetId(m_folderId);
    const std::wstring strKey = FolderKey(m_pFolder.get());
    m_nFolderKey = m_folderKeys.emplace(strKey, m_folderKeys.size()).first->second;
    // One listing costs less than a look per name once a few names are
    // asked for; without an identity the listing could not be matched to
    // the sources.
    m_listed.clear();
    m_listedNames.clear();
    m_bListed = m_bFolderIdentified && m_pFolder->ListEntries(m_listed) == ERROR_SUCCESS;
    for (size_t i = 0; m_bListed && i < m_listed.size(); ++i)
    {
        m_listedNames.emplace(MakeFoldedPath(m_listed[i].strName).GetString(), i);
        if (!m_listed[i].strShortName.IsEmpty())
            m_listedNames.emplace(MakeFoldedPath(m_listed[i].strShortName).GetString(), i);
    }
}

void CLinkPairMaker::EndFolder()
{
    m_pFolder.reset();
    m_listed.clear();
    m_listedNames.clear();
    m_bListed = false;
}

DWORD CLinkPairMaker::MakeLink(const CString& strName, const CString& strSource)
{
    if (m_kind == LinkKind::Hard)
        return m_pFolder->CreateHardLink(strName, strSource);
    DWORD dwError = m_pFolder->CreateSymbolicLink(strName, strSource, kSymbolicFlags);
    // Systems before the unprivileged flag existed reject it.
    if (dwError == ERROR_INVALID_PARAMETER)
        dwError = m_pFolder->CreateSymbolicLink(strName, strSource, 0);
    if (dwError != ERROR_SUCCESS)
        return dwError;
    // A symbolic-link call that reports success must also have made the link
    // (Wine's does not).
    LinkEntryInfo made;
    const DWORD dwFound = m_pFolder->FindEntry(strName, made);
    return IsNotFound(dwFound) ? ERROR_FILE_NOT_FOUND : dwFound;
}

DWORD CLinkPairMaker::MakeTempLink(const CString& strSource, CString& strTemp)
{
    DWORD dwError = ERROR_ALREADY_EXISTS;
    for (int nTry = 0; nTry < kTempNameTries && IsTaken(dwError); ++nTry)
    {
        strTemp = MakeTempName();
        dwError = MakeLink(strTemp, strSource);
    }
    return dwError;
}

LinkPairResult CLinkPairMaker::MakePair(int nFile)
{
    LinkPairResult result;
    result.nFolder = m_nFolder;
    result.nFile = nFile;
    const CString& strName = m_sources.GetName(m_fs, nFile);
    const CString& strSource = m_sources.GetPath(nFile);
    if (strSource.CompareNoCase(m_strFolder + strName) == 0)
    {
        result.outcome = LinkOutcome::SkipSelf;
        return result;
    }
    if (m_pFolder == nullptr)
    {
        result.dwError = FailureCode(m_dwFolderError);
        return result;
    }
    const unsigned long long nKey =
        (m_nFolderKey << 32) | static_cast<unsigned long long>(m_sources.GetNameClass(m_fs, nFile));
    if (m_made.count(nKey) != 0)
    {
        result.outcome = LinkOutcome::SkipMade;
        return result;
    }

    if (m_bListed)
    {
        const auto listed = m_listedNames.find(MakeFoldedPath(strName).GetString());
        if (listed == m_listedNames.end())
            return NewLink(result, nKey, strName);
        if (m_bRemoveExisting && IsListedLinkOf(nFile, m_listed[listed->second]))
        {
            m_made.insert(nKey);
            if (m_bPreview)
                result.outcome = LinkOutcome::PreviewLinked;
            return result;
        }
    }
    LinkEntryInfo entry;
    const DWORD dwFind = m_pFolder->FindEntry(strName, entry);
    if (IsNotFound(dwFind))
        return NewLink(result, nKey, strName);
    if (dwFind != ERROR_SUCCESS)
    {
        result.dwError = FailureCode(dwFind);
        return result;
    }
    if (!m_bRemoveExisting)
    {
        result.outcome = LinkOutcome::SkipExisting;
        return result;
    }
    // A folder is never removed; the link call reports what is in its way.
    if (entry.dwAttributes & FILE_ATTRIBUTE_DIRECTORY)
    {
        // The link call refuses a name that is taken.
        result.dwError = m_bPreview ? static_cast<DWORD>(ERROR_ALREADY_EXISTS) : FailureCode(MakeLink(strName, strSource));
        return result;
    }
    // The name is another file's short name: that file is not the target.
    if (MakeFoldedPath(entry.strName) != MakeFoldedPath(strName))
    {
        result.dwError = ERROR_ALREADY_EXISTS;
        return result;
    }
    bool bIsSource = false;
    const DWORD dwError = m_sources.FindSourceAt(m_fs, m_bFolderIdentified ? &m_folderId : nullptr, entry.strName,
                                                 entry.nFileIndex, bIsSource);
    if (dwError != ERROR_SUCCESS)
    {
        result.dwError = dwError;
        return result;
    }
    if (bIsSource)
    {
        result.outcome = LinkOutcome::SkipSelf;
        return result;
    }
    m_made.insert(nKey);
    if (m_bPreview)
        result.outcome = LinkOutcome::PreviewLinked;
    if (m_kind == LinkKind::Symbolic && IsLinkTo(strName, entry, strSource))
        return result;
    // Already a hard link of the source: nothing to do.
    LinkFileId file;
    file.dwVolume = m_folderId.dwVolume;
    file.nIndex = entry.nFileIndex;
    const CLinkSources::Match match =
        m_kind == LinkKind::Hard ? m_sources.MatchEntryFile(m_fs, nFile, file) : CLinkSources::Match::No;
    if (match == CLinkSources::Match::Yes && m_bFolderIdentified)
        return result;
    if (m_bPreview)
    {
        result.outcome = LinkOutcome::PreviewReplace;
        result.nSize = entry.nSize;
        result.nWriteTime = entry.nWriteTime;
    }
    result.dwError = m_bPreview ? ForeseeLink(nFile) : Replace(nFile, strName, entry, match != CLinkSources::Match::No);
    if (result.dwError != ERROR_SUCCESS)
        m_made.erase(nKey);
    return result;
}

LinkPairResult CLinkPairMaker::NewLink(LinkPairResult result, unsigned long long nKey, const CString& strName)
{
    // Taken before the disk changes, given back if nothing was made.
    m_made.insert(nKey);
    if (m_bPreview)
        result.outcome = LinkOutcome::PreviewNew;
    result.dwError = m_bPreview ? ForeseeLink(result.nFile) : MakeLink(strName, m_sources.GetPath(result.nFile));
    if (result.dwError != ERROR_SUCCESS)
        m_made.erase(nKey);
    return result;
}

bool CLinkPairMaker::IsListedLinkOf(int nFile, const LinkEntryInfo& entry)
{
    if (m_kind != LinkKind::Hard || (entry.dwAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
        MakeFoldedPath(entry.strName) != MakeFoldedPath(m_sources.GetName(m_fs, nFile)))
        return false;
    LinkFileId file;
    file.dwVolume = m_folderId.dwVolume;
    file.nIndex = entry.nFileIndex;
    if (m_sources.MatchEntryFile(m_fs, nFile, file) != CLinkSources::Match::Yes)
        return false;
    bool bIsSource = true;
    return m_sources.FindSourceAt(m_fs, &m_folderId, entry.strName, entry.nFileIndex, bIsSource) == ERROR_SUCCESS &&
           !bIsSource;
}

DWORD CLinkPairMaker::ForeseeLink(int nFile)
{
    // A symbolic link may point at what is not there, and whether the
    // process may make one shows only when it tries.
    if (m_kind == LinkKind::Symbolic)
        return ERROR_SUCCESS;
    LinkFileInfo source;
    const DWORD dwError = m_sources.GetEntryInfo(m_fs, nFile, source);
    if (dwError != ERROR_SUCCESS)
        return dwError;
    if (m_bFolderIdentified && source.id.dwVolume != m_folderId.dwVolume)
        return ERROR_NOT_SAME_DEVICE;
    // NTFS gives a file at most 1,024 names.
    return source.nLinks >= 1024 ? static_cast<DWORD>(ERROR_TOO_MANY_LINKS) : static_cast<DWORD>(ERROR_SUCCESS);
}

bool CLinkPairMaker::IsLinkTo(const CString& strName, const LinkEntryInfo& entry, const CString& strSource)
{
    if (!(entry.dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    std::unique_ptr<ILinkEntry> pEntry;
    CString strTarget;
    // Where it cannot be read, the link is made again.
    return m_pFolder->OpenEntry(strName, pEntry) == ERROR_SUCCESS &&
           pEntry->GetLinkTarget(strTarget) == ERROR_SUCCESS &&
           MakeFoldedPath(WithoutDevicePrefix(strTarget)) == MakeFoldedPath(WithoutDevicePrefix(strSource));
}

DWORD CLinkPairMaker::Replace(int nFile, const CString& strName, const LinkEntryInfo& entry, bool bMaybeLinked)
{
    // The replacement exists before the old target gives way.
    CString strTemp;
    DWORD dwError = MakeTempLink(m_sources.GetPath(nFile), strTemp);
    if (dwError != ERROR_SUCCESS)
        return dwError;
    CNewLinkGuard guard(*m_pFolder, strTemp);
    std::unique_ptr<ILinkEntry> pNew;
    dwError = m_pFolder->OpenEntry(strTemp, pNew);
    if (dwError != ERROR_SUCCESS)
        return dwError;
    // The target may have been a hard link of the source after all, where
    // volume serials disagreed: a rename onto another name of the same file
    // may leave both names (POSIX rename does, and so Wine's).
    LinkFileInfo made;
    if (bMaybeLinked && pNew->Query(made) == ERROR_SUCCESS && made.id.nIndex == entry.nFileIndex)
        return ERROR_SUCCESS;

    const bool bReadOnly = (entry.dwAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (!bReadOnly)
    {
        dwError = pNew->Rename(strName, true);
        if (dwError == ERROR_SUCCESS)
            guard.Keep();
        return dwError;
    }
    // A read-only file cannot be replaced: the flag is cleared on the entry
    // itself, checked to be the one looked at.
    std::unique_ptr<ILinkEntry> pOld;
    dwError = m_pFolder->OpenEntry(strName, pOld);
    if (dwError != ERROR_SUCCESS)
        return dwError;
    LinkFileInfo old;
    dwError = pOld->Query(old);
    if (dwError != ERROR_SUCCESS)
        return dwError;
    if (old.id.nIndex != entry.nFileIndex)
        return ERROR_ALREADY_EXISTS;
    const DWORD dwAttributes = old.dwAttributes;
    if (old.nLinks > 1)
    {
        // The old file lives on under its other names and keeps read-only.
        const CString strAway = MakeTempName();
        bool bKeepNew = false;
        dwError = ReplaceKeepingOld(*pNew, *pOld, strName, strTemp, strAway, bKeepNew);
        if (bKeepNew)
            guard.Keep();
        return dwError;
    }
    dwError = pOld->SetAttributes(dwAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    if (dwError != ERROR_SUCCESS)
        return dwError;
    // Some systems (Wine) refuse to replace a file that is open.
    pOld.reset();
    dwError = pNew->Rename(strName, true);
    if (dwError == ERROR_SUCCESS)
    {
        guard.Keep();
        return ERROR_SUCCESS;
    }
    std::unique_ptr<ILinkEntry> pBack;
    LinkFileInfo back;
    if (m_pFolder->OpenEntry(strName, pBack) == ERROR_SUCCESS && pBack->Query(back) == ERROR_SUCCESS &&
        back.id.nIndex == old.id.nIndex)
        pBack->SetAttributes(dwAttributes);
    return dwError;
}

DWORD CLinkPairMaker::ReplaceKeepingOld(ILinkEntry& newEntry, ILinkEntry& oldEntry, const CString& strName,
                                        const CString& strTemp, const CString& strAway, bool& bKeepNew)
{
    // Read-only cannot be cleared on the old file without clearing it for
    // its other names too, and some systems (Wine) refuse to replace a file
    // that is held open to put it back: the old entry steps aside instead,
    // the new link takes the name, and the old name goes through the handle
    // that keeps the file's attributes.
    DWORD dwError = oldEntry.Rename(strAway, false);
    if (dwError != ERROR_SUCCESS)
        return dwError;
    dwError = newEntry.Rename(strName, false);
    if (dwError != ERROR_SUCCESS)
    {
        oldEntry.Rename(strName, false);
        return dwError;
    }
    bKeepNew = true;
    dwError = oldEntry.Delete();
    if (dwError == ERROR_SUCCESS)
        return ERROR_SUCCESS;
    // Everything back as it was; where the link cannot step aside again it
    // stays, and the line says what failed.
    if (newEntry.Rename(strTemp, false) == ERROR_SUCCESS)
    {
        bKeepNew = false;
        oldEntry.Rename(strName, false);
    }
    return dwError;
}

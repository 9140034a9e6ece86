#include "links/LinkDecision.h"

#include "files/ErrorCode.h"
#include "files/PathRules.h"
#include "files/RelativePath.h"

#include <string>

namespace {

constexpr size_t kAmbiguous = static_cast<size_t>(-1);

// NTFS gives a file at most 1,024 names.
constexpr DWORD kMaxLinks = 1024;

bool IsNotFound(DWORD dwError)
{
    return dwError == ERROR_FILE_NOT_FOUND || dwError == ERROR_PATH_NOT_FOUND;
}

bool MakesLink(PairAction action)
{
    return action == PairAction::NewLink || action == PairAction::Replace;
}

std::wstring Folded(const CString& strName)
{
    return MakeFoldedPath(strName).GetString();
}

}  // namespace

LinkPairResult ForeseenResult(const LinkPairDecision& decision)
{
    LinkPairResult result;
    result.nFolder = decision.nFolder;
    result.nFile = decision.nFile;
    result.action = decision.action;
    result.dwError = decision.dwError;
    result.pathForm = decision.pathForm;
    result.bFolder = decision.bFolder;
    if (decision.action == PairAction::Replace)
    {
        result.nSize = decision.old.nSize;
        result.nWriteTime = decision.old.nWriteTime;
    }
    return result;
}

CLinkDecider::CLinkDecider(CLinkSources& sources, LinkKind kind, bool bRemoveExisting, bool bRelative)
    : m_sources(sources),
      m_kind(kind),
      m_bRemoveExisting(bRemoveExisting),
      m_bRelative(bRelative && kind == LinkKind::Symbolic),
      m_nFolder(0),
      m_dwFolderError(ERROR_SUCCESS),
      m_bFolderIdentified(false),
      m_nFolderKey(0),
      m_bListed(false)
{
}

std::wstring CLinkDecider::FolderKey(ILinkFolder* pFolder)
{
    LinkFileId id;
    if (pFolder != nullptr && pFolder->GetId(id))
        return L"id:" + std::to_wstring(id.nVolume) + L":" + std::to_wstring(id.nHigh) + L":" +
               std::to_wstring(id.nLow);
    CString strFinal;
    if (pFolder != nullptr && pFolder->GetFinalPath(strFinal) == ERROR_SUCCESS)
        return L"path:" + Folded(strFinal);
    // Folders that cannot say what they are might all be one.
    return L"?";
}

void CLinkDecider::BeginFolder(int nFolder, const CString& strPath, std::unique_ptr<ILinkFolder> folder,
                               DWORD dwOpenError)
{
    m_nFolder = nFolder;
    m_strFolder = strPath;
    m_pFolder = std::move(folder);
    m_dwFolderError = dwOpenError;
    m_bFolderIdentified = m_pFolder != nullptr && m_pFolder->GetId(m_folderId) && m_folderId.IsKnown();
    m_nFolderKey = m_folderKeys.emplace(FolderKey(m_pFolder.get()), m_folderKeys.size()).first->second;
    // One listing costs less than a look per name once a few names are
    // asked for; without an identity the listing could not be matched to
    // the sources.
    m_listed.clear();
    m_listedNames.clear();
    m_bListed = m_bFolderIdentified && m_pFolder->ListEntries(m_listed) == ERROR_SUCCESS;
    for (size_t i = 0; m_bListed && i < m_listed.size(); ++i)
    {
        m_listed[i].id.nVolume = m_folderId.nVolume;
        for (const CString* pName : {&m_listed[i].strName, &m_listed[i].strShortName})
        {
            if (pName->IsEmpty())
                continue;
            // Names that fold alike (a case-sensitive folder) say nothing
            // about which of them a name finds.
            const auto it = m_listedNames.emplace(Folded(*pName), i).first;
            if (it->second != i)
                it->second = kAmbiguous;
        }
    }
}

void CLinkDecider::EndFolder()
{
    m_pFolder.reset();
    m_listed.clear();
    m_listedNames.clear();
    m_bListed = false;
}

unsigned long long CLinkDecider::MadeKey(int nFile) const
{
    return (m_nFolderKey << 32) | static_cast<unsigned long long>(m_sources.GetNameClass(nFile));
}

bool CLinkDecider::IsAmbiguous(const CString& strName) const
{
    const auto listed = m_listedNames.find(Folded(strName));
    return listed != m_listedNames.end() && listed->second == kAmbiguous;
}

DWORD CLinkDecider::LookAt(const CString& strName, LinkEntryInfo& entry)
{
    if (m_bListed)
    {
        const auto listed = m_listedNames.find(Folded(strName));
        if (listed == m_listedNames.end())
            return ERROR_FILE_NOT_FOUND;
        if (listed->second != kAmbiguous && m_listed[listed->second].strName == strName)
        {
            entry = m_listed[listed->second];
            return ERROR_SUCCESS;
        }
    }
    else if (!m_pFolder->MayHold(strName))
    {
        return ERROR_FILE_NOT_FOUND;
    }
    const DWORD dwError = m_pFolder->FindEntry(strName, entry);
    return IsNotFound(dwError) ? static_cast<DWORD>(ERROR_FILE_NOT_FOUND) : dwError;
}

DWORD CLinkDecider::Foresee(int nFile) const
{
    // A folder source must be there and be a folder: nothing tells a link
    // to a missing folder from one to a missing file.
    if (m_sources.IsFolder(nFile))
    {
        LinkFileInfo source;
        const DWORD dwError = m_sources.GetEntryInfo(nFile, source);
        if (dwError != ERROR_SUCCESS)
            return dwError;
        return (source.dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? static_cast<DWORD>(ERROR_SUCCESS)
                                                                    : static_cast<DWORD>(ERROR_DIRECTORY);
    }
    // A symbolic link may point at what is not there, and whether the
    // process may make one shows only when it tries.
    if (m_kind == LinkKind::Symbolic)
        return ERROR_SUCCESS;
    LinkFileInfo source;
    const DWORD dwError = m_sources.GetEntryInfo(nFile, source);
    if (dwError != ERROR_SUCCESS)
        return dwError;
    if (m_bFolderIdentified && source.id.nVolume != m_folderId.nVolume)
        return ERROR_NOT_SAME_DEVICE;
    return m_sources.GetLinkCount(nFile) >= kMaxLinks ? static_cast<DWORD>(ERROR_TOO_MANY_LINKS)
                                                      : static_cast<DWORD>(ERROR_SUCCESS);
}

void CLinkDecider::DecidePath(LinkPairDecision& decision) const
{
    if (!m_bRelative)
        return;
    // From the folder and to the source as listed: the spellings a tree
    // moved as a whole keeps.
    switch (MakeRelativePath(m_strFolder, m_sources.GetPath(decision.nFile), decision.strLinkPath))
    {
    case RelativePath::Made:
        decision.pathForm = LinkPathForm::Relative;
        break;
    case RelativePath::OtherRoot:
        decision.pathForm = LinkPathForm::AbsoluteOtherRoot;
        break;
    default:
        decision.pathForm = LinkPathForm::AbsoluteNotExpressible;
        break;
    }
}

bool CLinkDecider::PointsAtSource(const CString& strName, const LinkPairDecision& decision)
{
    // What the system follows, never the name shown for it, held the way
    // this run would hold it; a relative link leads where it resolves from
    // its own folder. Where it cannot be read, it is made again.
    std::unique_ptr<ILinkEntry> entry;
    LinkTargetPath target;
    if (m_pFolder->OpenEntry(strName, EntryAccess::Read, entry) != ERROR_SUCCESS ||
        entry->ReadLink(target) != ERROR_SUCCESS ||
        target.bRelative != (decision.pathForm == LinkPathForm::Relative) ||
        target.bJunction != (decision.bFolder && m_kind == LinkKind::Hard))
        return false;
    const CString strHeld =
        target.bRelative ? MakeNtPath(ResolveRelativePath(m_strFolder, target.strSubstitute)) : target.strSubstitute;
    return Folded(strHeld) == Folded(m_sources.GetNtPath(decision.nFile));
}

bool CLinkDecider::AddsName(const LinkPairDecision& decision) const
{
    return m_kind == LinkKind::Hard && !decision.bFolder;
}

void CLinkDecider::Take(const LinkPairDecision& decision)
{
    const bool bWillLink = MakesLink(decision.action) && decision.dwError == ERROR_SUCCESS;
    if (bWillLink || decision.action == PairAction::AlreadyLinked)
        m_made.insert(MadeKey(decision.nFile));
    if (bWillLink && AddsName(decision))
        m_sources.TakeLink(decision.nFile);
}

void CLinkDecider::Settle(const LinkPairDecision& decision, const LinkPairResult& result)
{
    if (!MakesLink(decision.action))
        return;
    const bool bTaken = decision.dwError == ERROR_SUCCESS;
    const bool bLinked = result.dwError == ERROR_SUCCESS;
    // Found a name of the source's file after all: no name was added.
    if (bTaken && result.action == PairAction::AlreadyLinked && AddsName(decision))
        m_sources.GiveBackLink(decision.nFile);
    if (bTaken == bLinked)
        return;
    // A link foreseen to fail that was made all the same holds its name as
    // any other; one that failed gives it back.
    if (bLinked)
        m_made.insert(MadeKey(decision.nFile));
    else
        m_made.erase(MadeKey(decision.nFile));
    if (!AddsName(decision))
        return;
    if (bLinked)
        m_sources.TakeLink(decision.nFile);
    else
        m_sources.GiveBackLink(decision.nFile);
}

LinkPairDecision CLinkDecider::Decide(int nFile)
{
    LinkPairDecision decision;
    decision.nFolder = m_nFolder;
    decision.nFile = nFile;
    decision.bFolder = m_sources.IsFolder(nFile);
    const CString& strName = m_sources.GetName(nFile);
    const auto leave = [&decision](PairAction action, DWORD dwError = ERROR_SUCCESS) {
        decision.action = action;
        decision.dwError = dwError;
        decision.pathForm = LinkPathForm::Absolute;  // no link is made
        return decision;
    };
    if (m_sources.GetPath(nFile).CompareNoCase(m_strFolder + strName) == 0)
        return leave(PairAction::LeaveSource);
    if (m_pFolder == nullptr)
        return leave(PairAction::Fail, FailureCode(m_dwFolderError));
    if (m_made.count(MadeKey(nFile)) != 0)
        return leave(PairAction::LeaveMade);

    DecidePath(decision);
    if (decision.bFolder)
    {
        // A link to a folder the target folder is in, or leads into, would
        // contain itself: whoever follows it walks in circles.
        CString strFinal;
        if (m_pFolder->GetFinalPath(strFinal) != ERROR_SUCCESS)
            strFinal.Empty();
        if (m_sources.ContainsFolder(nFile, m_strFolder, strFinal))
            return leave(PairAction::RefuseCycle, ERROR_CANT_RESOLVE_FILENAME);
        if (m_kind == LinkKind::Hard && m_sources.IsOnNetwork(nFile))
            return leave(PairAction::RefuseRemoteJunction, ERROR_NOT_SUPPORTED);
    }
    LinkEntryInfo entry;
    const DWORD dwLook = LookAt(strName, entry);
    if (dwLook == ERROR_FILE_NOT_FOUND)
    {
        decision.dwError = Foresee(nFile);
        Take(decision);
        return decision;
    }
    if (dwLook != ERROR_SUCCESS)
        return leave(PairAction::Fail, dwLook);
    if (!m_bRemoveExisting)
        return leave(PairAction::LeaveExisting);
    // A folder is never removed, empty or not; the line gives the code a
    // link call meets first. For a folder source a link to another folder
    // gives way like a file: the link, never anything in the folder it
    // leads to.
    const bool bReparse = (entry.dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if ((entry.dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !(decision.bFolder && bReparse))
    {
        const DWORD dwForeseen = Foresee(nFile);
        return leave(PairAction::LeaveFolder, dwForeseen != ERROR_SUCCESS ? dwForeseen : ERROR_ALREADY_EXISTS);
    }
    // The name is another file's short name: that file is not the target.
    if (Folded(entry.strName) != Folded(strName))
        return leave(PairAction::Fail, ERROR_ALREADY_EXISTS);
    const SourceCheck source = m_sources.FindSourceAt(m_bFolderIdentified ? &m_folderId : nullptr, entry.strName,
                                                      entry.id);
    if (source.answer == SourceAnswer::CannotTell)
        return leave(PairAction::Fail, FailureCode(source.dwError));
    if (source.answer == SourceAnswer::Yes)
        return leave(PairAction::LeaveSource);

    LinkFileId file = entry.id;
    file.nVolume = m_folderId.nVolume;
    const SourceMatch match = AddsName(decision) ? m_sources.MatchEntryFile(nFile, file) : SourceMatch::No;
    const bool bLinked = AddsName(decision) ? match == SourceMatch::Yes && m_bFolderIdentified
                                            : bReparse && PointsAtSource(strName, decision) &&
                                                  (!decision.bFolder || (entry.dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    if (bLinked)
    {
        decision.action = PairAction::AlreadyLinked;
        Take(decision);
        return decision;
    }
    // Another name in the folder differs only in letter case: once the old
    // file is kept aside, a system that looks names up without case (Wine
    // over a Linux folder) takes the name for that one, and neither the link
    // nor the old file could take it again.
    if (m_bListed && IsAmbiguous(strName))
        return leave(PairAction::Fail, ERROR_ALREADY_EXISTS);
    decision.action = PairAction::Replace;
    decision.old.id = entry.id;
    decision.old.dwAttributes = entry.dwAttributes;
    decision.old.nSize = entry.nSize;
    decision.old.nWriteTime = entry.nWriteTime;
    decision.bMaybeLinked = match != SourceMatch::No;
    decision.dwError = Foresee(nFile);
    Take(decision);
    return decision;
}

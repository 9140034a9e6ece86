#include "links/LinkUndo.h"

#include "files/ErrorCode.h"
#include "files/PathRules.h"
#include "files/TempName.h"
#include "links/LinkPair.h"

namespace {

bool IsNotFound(DWORD dwError)
{
    return dwError == ERROR_FILE_NOT_FOUND || dwError == ERROR_PATH_NOT_FOUND;
}

// Where the run's link waits in the kept folder while the old file takes
// its name back; a kept file of that name (a source called so) only makes
// the pair fail, for a move never replaces.
CString AsideName(const CString& strName)
{
    return L"~Quillon-Link-" + strName;
}

}  // namespace

void CLinkUndoer::BeginFolder(int nFolder, std::unique_ptr<ILinkFolder> folder, DWORD dwOpenError)
{
    m_nFolder = nFolder;
    m_folder = std::move(folder);
    m_dwFolderError = m_folder != nullptr ? ERROR_SUCCESS : FailureCode(dwOpenError);
    m_kept.reset();
    m_dwKeptError = m_folder != nullptr ? m_folder->OpenFolder(MakeKeptFolderName(m_record.nTime), m_kept)
                                        : m_dwFolderError;
}

void CLinkUndoer::EndFolder()
{
    // Only an empty kept folder goes: what is still in it stays kept. A link
    // just removed may keep its name a moment longer, while another worker
    // holds its file open.
    for (int nTry = 0; m_kept != nullptr && m_kept->RemoveEmpty() == ERROR_DIR_NOT_EMPTY && nTry < 20; ++nTry)
        ::Sleep(5);
    m_kept.reset();
    m_folder.reset();
}

CLinkUndoer::AtName CLinkUndoer::LookAtName(ILinkFolder& folder, const CString& strName, int nFile,
                                            std::unique_ptr<ILinkEntry>& entry, DWORD& dwError)
{
    LinkEntryInfo found;
    dwError = folder.FindEntry(strName, found);
    if (IsNotFound(dwError))
        return AtName::Nothing;
    if (dwError == ERROR_SUCCESS)
        dwError = folder.OpenEntry(strName, EntryAccess::Change, entry);
    // A folder, or what cannot be opened, is nothing this run made.
    if (dwError == ERROR_ACCESS_DENIED && (found.dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return AtName::Other;
    LinkFileInfo info;
    if (dwError == ERROR_SUCCESS)
        dwError = entry->Query(info);
    if (dwError != ERROR_SUCCESS)
        return AtName::Unknown;
    const RecordedSource& source = m_record.sources[static_cast<size_t>(nFile)];
    if (m_record.kind == LinkKind::Hard)
    {
        if (CompareFiles(info.id, source.id) != Sameness::Same || info.id.nVolume != source.id.nVolume)
            return AtName::Other;
        return info.nLinks > 1 ? AtName::RunsLink : AtName::LastName;
    }
    LinkTargetPath target;
    if ((info.dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 || entry->ReadLink(target) != ERROR_SUCCESS ||
        target.bRelative || source.strNtPath.IsEmpty() ||
        MakeFoldedPath(target.strSubstitute) != MakeFoldedPath(source.strNtPath))
        return AtName::Other;
    return AtName::RunsLink;
}

DWORD CLinkUndoer::Relink(const CString& strName, int nFile)
{
    return MakeLinkIn(*m_folder, m_record.kind, strName, m_record.sources[static_cast<size_t>(nFile)].strPath);
}

LinkPairResult CLinkUndoer::Undo(int nFile)
{
    LinkPairResult result;
    const long long nPair = m_record.PairOf(m_nFolder, nFile);
    if (m_record.undone.count(nPair) != 0)
        return result;
    const bool bMade = m_record.IsMade(nPair);
    const bool bReplaced = m_record.IsReplaced(nPair);
    const CString& strName = m_record.sources[static_cast<size_t>(nFile)].strName;
    LinkEntryInfo kept;
    DWORD dwKept = m_kept != nullptr ? m_kept->FindEntry(strName, kept) : m_dwKeptError;
    // Only a file under exactly its name is the one kept for this pair.
    if (dwKept == ERROR_SUCCESS && (kept.strName != strName || (kept.dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0))
        dwKept = ERROR_FILE_NOT_FOUND;
    const bool bKept = dwKept == ERROR_SUCCESS;
    // An undo cut off between putting the old file back and removing the
    // link it changed places with is finished first.
    std::unique_ptr<ILinkEntry> aside;
    DWORD dwAside = 0;
    const bool bAsideLeft = m_kept != nullptr && bReplaced &&
                            LookAtName(*m_kept, AsideName(strName), nFile, aside, dwAside) == AtName::RunsLink &&
                            aside->Delete() == ERROR_SUCCESS;
    if (!bMade && !bReplaced && !bKept)
        return result;
    if (bAsideLeft && !bKept)
    {
        result.undo = UndoStep::PutBack;
        return result;
    }
    result.nKeptTime = bKept ? m_record.nTime : 0;
    if (m_folder == nullptr)
    {
        result.undo = UndoStep::Failed;
        result.dwError = m_dwFolderError;
        return result;
    }
    if (bKept)
        return PutBack(nFile, result, kept);
    if (bReplaced)
    {
        // The run's link stays: without the old file it is all the name has.
        result.undo = UndoStep::KeptGone;
        result.dwError = IsNotFound(dwKept) ? ERROR_SUCCESS : dwKept;
        return result;
    }
    std::unique_ptr<ILinkEntry> entry;
    DWORD dwError = 0;
    switch (LookAtName(*m_folder, strName, nFile, entry, dwError))
    {
    case AtName::Nothing:
        result.undo = UndoStep::LinkGone;
        break;
    case AtName::RunsLink:
        result.dwError = entry->Delete();
        result.undo = result.dwError == ERROR_SUCCESS ? UndoStep::LinkRemoved : UndoStep::Failed;
        break;
    case AtName::LastName:
        result.undo = UndoStep::LastName;
        break;
    case AtName::Other:
        result.undo = UndoStep::Changed;
        break;
    case AtName::Unknown:
        result.undo = UndoStep::Failed;
        result.dwError = FailureCode(dwError);
        break;
    }
    return result;
}

LinkPairResult CLinkUndoer::PutBack(int nFile, LinkPairResult result, const LinkEntryInfo& kept)
{
    const CString& strName = m_record.sources[static_cast<size_t>(nFile)].strName;
    result.nSize = kept.nSize;
    std::unique_ptr<ILinkEntry> link;
    DWORD dwError = 0;
    const AtName at = LookAtName(*m_folder, strName, nFile, link, dwError);
    if (at == AtName::Other || at == AtName::LastName || at == AtName::Unknown)
    {
        result.undo = at == AtName::Unknown ? UndoStep::Failed : UndoStep::Changed;
        result.dwError = at == AtName::Unknown ? FailureCode(dwError) : ERROR_SUCCESS;
        return result;
    }
    std::unique_ptr<ILinkEntry> old;
    dwError = m_kept->OpenEntry(strName, EntryAccess::Change, old);
    // The run's link changes places with the old file, then goes from the
    // kept folder: a removed name may stay until every handle on its file
    // is closed (another worker's on the same source, say), a moved one
    // never does.
    const CString strAside = AsideName(strName);
    if (dwError == ERROR_SUCCESS && at == AtName::RunsLink)
        dwError = link->MoveTo(*m_kept, strAside);
    if (dwError == ERROR_SUCCESS)
    {
        dwError = old->MoveTo(*m_folder, strName);
        // The name is as the run left it, or the old file is back.
        if (dwError != ERROR_SUCCESS && at == AtName::RunsLink && link->MoveTo(*m_folder, strName) != ERROR_SUCCESS)
            static_cast<void>(Relink(strName, nFile));  // the line says the old file is still kept
        else if (dwError == ERROR_SUCCESS && at == AtName::RunsLink)
            static_cast<void>(link->Delete());  // a link left in the kept folder keeps it, and is said to be kept
    }
    result.dwError = dwError;
    result.undo = dwError == ERROR_SUCCESS ? UndoStep::PutBack : UndoStep::Failed;
    if (dwError == ERROR_SUCCESS)
        result.nKeptTime = 0;
    return result;
}

#include "links/LinkUndo.h"

#include "files/ErrorCode.h"
#include "files/PathRules.h"
#include "files/RelativePath.h"
#include "files/TempName.h"
#include "links/LinkPair.h"

#include <vector>

namespace {

bool IsNotFound(DWORD dwError)
{
    return dwError == ERROR_FILE_NOT_FOUND || dwError == ERROR_PATH_NOT_FOUND;
}

// What a kept folder keeps: files and links to folders; a real folder in
// it is one of its parts.
bool IsKeptEntry(DWORD dwAttributes)
{
    return (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || (dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
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
    // Each folder listed once: a name listed as it is stored is opened at
    // once; any other is looked up (it may be another file's short name).
    m_listed.clear();
    m_kepts.clear();
    std::vector<LinkEntryInfo> entries;
    m_bListed = m_folder != nullptr && m_folder->ListEntries(entries) == ERROR_SUCCESS;
    for (const LinkEntryInfo& entry : entries)
        m_listed.insert(entry.strName.GetString());
    entries.clear();
    m_parts.clear();
    m_bKeptListed = m_kept != nullptr && m_kept->ListEntries(entries) == ERROR_SUCCESS;
    for (const LinkEntryInfo& entry : entries)
        if (IsKeptEntry(entry.dwAttributes))
            m_kepts.emplace(entry.strName.GetString(), KeptFile{entry, m_kept.get(), 0});
    if (m_kept != nullptr)
        OpenParts(entries);
}

void CLinkUndoer::OpenParts(const std::vector<LinkEntryInfo>& entries)
{
    std::vector<int> numbers;
    for (const LinkEntryInfo& entry : entries)
        if (!IsKeptEntry(entry.dwAttributes) && GetKeptPartNumber(entry.strName) != 0)
            numbers.push_back(GetKeptPartNumber(entry.strName));
    // Unlisted, the parts are tried in turn, as a run makes them; a file
    // kept under a part's name stands for a part the run could not make.
    for (int nPart = 2; !m_bKeptListed; ++nPart)
    {
        std::unique_ptr<ILinkFolder> part;
        LinkEntryInfo file;
        if (m_kept->OpenFolder(MakeKeptPartName(nPart), part) == ERROR_SUCCESS)
            m_parts.emplace_back(nPart, std::move(part));
        else if (m_kept->FindEntry(MakeKeptPartName(nPart), file) != ERROR_SUCCESS || !IsKeptEntry(file.dwAttributes))
            break;
    }
    for (const int nPart : numbers)
    {
        std::unique_ptr<ILinkFolder> part;
        std::vector<LinkEntryInfo> files;
        if (m_kept->OpenFolder(MakeKeptPartName(nPart), part) != ERROR_SUCCESS)
            continue;
        // A part that cannot be listed is looked in name by name.
        if (part->ListEntries(files) != ERROR_SUCCESS)
            m_bKeptListed = false;
        for (const LinkEntryInfo& file : files)
            m_kepts.emplace(file.strName.GetString(), KeptFile{file, part.get(), nPart});
        m_parts.emplace_back(nPart, std::move(part));
    }
}

DWORD CLinkUndoer::FindKept(const CString& strName, KeptFile& kept)
{
    if (m_kept == nullptr)
        return m_dwKeptError;
    if (m_bKeptListed)
    {
        const auto it = m_kepts.find(strName.GetString());
        if (it == m_kepts.end())
            return ERROR_FILE_NOT_FOUND;
        kept = it->second;
        return ERROR_SUCCESS;
    }
    kept = KeptFile{LinkEntryInfo(), m_kept.get(), 0};
    DWORD dwError = m_kept->FindEntry(strName, kept.info);
    const auto isFile = [&kept](DWORD dwFound) {
        return dwFound == ERROR_SUCCESS && IsKeptEntry(kept.info.dwAttributes);
    };
    for (size_t i = 0; !isFile(dwError) && (IsNotFound(dwError) || dwError == ERROR_SUCCESS) && i < m_parts.size();
         ++i)
    {
        kept = KeptFile{LinkEntryInfo(), m_parts[i].second.get(), m_parts[i].first};
        dwError = m_parts[i].second->FindEntry(strName, kept.info);
    }
    return dwError;
}

void CLinkUndoer::EndFolder()
{
    // Only an empty kept folder goes: what is still in it stays kept.
    for (auto& part : m_parts)
        static_cast<void>(part.second->RemoveEmpty());  // not empty: it stays
    m_parts.clear();
    if (m_kept != nullptr)
        static_cast<void>(m_kept->RemoveEmpty());  // not empty: it stays, and is said to
    m_kept.reset();
    m_folder.reset();
}

CLinkUndoer::AtName CLinkUndoer::LookAtName(ILinkFolder& folder, const CString& strName, int nFile,
                                            std::unique_ptr<ILinkEntry>& entry, DWORD& dwError)
{
    LinkEntryInfo found;
    const bool bListedAsIs = &folder == m_folder.get() && m_bListed && m_listed.count(strName.GetString()) != 0;
    dwError = bListedAsIs ? folder.OpenEntry(strName, EntryAccess::Change, entry) : folder.FindEntry(strName, found);
    if (IsNotFound(dwError))
        return AtName::Nothing;
    // Another entry's short name is not the name the run linked.
    if (!bListedAsIs && dwError == ERROR_SUCCESS && found.strName != strName)
        return AtName::Other;
    if (!bListedAsIs && dwError == ERROR_SUCCESS)
        dwError = folder.OpenEntry(strName, EntryAccess::Change, entry);
    // A folder, or what cannot be opened, is nothing this run made.
    if (dwError != ERROR_SUCCESS && bListedAsIs && folder.FindEntry(strName, found) == ERROR_SUCCESS &&
        (found.dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return AtName::Other;
    if (dwError == ERROR_ACCESS_DENIED && (found.dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return AtName::Other;
    LinkFileInfo info;
    if (dwError == ERROR_SUCCESS)
        dwError = entry->Query(info);
    if (dwError != ERROR_SUCCESS)
        return AtName::Unknown;
    const RecordedSource& source = m_record.sources[static_cast<size_t>(nFile)];
    // A link to a folder is a junction or a symbolic link: what it holds tells.
    const bool bLinkToFolder = (info.dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (m_record.kind == LinkKind::Hard && !bLinkToFolder)
    {
        if (CompareFiles(info.id, source.id) != Sameness::Same || info.id.nVolume != source.id.nVolume)
            return AtName::Other;
        return info.nLinks > 1 ? AtName::RunsLink : AtName::LastName;
    }
    // A relative link leads where it resolves from its folder.
    LinkTargetPath target;
    if ((info.dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 || entry->ReadLink(target) != ERROR_SUCCESS ||
        source.strNtPath.IsEmpty())
        return AtName::Other;
    const CString strHeld =
        target.bRelative ? MakeNtPath(ResolveRelativePath(m_record.folders[static_cast<size_t>(m_nFolder)], target.strSubstitute))
                         : target.strSubstitute;
    if (MakeFoldedPath(strHeld) != MakeFoldedPath(source.strNtPath))
        return AtName::Other;
    return AtName::RunsLink;
}

DWORD CLinkUndoer::Relink(const CString& strName, int nFile)
{
    // A folder source is recorded as listed, with its trailing backslash.
    const CString& strPath = m_record.sources[static_cast<size_t>(nFile)].strPath;
    if (strPath.GetLength() > 3 && strPath[strPath.GetLength() - 1] == L'\\')
        return MakeFolderLinkIn(*m_folder, m_record.kind, strName, strPath.Left(strPath.GetLength() - 1));
    return MakeLinkIn(*m_folder, m_record.kind, strName, strPath);
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
    KeptFile kept;
    DWORD dwKept = FindKept(strName, kept);
    // Only a file under exactly its name is the one kept for this pair.
    if (dwKept == ERROR_SUCCESS &&
        (kept.info.strName != strName || !IsKeptEntry(kept.info.dwAttributes)))
        dwKept = ERROR_FILE_NOT_FOUND;
    const bool bKept = dwKept == ERROR_SUCCESS;
    if (!bMade && !bReplaced && !bKept)
        return result;
    result.nKeptTime = bKept ? m_record.nTime : 0;
    result.nKeptPart = bKept ? kept.nPart : 0;
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

LinkPairResult CLinkUndoer::PutBack(int nFile, LinkPairResult result, const KeptFile& kept)
{
    const CString& strName = m_record.sources[static_cast<size_t>(nFile)].strName;
    result.nSize = kept.info.nSize;
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
    dwError = kept.pFolder->OpenEntry(strName, EntryAccess::Change, old);
    if (dwError == ERROR_SUCCESS && at == AtName::RunsLink)
        dwError = link->Delete();
    if (dwError == ERROR_SUCCESS)
    {
        dwError = old->MoveTo(*m_folder, strName);
        // Where the system removes a name only when the last handle on its
        // file closes (Wine; Windows before 10), another worker's handle on
        // the same source keeps the link's name a moment longer.
        for (int nTry = 0; dwError == ERROR_ALREADY_EXISTS && at == AtName::RunsLink && nTry < 20; ++nTry)
        {
            ::Sleep(nTry < 5 ? 0 : 5);
            dwError = old->MoveTo(*m_folder, strName);
        }
        // The name is as the run left it, or the old file is back; where
        // neither could be, the undo can be done again: the name is free
        // and the old file kept.
        if (dwError != ERROR_SUCCESS && at == AtName::RunsLink)
            static_cast<void>(Relink(strName, nFile));  // the line says the old file is still kept
    }
    result.dwError = dwError;
    result.undo = dwError == ERROR_SUCCESS ? UndoStep::PutBack : UndoStep::Failed;
    if (dwError == ERROR_SUCCESS)
    {
        result.nKeptTime = 0;
        result.nKeptPart = 0;
    }
    return result;
}

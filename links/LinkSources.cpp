#include "links/LinkSources.h"

#include "files/ErrorCode.h"
#include "files/PathRules.h"

namespace {

bool IsNotFound(DWORD dwError)
{
    return dwError == ERROR_FILE_NOT_FOUND || dwError == ERROR_PATH_NOT_FOUND;
}

std::wstring Folded(const CString& strName)
{
    return MakeFoldedPath(strName).GetString();
}

}  // namespace

struct CLinkSources::Source
{
    CString strPath;
    CString strName;
    CString strNtPath;
    // Listed as a folder; where it leads, links followed (folded).
    bool bFolder = false;
    bool bOnNetwork = false;
    std::wstring strFinal;
    int nNameClass = 0;
    // Why the entry could not be identified; a source not found has none.
    DWORD dwError = 0;
    LinkFileInfo entry;
    // Links this run has taken for the source's file.
    std::atomic<int> nTaken{0};
};

CLinkSources::CLinkSources(const ILinkPathList& files)
    : m_nCount(files.GetCount() > 0 ? files.GetCount() : 0), m_sources(new Source[static_cast<size_t>(m_nCount)])
{
    for (int j = 0; j < m_nCount; ++j)
    {
        Source& source = m_sources[j];
        source.strPath = files.GetAt(j);
        // A folder keeps its root's backslash ("C:\\"): it has no name to link.
        while (source.strPath.GetLength() > 3 && source.strPath[source.strPath.GetLength() - 1] == L'\\')
        {
            source.strPath = source.strPath.Left(source.strPath.GetLength() - 1);
            source.bFolder = true;
        }
        source.bFolder = source.bFolder || (!source.strPath.IsEmpty() && source.strPath[source.strPath.GetLength() - 1] == L'\\');
        source.strName = GetFileName(source.strPath);
    }
}

CString CLinkSources::GetListedPath(int nFile) const
{
    const Source& source = m_sources[nFile];
    return source.bFolder && source.strPath.Right(1) != L"\\" ? source.strPath + L"\\" : source.strPath;
}

bool CLinkSources::IsFolder(int nFile) const
{
    return m_sources[nFile].bFolder;
}

bool CLinkSources::IsOnNetwork(int nFile) const
{
    return m_sources[nFile].bOnNetwork;
}

bool CLinkSources::ContainsFolder(int nFile, const CString& strListed, const CString& strFinal) const
{
    const Source& source = m_sources[nFile];
    if (!source.bFolder)
        return false;
    const auto within = [](const std::wstring& strFolder, const std::wstring& strOuter) {
        if (strOuter.empty())
            return false;
        const std::wstring strPrefix = strOuter.back() == L'\\' ? strOuter : strOuter + L'\\';
        const std::wstring strInner = strFolder.empty() || strFolder.back() == L'\\' ? strFolder : strFolder + L'\\';
        return strInner.compare(0, strPrefix.size(), strPrefix) == 0;
    };
    return within(Folded(strListed), Folded(source.strPath)) ||
           (!strFinal.IsEmpty() && within(Folded(strFinal), source.strFinal));
}

CLinkSources::~CLinkSources() = default;

const CString& CLinkSources::GetPath(int nFile) const
{
    return m_sources[nFile].strPath;
}

const CString& CLinkSources::GetName(int nFile) const
{
    return m_sources[nFile].strName;
}

int CLinkSources::GetNameClass(int nFile) const
{
    return m_sources[nFile].nNameClass;
}

const CString& CLinkSources::GetNtPath(int nFile) const
{
    return m_sources[nFile].strNtPath;
}

LinkFileId CLinkSources::GetFolderId(ILinkFileSystem& fs, const CString& strFolder, DWORD& dwError)
{
    const std::wstring strKey = Folded(strFolder);
    auto it = m_folderIds.find(strKey);
    if (it == m_folderIds.end())
    {
        LinkFileInfo info;
        DWORD dwFolderError = strFolder.IsEmpty() ? static_cast<DWORD>(ERROR_INVALID_NAME)
                                                  : fs.GetFileInfo(strFolder, Follow::Yes, info);
        if (dwFolderError == ERROR_SUCCESS && !info.id.IsKnown())
            dwFolderError = ERROR_INVALID_FUNCTION;
        it = m_folderIds.emplace(strKey, std::make_pair(dwFolderError, info.id)).first;
    }
    dwError = it->second.first;
    return it->second.second;
}

void CLinkSources::AddPlace(const Place& place)
{
    m_places.push_back(place);
    if (place.bNameKnown)
        m_placesByName.emplace(place.strFoldedName, m_places.size() - 1);
    else
        m_namelessPlaces.push_back(m_places.size() - 1);
}

void CLinkSources::Identify(ILinkFileSystem& fs)
{
    // The stored names of a folder's sources, from one listing of it (a
    // look per name costs more once a few names are asked): by folded
    // stored and short name, each with the entries it finds.
    std::unordered_map<std::wstring, std::unordered_multimap<std::wstring, CString>> listings;
    const auto storedName = [&fs, &listings](const CString& strFolder, const CString& strName, CString& strStored) {
        auto listing = listings.find(Folded(strFolder));
        if (listing == listings.end())
        {
            listing = listings.emplace(Folded(strFolder), std::unordered_multimap<std::wstring, CString>()).first;
            std::unique_ptr<ILinkFolder> folder;
            std::vector<LinkEntryInfo> entries;
            if (!strFolder.IsEmpty() && fs.OpenFolder(strFolder, folder) == ERROR_SUCCESS &&
                folder->ListEntries(entries) == ERROR_SUCCESS)
            {
                for (const LinkEntryInfo& entry : entries)
                {
                    listing->second.emplace(Folded(entry.strName), entry.strName);
                    if (!entry.strShortName.IsEmpty())
                        listing->second.emplace(Folded(entry.strShortName), entry.strName);
                }
            }
        }
        // The entry the name finds: itself where it is there as written, the
        // one entry it folds to otherwise.
        const auto range = listing->second.equal_range(Folded(strName));
        size_t nFound = 0;
        for (auto it = range.first; it != range.second; ++it, ++nFound)
        {
            strStored = it->second;
            if (it->second == strName)
                return true;
        }
        return nFound == 1;
    };
    std::unordered_map<std::wstring, int> nameClasses;
    for (int j = 0; j < m_nCount; ++j)
    {
        Source& source = m_sources[j];
        const CString strListedName = source.strName;
        const CString strFolder = source.strPath.Left(source.strPath.GetLength() - strListedName.GetLength());
        CString strStored;
        const bool bStored = IsPlainEntryName(strListedName) &&
                             ((storedName(strFolder, strListedName, strStored) ||
                               fs.GetStoredName(source.strPath, strStored) == ERROR_SUCCESS) &&
                              !strStored.IsEmpty());
        if (bStored)
            source.strName = strStored;
        source.nNameClass =
            nameClasses.emplace(Folded(source.strName), static_cast<int>(nameClasses.size())).first->second;
        source.strNtPath = MakeNtPath(source.strPath);
        if (source.bFolder)
        {
            CString strFinal;
            if (fs.GetFinalPath(source.strPath, strFinal) == ERROR_SUCCESS)
                source.strFinal = Folded(strFinal);
            source.bOnNetwork = fs.IsOnNetwork(source.strPath);
        }

        source.dwError = fs.GetFileInfo(source.strPath, Follow::No, source.entry);
        if (source.dwError != ERROR_SUCCESS)
        {
            // Not there: nothing can be it. Not readable: whatever carries
            // its name may be it.
            if (!IsNotFound(source.dwError))
                m_unknownByName.emplace(Folded(source.strName), j);
            continue;
        }
        Place own;
        own.nFile = j;
        own.bNameKnown = bStored;
        own.strFoldedName = Folded(source.strName);
        own.id = source.entry.id;
        own.folder = GetFolderId(fs, strFolder, own.dwError);
        AddPlace(own);
        if (!(source.entry.dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            continue;
        // A link: what it leads to is a source too. One that leads nowhere
        // protects nothing more; one that cannot be followed leaves open
        // what it leads to.
        LinkFileInfo lead;
        const DWORD dwLeadError = fs.GetFileInfo(source.strPath, Follow::Yes, lead);
        if (dwLeadError != ERROR_SUCCESS)
        {
            if (!IsNotFound(dwLeadError))
            {
                source.dwError = dwLeadError;
                m_unknownByName.emplace(Folded(source.strName), j);
            }
            continue;
        }
        if (CompareFiles(lead.id, source.entry.id) == Sameness::Same)
            continue;
        Place leads;
        leads.nFile = j;
        leads.id = lead.id;
        CString strFinal;
        leads.dwError = fs.GetFinalPath(source.strPath, strFinal);
        if (leads.dwError == ERROR_SUCCESS)
        {
            const CString strName = GetFileName(strFinal);
            leads.bNameKnown = true;
            leads.strFoldedName = Folded(strName);
            leads.folder = GetFolderId(fs, strFinal.Left(strFinal.GetLength() - strName.GetLength()), leads.dwError);
        }
        AddPlace(leads);
    }
}

SourceCheck CLinkSources::FindSourceAt(const LinkFileId* pFolder, const CString& strName,
                                       const LinkFileId& entry) const
{
    SourceCheck check;
    const std::wstring strFolded = Folded(strName);
    // A source that could not be identified may be this very entry if it
    // carries its name.
    const auto unknown = m_unknownByName.find(strFolded);
    if (unknown != m_unknownByName.end())
        return {SourceAnswer::CannotTell, FailureCode(m_sources[unknown->second].dwError)};
    // A place whose name is not known is this entry unless the files differ.
    for (size_t nPlace : m_namelessPlaces)
    {
        if (CompareFiles(m_places[nPlace].id, entry) != Sameness::Different)
        {
            const DWORD dwError = m_places[nPlace].dwError;
            return {SourceAnswer::CannotTell, dwError != ERROR_SUCCESS ? dwError : ERROR_CANT_ACCESS_FILE};
        }
    }
    // An entry is a name in a folder: another name of the same file is
    // another entry, and so is the same name in another folder. Folders are
    // compared by their id alone, since Wine makes volume serials up per
    // drive letter.
    const auto range = m_placesByName.equal_range(strFolded);
    for (auto it = range.first; it != range.second; ++it)
    {
        const Place& place = m_places[it->second];
        if (CompareFiles(place.id, entry) == Sameness::Different)
            continue;
        if (place.dwError != ERROR_SUCCESS)
            return {SourceAnswer::CannotTell, place.dwError};
        const Sameness folder = pFolder != nullptr ? CompareFiles(place.folder, *pFolder) : Sameness::Unknown;
        if (folder == Sameness::Same)
            return {SourceAnswer::Yes, 0};
        if (folder == Sameness::Unknown)
            return {SourceAnswer::CannotTell, ERROR_CANT_ACCESS_FILE};
    }
    return check;
}

SourceMatch CLinkSources::MatchEntryFile(int nFile, const LinkFileId& file) const
{
    const Source& source = m_sources[nFile];
    if (source.dwError != ERROR_SUCCESS || CompareFiles(source.entry.id, file) != Sameness::Same)
        return SourceMatch::No;
    return source.entry.id.nVolume == file.nVolume ? SourceMatch::Yes : SourceMatch::Maybe;
}

DWORD CLinkSources::GetEntryInfo(int nFile, LinkFileInfo& info) const
{
    const Source& source = m_sources[nFile];
    info = source.entry;
    return source.dwError;
}

DWORD CLinkSources::GetLinkCount(int nFile) const
{
    const Source& source = m_sources[nFile];
    return source.entry.nLinks + static_cast<DWORD>(source.nTaken.load(std::memory_order_relaxed));
}

void CLinkSources::TakeLink(int nFile)
{
    m_sources[nFile].nTaken.fetch_add(1, std::memory_order_relaxed);
}

void CLinkSources::GiveBackLink(int nFile)
{
    m_sources[nFile].nTaken.fetch_sub(1, std::memory_order_relaxed);
}

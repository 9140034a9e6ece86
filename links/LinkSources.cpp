#include "links/LinkSources.h"

#include "files/PathRules.h"

namespace {

bool IsNotFound(DWORD dwError)
{
    return dwError == ERROR_FILE_NOT_FOUND || dwError == ERROR_PATH_NOT_FOUND;
}

// A failure never reads as success.
DWORD FailureCode(DWORD dwError)
{
    return dwError != ERROR_SUCCESS ? dwError : ERROR_GEN_FAILURE;
}

// Keys of the index: the source's number, and whether the file is the one
// its entry leads to.
int OwnKey(int nFile)
{
    return nFile * 2;
}

int LeadKey(int nFile)
{
    return nFile * 2 + 1;
}

}  // namespace

struct CLinkSources::Source
{
    CString strPath;
    CString strListedName;
    // Written once under m_naming, read-only once bNamed says so.
    std::atomic<bool> bNamed{false};
    CString strName;
    int nNameClass = 0;
    // Written once under m_identifying, read-only after. dwError is why the
    // entry could not be identified; a source not found has no entry.
    DWORD dwError = 0;
    LinkFileInfo entry;
    bool bLeads = false;
    LinkFileInfo lead;
    // Guarded by m_lookups.
    bool bOwnPlaceTried = false;
    Place ownPlace;
    bool bLeadPlaceTried = false;
    Place leadPlace;
};

CLinkSources::CLinkSources(const ILinkPathList& files)
    : m_nCount(files.GetCount() > 0 ? files.GetCount() : 0),
      m_sources(new Source[static_cast<size_t>(m_nCount)]),
      m_bIdentified(false)
{
    for (int j = 0; j < m_nCount; ++j)
    {
        m_sources[j].strPath = files.GetAt(j);
        m_sources[j].strListedName = GetFileName(m_sources[j].strPath);
    }
}

CLinkSources::~CLinkSources() = default;

const CString& CLinkSources::GetPath(int nFile) const
{
    return m_sources[nFile].strPath;
}

const CString& CLinkSources::GetName(ILinkFileSystem& fs, int nFile)
{
    Source& source = m_sources[nFile];
    if (source.bNamed.load(std::memory_order_acquire))
        return source.strName;
    std::lock_guard<std::mutex> naming(m_naming);
    if (!source.bNamed.load(std::memory_order_relaxed))
    {
        CString strStored;
        const bool bStored = fs.GetStoredName(source.strPath, strStored) == ERROR_SUCCESS && !strStored.IsEmpty();
        const CString strName = bStored ? strStored : source.strListedName;
        const std::wstring strFolded = MakeFoldedPath(strName).GetString();
        int nClass = 0;
        {
            std::lock_guard<std::mutex> lock(m_lookups);
            nClass = m_nameClasses.emplace(strFolded, static_cast<int>(m_nameClasses.size())).first->second;
        }
        source.strName = strName;
        source.nNameClass = nClass;
        source.bNamed.store(true, std::memory_order_release);
    }
    return source.strName;
}

int CLinkSources::GetNameClass(ILinkFileSystem& fs, int nFile)
{
    GetName(fs, nFile);
    return m_sources[nFile].nNameClass;
}

const CString& CLinkSources::GetKnownName(int nFile) const
{
    const Source& source = m_sources[nFile];
    return source.strName.IsEmpty() ? source.strListedName : source.strName;
}

void CLinkSources::Identify(ILinkFileSystem& fs)
{
    if (m_bIdentified.load(std::memory_order_acquire))
        return;
    std::lock_guard<std::mutex> identifying(m_identifying);
    if (m_bIdentified.load(std::memory_order_relaxed))
        return;
    m_byIndex.clear();
    m_unknown.clear();
    {
        for (int j = 0; j < m_nCount; ++j)
        {
            Source& source = m_sources[j];
            source.dwError = fs.GetFileInfo(source.strPath, false, source.entry);
            if (source.dwError != ERROR_SUCCESS)
            {
                if (!IsNotFound(source.dwError))
                    m_unknown.push_back(j);
                continue;
            }
            m_byIndex.emplace(source.entry.id.nIndex, OwnKey(j));
            if (!(source.entry.dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                continue;
            // A link: what it leads to is a source too. One that leads
            // nowhere protects nothing more; one that cannot be followed
            // leaves open what it leads to.
            const DWORD dwLeadError = fs.GetFileInfo(source.strPath, true, source.lead);
            if (dwLeadError == ERROR_SUCCESS && source.lead.id.nIndex != source.entry.id.nIndex)
            {
                source.bLeads = true;
                m_byIndex.emplace(source.lead.id.nIndex, LeadKey(j));
            }
            else if (dwLeadError != ERROR_SUCCESS && !IsNotFound(dwLeadError))
            {
                source.dwError = dwLeadError;
                m_unknown.push_back(j);
            }
        }
    }
    m_bIdentified.store(true, std::memory_order_release);
}

ULONGLONG CLinkSources::GetFolderIndex(ILinkFileSystem& fs, const CString& strFolder, DWORD& dwError)
{
    // Under m_lookups.
    const std::wstring strKey = MakeFoldedPath(strFolder).GetString();
    auto it = m_folderIndices.find(strKey);
    if (it == m_folderIndices.end())
    {
        LinkFileInfo info;
        DWORD dwFolderError = strFolder.IsEmpty() ? ERROR_INVALID_NAME : fs.GetFileInfo(strFolder, true, info);
        if (dwFolderError == ERROR_SUCCESS && info.id.nIndex == 0)
            dwFolderError = ERROR_INVALID_FUNCTION;
        it = m_folderIndices.emplace(strKey, std::make_pair(dwFolderError, info.id.nIndex)).first;
    }
    dwError = it->second.first;
    return it->second.second;
}

CLinkSources::Place CLinkSources::GetOwnPlace(ILinkFileSystem& fs, int nFile)
{
    const std::wstring strFolded = MakeFoldedPath(GetName(fs, nFile)).GetString();
    std::lock_guard<std::mutex> lock(m_lookups);
    Source& source = m_sources[nFile];
    if (!source.bOwnPlaceTried)
    {
        source.bOwnPlaceTried = true;
        source.ownPlace.strFoldedName = strFolded;
        const CString strFolder =
            source.strPath.Left(source.strPath.GetLength() - source.strListedName.GetLength());
        source.ownPlace.nFolderIndex = GetFolderIndex(fs, strFolder, source.ownPlace.dwError);
    }
    return source.ownPlace;
}

CLinkSources::Place CLinkSources::GetLeadPlace(ILinkFileSystem& fs, int nFile)
{
    std::lock_guard<std::mutex> lock(m_lookups);
    Source& source = m_sources[nFile];
    if (!source.bLeadPlaceTried)
    {
        source.bLeadPlaceTried = true;
        CString strFinal;
        source.leadPlace.dwError = fs.GetFinalPath(source.strPath, strFinal);
        if (source.leadPlace.dwError == ERROR_SUCCESS)
        {
            const CString strName = GetFileName(strFinal);
            source.leadPlace.strFoldedName = MakeFoldedPath(strName).GetString();
            source.leadPlace.nFolderIndex = GetFolderIndex(
                fs, strFinal.Left(strFinal.GetLength() - strName.GetLength()), source.leadPlace.dwError);
        }
        source.leadPlace.dwError = source.leadPlace.dwError != ERROR_SUCCESS ? FailureCode(source.leadPlace.dwError)
                                                                             : ERROR_SUCCESS;
    }
    return source.leadPlace;
}

DWORD CLinkSources::FindSourceAt(ILinkFileSystem& fs, const LinkFileId* pFolder, const CString& strName,
                                 ULONGLONG nFileIndex, bool& bIsSource)
{
    bIsSource = false;
    Identify(fs);
    const std::wstring strFolded = MakeFoldedPath(strName).GetString();
    const auto range = m_byIndex.equal_range(nFileIndex);
    for (auto it = range.first; it != range.second; ++it)
    {
        const int nFile = it->second / 2;
        const Place place = it->second == OwnKey(nFile) ? GetOwnPlace(fs, nFile) : GetLeadPlace(fs, nFile);
        // An entry is a name in a folder: another name of the same file is
        // another entry. The folders are compared by their index alone,
        // since Wine makes volume serials up per drive letter.
        if (!place.strFoldedName.empty() && place.strFoldedName != strFolded)
            continue;
        if (place.dwError != ERROR_SUCCESS)
            return FailureCode(place.dwError);
        if (pFolder == nullptr)
            return ERROR_CANT_ACCESS_FILE;
        if (place.nFolderIndex == pFolder->nIndex)
        {
            bIsSource = true;
            return ERROR_SUCCESS;
        }
    }
    // A source that could not be identified may be this very entry if it
    // carries its name.
    for (int nFile : m_unknown)
    {
        if (MakeFoldedPath(GetName(fs, nFile)).GetString() == strFolded)
            return FailureCode(m_sources[nFile].dwError);
    }
    return ERROR_SUCCESS;
}

CLinkSources::Match CLinkSources::MatchEntryFile(ILinkFileSystem& fs, int nFile, const LinkFileId& file)
{
    Identify(fs);
    const Source& source = m_sources[nFile];
    if (source.dwError != ERROR_SUCCESS || source.entry.id.nIndex != file.nIndex)
        return Match::No;
    return source.entry.id.dwVolume == file.dwVolume ? Match::Yes : Match::Maybe;
}

DWORD CLinkSources::GetEntryInfo(ILinkFileSystem& fs, int nFile, LinkFileInfo& info)
{
    Identify(fs);
    const Source& source = m_sources[nFile];
    info = source.entry;
    return source.dwError;
}

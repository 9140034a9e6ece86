#include "links/LinkBatch.h"

#include "links/LinkPrivileges.h"
#include "links/SystemPath.h"

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

CString GetFileName(CString strPath)
{
    // What the runtime's path splitter leaves as name and extension:
    // everything after the last backslash or slash, or after a drive's colon.
    const wchar_t* psz = strPath.GetString();
    int nStart = 0;
    for (int i = 0; psz[i] != L'\0'; ++i)
    {
        if (psz[i] == L'\\' || psz[i] == L'/')
            nStart = i + 1;
    }
    if (nStart == 0 && strPath.GetLength() >= 2 && psz[1] == L':')
        nStart = 2;
    return strPath.Mid(nStart);
}

namespace {

// Attempts at a free temporary name before the pair gives up; a name is
// only ever taken by a call that fails when it exists.
constexpr int kTempNameTries = 16;

// The code a failure is reported with, never 0: a line must not say "OK"
// for a step that failed without saying why.
DWORD FailureCode(DWORD dwError)
{
    return dwError != 0 ? dwError : ERROR_GEN_FAILURE;
}

bool IsNotFound(DWORD dwError)
{
    return dwError == ERROR_FILE_NOT_FOUND || dwError == ERROR_PATH_NOT_FOUND;
}

// One run over all pairs, with what the run knows beyond a single pair:
// who its sources are and what it has made so far.
class CLinkRun
{
public:
    CLinkRun(const ILinkPathList& files, bool bSymbolic, int bRemoveExisting, ILinkFileSystem& fs);

    void BeginFolder(const CString& strFolder);
    // The line of the pair (current folder, file nFile).
    CString LinkPair(int nFile);

private:
    struct FolderId
    {
        bool bIdentified = false;
        LinkEntryId id;
    };
    struct Source
    {
        CString strPath;
        CString strName;
        std::wstring strFoldedName;
        bool bIdentified = false;
        DWORD dwError = 0;
        LinkEntryId id;
        bool bFinalTried = false;
        DWORD dwFinalError = 0;
        CString strFoldedFinal;
        // Its folder's identity, once asked for (elements of a node-based
        // map stay where they are).
        const FolderId* pFolder = nullptr;
    };

    CString LinkLine(DWORD dwError, const CString& strTarget) const;
    CString SkipLine(const CString& strSource, const CString& strTarget) const;
    DWORD MakeLink(LPCWSTR pszLink, const CString& strSource);
    DWORD MakeTempLink(const CString& strSource, CString& strTemp);
    void RemoveTemp(const CString& strTemp, const CString& strSource);
    CString ReplaceTarget(const Source& source, const CString& strTarget, const LinkEntryId& targetId,
                          const std::wstring& strKey);
    void IdentifySources();
    bool GetFoldedFinalPath(Source& source);
    const LinkEntryId* GetFolderIdOf(Source& source);
    DWORD IsSameEntry(Source& source, const std::wstring& strFoldedName, const CString& strTarget,
                      const LinkEntryId& targetId, bool& bSame);
    DWORD FindSourceAt(const Source& own, const CString& strTarget, const LinkEntryId& targetId, bool& bIsSource);

    ILinkFileSystem& m_fs;
    const bool m_bSymbolic;
    const bool m_bRemoveExisting;
    std::vector<Source> m_sources;
    bool m_bSourcesIdentified;
    std::unordered_multimap<ULONGLONG, size_t> m_sourcesByIndex;
    // Sources that may exist but could not be identified.
    std::vector<size_t> m_unidentified;
    // The sources' folders, by folded path.
    std::unordered_map<std::wstring, FolderId> m_folderIds;
    CString m_strFolder;
    bool m_bFolderIdentified;
    LinkEntryId m_folderId;
    std::wstring m_strFolderKey;
    // Folder key and folded name of every target this run has made.
    std::unordered_set<std::wstring> m_made;
    std::wstring m_strTempStem;
    unsigned long m_nTempCount;
};

CLinkRun::CLinkRun(const ILinkPathList& files, bool bSymbolic, int bRemoveExisting, ILinkFileSystem& fs)
    : m_fs(fs),
      m_bSymbolic(bSymbolic),
      m_bRemoveExisting(bRemoveExisting != 0),
      m_bSourcesIdentified(false),
      m_bFolderIdentified(false),
      m_nTempCount(0)
{
    const int nFiles = files.GetCount();
    m_sources.resize(static_cast<size_t>(nFiles > 0 ? nFiles : 0));
    for (int j = 0; j < nFiles; ++j)
    {
        Source& source = m_sources[static_cast<size_t>(j)];
        source.strPath = files.GetAt(j);
        source.strName = GetFileName(source.strPath);
        source.strFoldedName = MakeFoldedPath(source.strName).GetString();
    }
    // Process and time in the name keep runs apart; a name that is taken
    // all the same only costs another try.
    m_strTempStem = L"~Quillon-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                    std::to_wstring(::GetTickCount()) + L"-";
}

void CLinkRun::BeginFolder(const CString& strFolder)
{
    m_strFolder = strFolder;
    // Two spellings of one folder are one folder: what the run made there
    // under the one is found under the other.
    m_folderId = LinkEntryId();
    m_bFolderIdentified = m_fs.GetEntryId(strFolder, m_folderId);
    if (m_bFolderIdentified)
        m_strFolderKey = std::to_wstring(m_folderId.dwVolume) + L":" + std::to_wstring(m_folderId.nFileIndex) + L"\\";
    else
        m_strFolderKey = MakeFoldedPath(strFolder).GetString();
}

CString CLinkRun::LinkLine(DWORD dwError, const CString& strTarget) const
{
    CString strLine;
    strLine.Format(m_bSymbolic ? L"SymbolicLink: %s, File: %s, Error: %ld, %s."
                               : L"HardLink: %s, File: %s, Error: %ld, %s.",
                   dwError == 0 ? L"OK" : L"FAILED", strTarget.GetString(), static_cast<long>(dwError),
                   GetErrorText(dwError).GetString());
    return strLine;
}

CString CLinkRun::SkipLine(const CString& strSource, const CString& strTarget) const
{
    // What was skipped, and what is in its way.
    CString strLine;
    strLine.Format(L"Skip: %s, File: %s.", strSource.GetString(), strTarget.GetString());
    return strLine;
}

DWORD CLinkRun::MakeLink(LPCWSTR pszLink, const CString& strSource)
{
    if (!m_bSymbolic)
        return m_fs.CreateHardLink(pszLink, strSource) ? 0 : FailureCode(m_fs.GetLastError());
    if (m_fs.CreateSymbolicLink(pszLink, strSource, LINK_SYMBOLIC_FLAGS))
        return 0;
    DWORD dwError = m_fs.GetLastError();
    // Systems before the unprivileged flag existed reject it.
    if (dwError == ERROR_INVALID_PARAMETER)
        dwError = m_fs.CreateSymbolicLink(pszLink, strSource, 0) ? 0 : m_fs.GetLastError();
    return dwError;
}

DWORD CLinkRun::MakeTempLink(const CString& strSource, CString& strTemp)
{
    DWORD dwError = ERROR_ALREADY_EXISTS;
    for (int nTry = 0; nTry < kTempNameTries && (dwError == ERROR_ALREADY_EXISTS || dwError == ERROR_FILE_EXISTS);
         ++nTry)
    {
        strTemp = m_strFolder + (m_strTempStem + std::to_wstring(++m_nTempCount) + L".tmp").c_str();
        dwError = MakeLink(strTemp, strSource);
    }
    return dwError;
}

void CLinkRun::RemoveTemp(const CString& strTemp, const CString& strSource)
{
    if (m_fs.Delete(strTemp))
        return;
    // A new hard link shares the source's attributes, so a read-only source
    // makes it read-only too; the source keeps its attributes.
    const DWORD dwAttributes = m_fs.GetAttributes(strTemp);
    if (dwAttributes == INVALID_FILE_ATTRIBUTES || !(dwAttributes & FILE_ATTRIBUTE_READONLY))
        return;
    m_fs.SetAttributes(strTemp, FILE_ATTRIBUTE_NORMAL);
    m_fs.Delete(strTemp);
    if (!m_bSymbolic)
        m_fs.SetAttributes(strSource, dwAttributes);
}

void CLinkRun::IdentifySources()
{
    if (m_bSourcesIdentified)
        return;
    m_bSourcesIdentified = true;
    for (size_t j = 0; j < m_sources.size(); ++j)
    {
        Source& source = m_sources[j];
        source.bIdentified = m_fs.GetEntryId(source.strPath, source.id);
        if (source.bIdentified)
        {
            m_sourcesByIndex.emplace(source.id.nFileIndex, j);
            continue;
        }
        source.dwError = FailureCode(m_fs.GetLastError());
        if (!IsNotFound(source.dwError))
            m_unidentified.push_back(j);
    }
}

bool CLinkRun::GetFoldedFinalPath(Source& source)
{
    if (!source.bFinalTried)
    {
        source.bFinalTried = true;
        CString strFinal;
        if (m_fs.GetFinalPath(source.strPath, strFinal))
            source.strFoldedFinal = MakeFoldedPath(strFinal);
        else
            source.dwFinalError = FailureCode(m_fs.GetLastError());
    }
    return source.dwFinalError == 0;
}

const LinkEntryId* CLinkRun::GetFolderIdOf(Source& source)
{
    if (source.pFolder != nullptr)
        return source.pFolder->bIdentified ? &source.pFolder->id : nullptr;
    const CString strFolder = source.strPath.Left(source.strPath.GetLength() - source.strName.GetLength());
    const std::wstring strKey = MakeFoldedPath(strFolder).GetString();
    auto it = m_folderIds.find(strKey);
    if (it == m_folderIds.end())
    {
        FolderId folder;
        folder.bIdentified = !strFolder.IsEmpty() && m_fs.GetEntryId(strFolder, folder.id);
        it = m_folderIds.emplace(strKey, folder).first;
    }
    source.pFolder = &it->second;
    return it->second.bIdentified ? &it->second.id : nullptr;
}

DWORD CLinkRun::IsSameEntry(Source& source, const std::wstring& strFoldedName, const CString& strTarget,
                            const LinkEntryId& targetId, bool& bSame)
{
    bSame = false;
    const bool bSameVolume = source.id.dwVolume == targetId.dwVolume;
    // A file of one name has one entry.
    if (bSameVolume && targetId.nLinks <= 1)
    {
        bSame = true;
        return 0;
    }
    // An entry is a name in a folder: names in two folders are two entries,
    // one name in one folder is one. The volume serials are not trusted
    // where they disagree (Wine makes them up per drive letter).
    const LinkEntryId* pSourceFolder = GetFolderIdOf(source);
    if (pSourceFolder != nullptr && m_bFolderIdentified)
    {
        if (pSourceFolder->nFileIndex != m_folderId.nFileIndex)
            return 0;
        if (bSameVolume && pSourceFolder->dwVolume == m_folderId.dwVolume && source.strFoldedName == strFoldedName)
        {
            bSame = true;
            return 0;
        }
    }
    // Another spelling of the name (a short name, say): the names the system
    // gives both decide.
    CString strTargetFinal;
    if (!m_fs.GetFinalPath(strTarget, strTargetFinal))
        return FailureCode(m_fs.GetLastError());
    if (!GetFoldedFinalPath(source))
        return source.dwFinalError;
    bSame = source.strFoldedFinal == MakeFoldedPath(strTargetFinal);
    return 0;
}

DWORD CLinkRun::FindSourceAt(const Source& own, const CString& strTarget, const LinkEntryId& targetId,
                             bool& bIsSource)
{
    bIsSource = false;
    if (!own.bIdentified)
        return own.dwError;

    const auto range = m_sourcesByIndex.equal_range(targetId.nFileIndex);
    for (auto it = range.first; it != range.second && !bIsSource; ++it)
    {
        const DWORD dwError = IsSameEntry(m_sources[it->second], own.strFoldedName, strTarget, targetId, bIsSource);
        if (dwError != 0)
            return dwError;
    }
    if (bIsSource)
        return 0;
    // A source that could not be identified may be this very entry if it
    // carries the target's name.
    for (size_t j : m_unidentified)
    {
        if (m_sources[j].strFoldedName == own.strFoldedName)
            return m_sources[j].dwError;
    }
    return 0;
}

CString CLinkRun::ReplaceTarget(const Source& source, const CString& strTarget, const LinkEntryId& targetId,
                                const std::wstring& strKey)
{
    // The replacement exists before the old target gives way.
    CString strTemp;
    DWORD dwError = MakeTempLink(source.strPath, strTemp);
    if (dwError != 0)
        return LinkLine(dwError, strTarget);
    // A symbolic-link call that reports success must also have made the link
    // (Wine's does not).
    if (m_bSymbolic && !m_fs.Exists(strTemp))
        return LinkLine(FailureCode(m_fs.GetLastError()), strTarget);

    const DWORD dwSaved = m_fs.GetAttributes(strTarget);
    const bool bSaved = dwSaved != INVALID_FILE_ATTRIBUTES;
    // A read-only file cannot be replaced; attributes that cannot be read
    // could not be put back, so they stay as they are.
    if (bSaved)
        m_fs.SetAttributes(strTarget, FILE_ATTRIBUTE_NORMAL);
    if (!m_fs.Rename(strTemp, strTarget))
    {
        dwError = FailureCode(m_fs.GetLastError());
        if (bSaved)
            m_fs.SetAttributes(strTarget, dwSaved);
        RemoveTemp(strTemp, source.strPath);
        return LinkLine(dwError, strTarget);
    }
    // A rename onto another name of the same file may leave both names in
    // place (POSIX rename does, and so Wine's); the target is linked either
    // way, and the temporary name goes.
    if (!m_bSymbolic && targetId.nFileIndex == source.id.nFileIndex && m_fs.Exists(strTemp))
        RemoveTemp(strTemp, source.strPath);
    if (bSaved && dwSaved != 0)
        m_fs.SetAttributes(strTarget, dwSaved);
    m_made.insert(strKey);
    return LinkLine(0, strTarget);
}

CString CLinkRun::LinkPair(int nFile)
{
    Source& source = m_sources[static_cast<size_t>(nFile)];
    const CString strTarget = m_strFolder + source.strName;
    if (source.strPath.CompareNoCase(strTarget) == 0)
    {
        CString strLine;
        strLine.Format(L"Skip: File: %s.", strTarget.GetString());
        return strLine;
    }

    const std::wstring strKey = m_strFolderKey + source.strFoldedName;
    if (m_made.count(strKey) != 0)
        return SkipLine(source.strPath, strTarget);

    if (!m_fs.Exists(strTarget))
    {
        const DWORD dwError = MakeLink(strTarget, source.strPath);
        if (dwError == 0)
            m_made.insert(strKey);
        return LinkLine(dwError, strTarget);
    }
    if (!m_bRemoveExisting)
        return SkipLine(source.strPath, strTarget);

    LinkEntryId targetId;
    if (!m_fs.GetEntryId(strTarget, targetId))
        return LinkLine(FailureCode(m_fs.GetLastError()), strTarget);
    // A folder is never removed; the link call reports what is in its way.
    if (targetId.dwAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return LinkLine(MakeLink(strTarget, source.strPath), strTarget);

    IdentifySources();
    bool bIsSource = false;
    const DWORD dwError = FindSourceAt(source, strTarget, targetId, bIsSource);
    if (dwError != 0)
        return LinkLine(dwError, strTarget);
    if (bIsSource)
    {
        CString strLine;
        strLine.Format(L"Skip: File: %s.", strTarget.GetString());
        return strLine;
    }
    return ReplaceTarget(source, strTarget, targetId, strKey);
}

}  // namespace

void RunLinkBatch(const ILinkPathList& folders, const ILinkPathList& files, int nLinkType, int bRemoveExisting,
                  ILinkFileSystem& fileSystem, ILinkOutput& output)
{
    const bool bSymbolic = nLinkType == 0 && fileSystem.CanCreateSymbolicLink();
    CLinkRun run(files, bSymbolic, bRemoveExisting, fileSystem);
    const int nFolders = folders.GetCount();
    const int nFiles = files.GetCount();
    for (int i = 0; i < nFolders; ++i)
    {
        run.BeginFolder(folders.GetAt(i));
        for (int j = 0; j < nFiles; ++j)
            output.AddLine(run.LinkPair(j));
        output.EndFolder();
    }
}

#include "links/LinkBatch.h"

#include "links/LinkPrivileges.h"
#include "links/SystemPath.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
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

struct FolderId
{
    bool bIdentified = false;
    LinkEntryId id;
};

// What a run knows of its sources, shared by all who work on one run:
// their names, and, once the first pair needs them, their identities. The
// identities are gathered once per run; what is looked up later on demand is
// guarded, so that workers on other folders can ask at the same time.
class CLinkSources
{
public:
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

    explicit CLinkSources(const ILinkPathList& files);

    size_t GetCount() const { return m_sources.size(); }
    const Source& Get(size_t nFile) const { return m_sources[nFile]; }
    void Identify(ILinkFileSystem& fs);
    // Whether the entry at the target (in a folder of the given identity) is
    // one of the sources; an error code when that cannot be told.
    DWORD FindSourceAt(ILinkFileSystem& fs, size_t nOwn, const CString& strTarget, const LinkEntryId& targetId,
                       const FolderId& targetFolder, bool& bIsSource);

private:
    bool GetFoldedFinalPath(ILinkFileSystem& fs, size_t nFile, CString& strFoldedFinal, DWORD& dwError);
    FolderId GetFolderIdOf(ILinkFileSystem& fs, size_t nFile);
    DWORD IsSameEntry(ILinkFileSystem& fs, size_t nFile, const std::wstring& strFoldedName,
                      const CString& strTarget, const LinkEntryId& targetId, const FolderId& targetFolder,
                      bool& bSame);

    std::vector<Source> m_sources;
    std::once_flag m_identified;
    std::unordered_multimap<ULONGLONG, size_t> m_sourcesByIndex;
    // Sources that may exist but could not be identified.
    std::vector<size_t> m_unidentified;
    // Guards what is looked up on demand: final paths and the sources'
    // folders, by folded path.
    std::mutex m_lookups;
    std::unordered_map<std::wstring, FolderId> m_folderIds;
};

// One worker's share of a run: the folders it is given, one after the
// other, and what it has made in them.
class CLinkRun
{
public:
    CLinkRun(CLinkSources& sources, bool bSymbolic, int bRemoveExisting, ILinkFileSystem& fs, int nWorker);

    void BeginFolder(const CString& strFolder);
    // The line of the pair (current folder, file nFile).
    CString LinkPair(int nFile);

private:
    typedef CLinkSources::Source Source;

    CString LinkLine(DWORD dwError, const CString& strTarget) const;
    CString SkipLine(const CString& strSource, const CString& strTarget) const;
    DWORD MakeLink(LPCWSTR pszLink, const CString& strSource);
    DWORD MakeTempLink(const CString& strSource, CString& strTemp);
    void RemoveTemp(const CString& strTemp, const CString& strSource);
    CString ReplaceTarget(const Source& source, const CString& strTarget, const LinkEntryId& targetId,
                          const std::wstring& strKey);

    CLinkSources& m_sources;
    ILinkFileSystem& m_fs;
    const bool m_bSymbolic;
    const bool m_bRemoveExisting;
    CString m_strFolder;
    FolderId m_folder;
    std::wstring m_strFolderKey;
    // Folder key and folded name of every target this worker has made; one
    // folder, under whatever spelling, is always worked on by one worker.
    std::unordered_set<std::wstring> m_made;
    std::wstring m_strTempStem;
    unsigned long m_nTempCount;
};

// The key two spellings of one folder share: its identity where it can be
// had, else its folded path.
std::wstring FolderKeyOf(ILinkFileSystem& fs, const CString& strFolder, FolderId& folder)
{
    folder = FolderId();
    folder.bIdentified = fs.GetEntryId(strFolder, folder.id);
    if (folder.bIdentified)
        return std::to_wstring(folder.id.dwVolume) + L":" + std::to_wstring(folder.id.nFileIndex) + L"\\";
    return MakeFoldedPath(strFolder).GetString();
}

CLinkSources::CLinkSources(const ILinkPathList& files)
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
}

CLinkRun::CLinkRun(CLinkSources& sources, bool bSymbolic, int bRemoveExisting, ILinkFileSystem& fs, int nWorker)
    : m_sources(sources),
      m_fs(fs),
      m_bSymbolic(bSymbolic),
      m_bRemoveExisting(bRemoveExisting != 0),
      m_nTempCount(0)
{
    // Process, time and worker in the name keep runs and workers apart; a
    // name that is taken all the same only costs another try.
    m_strTempStem = L"~Quillon-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                    std::to_wstring(::GetTickCount()) + L"-" + std::to_wstring(nWorker) + L"-";
}

void CLinkRun::BeginFolder(const CString& strFolder)
{
    m_strFolder = strFolder;
    // Two spellings of one folder are one folder: what the run made there
    // under the one is found under the other.
    m_strFolderKey = FolderKeyOf(m_fs, strFolder, m_folder);
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

void CLinkSources::Identify(ILinkFileSystem& fs)
{
    std::call_once(m_identified, [this, &fs] {
        for (size_t j = 0; j < m_sources.size(); ++j)
        {
            Source& source = m_sources[j];
            source.bIdentified = fs.GetEntryId(source.strPath, source.id);
            if (source.bIdentified)
            {
                m_sourcesByIndex.emplace(source.id.nFileIndex, j);
                continue;
            }
            source.dwError = FailureCode(fs.GetLastError());
            if (!IsNotFound(source.dwError))
                m_unidentified.push_back(j);
        }
    });
}

bool CLinkSources::GetFoldedFinalPath(ILinkFileSystem& fs, size_t nFile, CString& strFoldedFinal, DWORD& dwError)
{
    std::lock_guard<std::mutex> lock(m_lookups);
    Source& source = m_sources[nFile];
    if (!source.bFinalTried)
    {
        source.bFinalTried = true;
        CString strFinal;
        if (fs.GetFinalPath(source.strPath, strFinal))
            source.strFoldedFinal = MakeFoldedPath(strFinal);
        else
            source.dwFinalError = FailureCode(fs.GetLastError());
    }
    strFoldedFinal = source.strFoldedFinal;
    dwError = source.dwFinalError;
    return dwError == 0;
}

FolderId CLinkSources::GetFolderIdOf(ILinkFileSystem& fs, size_t nFile)
{
    std::lock_guard<std::mutex> lock(m_lookups);
    Source& source = m_sources[nFile];
    if (source.pFolder == nullptr)
    {
        const CString strFolder = source.strPath.Left(source.strPath.GetLength() - source.strName.GetLength());
        const std::wstring strKey = MakeFoldedPath(strFolder).GetString();
        auto it = m_folderIds.find(strKey);
        if (it == m_folderIds.end())
        {
            FolderId folder;
            folder.bIdentified = !strFolder.IsEmpty() && fs.GetEntryId(strFolder, folder.id);
            it = m_folderIds.emplace(strKey, folder).first;
        }
        source.pFolder = &it->second;
    }
    return *source.pFolder;
}

DWORD CLinkSources::IsSameEntry(ILinkFileSystem& fs, size_t nFile, const std::wstring& strFoldedName,
                                const CString& strTarget, const LinkEntryId& targetId, const FolderId& targetFolder,
                                bool& bSame)
{
    bSame = false;
    const Source& source = m_sources[nFile];
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
    const FolderId sourceFolder = GetFolderIdOf(fs, nFile);
    if (sourceFolder.bIdentified && targetFolder.bIdentified)
    {
        if (sourceFolder.id.nFileIndex != targetFolder.id.nFileIndex)
            return 0;
        if (bSameVolume && sourceFolder.id.dwVolume == targetFolder.id.dwVolume &&
            source.strFoldedName == strFoldedName)
        {
            bSame = true;
            return 0;
        }
    }
    // Another spelling of the name (a short name, say): the names the system
    // gives both decide.
    CString strTargetFinal;
    if (!fs.GetFinalPath(strTarget, strTargetFinal))
        return FailureCode(fs.GetLastError());
    CString strSourceFinal;
    DWORD dwError = 0;
    if (!GetFoldedFinalPath(fs, nFile, strSourceFinal, dwError))
        return dwError;
    bSame = strSourceFinal == MakeFoldedPath(strTargetFinal);
    return 0;
}

DWORD CLinkSources::FindSourceAt(ILinkFileSystem& fs, size_t nOwn, const CString& strTarget,
                                 const LinkEntryId& targetId, const FolderId& targetFolder, bool& bIsSource)
{
    bIsSource = false;
    const Source& own = m_sources[nOwn];
    if (!own.bIdentified)
        return own.dwError;

    const auto range = m_sourcesByIndex.equal_range(targetId.nFileIndex);
    for (auto it = range.first; it != range.second && !bIsSource; ++it)
    {
        const DWORD dwError =
            IsSameEntry(fs, it->second, own.strFoldedName, strTarget, targetId, targetFolder, bIsSource);
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
    const bool bCleared = bSaved && (dwSaved & FILE_ATTRIBUTE_READONLY) != 0;
    if (bCleared)
        m_fs.SetAttributes(strTarget, FILE_ATTRIBUTE_NORMAL);
    if (!m_fs.Rename(strTemp, strTarget))
    {
        dwError = FailureCode(m_fs.GetLastError());
        if (bCleared)
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
    const Source& source = m_sources.Get(static_cast<size_t>(nFile));
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

    // With removal on, the target's identity is needed anyway: asking for it
    // also says whether anything is there.
    LinkEntryId targetId;
    bool bExists = false;
    if (m_bRemoveExisting)
    {
        bExists = m_fs.GetEntryId(strTarget, targetId);
        const DWORD dwError = bExists ? 0 : m_fs.GetLastError();
        if (!bExists && !IsNotFound(dwError))
            return LinkLine(FailureCode(dwError), strTarget);
    }
    else
    {
        bExists = m_fs.Exists(strTarget) != FALSE;
    }
    if (!bExists)
    {
        const DWORD dwError = MakeLink(strTarget, source.strPath);
        if (dwError == 0)
            m_made.insert(strKey);
        return LinkLine(dwError, strTarget);
    }
    if (!m_bRemoveExisting)
        return SkipLine(source.strPath, strTarget);

    // A folder is never removed; the link call reports what is in its way.
    if (targetId.dwAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return LinkLine(MakeLink(strTarget, source.strPath), strTarget);

    m_sources.Identify(m_fs);
    bool bIsSource = false;
    const DWORD dwError =
        m_sources.FindSourceAt(m_fs, static_cast<size_t>(nFile), strTarget, targetId, m_folder, bIsSource);
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
    CLinkSources sources(files);
    CLinkRun run(sources, bSymbolic, bRemoveExisting, fileSystem, 0);
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

namespace {

class CCopiedPathList : public ILinkPathList
{
public:
    explicit CCopiedPathList(const ILinkPathList& list)
    {
        for (int i = 0; i < list.GetCount(); ++i)
            m_paths.push_back(list.GetAt(i));
    }
    int GetCount() const override { return static_cast<int>(m_paths.size()); }
    CString GetAt(int nIndex) const override { return m_paths[static_cast<size_t>(nIndex)]; }

private:
    std::vector<CString> m_paths;
};

}  // namespace

struct CLinkBatchThreads::State
{
    State(const ILinkPathList& folderList, const ILinkPathList& fileList, bool bSymbolicLinks, int bRemove,
          ILinkFileSystem& fileSystem, std::function<void()> onLinesWaiting)
        : folders(folderList),
          files(fileList),
          bSymbolic(bSymbolicLinks),
          bRemoveExisting(bRemove),
          fs(fileSystem),
          sources(files),
          onLines(std::move(onLinesWaiting)),
          nTotal(folders.GetCount() * files.GetCount())
    {
    }

    const CCopiedPathList folders;
    const CCopiedPathList files;
    const bool bSymbolic;
    const int bRemoveExisting;
    ILinkFileSystem& fs;
    CLinkSources sources;
    const std::function<void()> onLines;
    const int nTotal;
    std::atomic<bool> bStop{false};
    std::atomic<bool> bEnded{false};
    std::atomic<int> nDone{0};
    // Guards what follows.
    std::mutex mutex;
    std::vector<CString> lines;
    bool bNotified = false;
    // Folder indices by folder (one group per folder, whatever its
    // spellings), handed out in list order.
    std::vector<std::vector<int>> groups;
    size_t nNextGroup = 0;
    std::thread thread;
};

CLinkBatchThreads::CLinkBatchThreads(const ILinkPathList& folders, const ILinkPathList& files, int nLinkType,
                                     int bRemoveExisting, ILinkFileSystem& fileSystem, int nWorkers,
                                     std::function<void()> onLines)
    : m_pState(std::make_unique<State>(folders, files, nLinkType == 0 && fileSystem.CanCreateSymbolicLink(),
                                       bRemoveExisting, fileSystem, std::move(onLines)))
{
    const int nRunners = nWorkers > 0 ? nWorkers : DefaultWorkers();
    m_pState->thread = std::thread([this, nRunners] { Run(nRunners); });
}

CLinkBatchThreads::~CLinkBatchThreads()
{
    Stop();
    Wait();
}

int CLinkBatchThreads::DefaultWorkers()
{
    SYSTEM_INFO info = {};
    ::GetSystemInfo(&info);
    const int nProcessors = static_cast<int>(info.dwNumberOfProcessors);
    return std::max(2, std::min(8, nProcessors));
}

void CLinkBatchThreads::Stop()
{
    m_pState->bStop = true;
}

void CLinkBatchThreads::Wait()
{
    if (m_pState->thread.joinable())
        m_pState->thread.join();
}

std::vector<CString> CLinkBatchThreads::TakeLines()
{
    std::vector<CString> lines;
    std::lock_guard<std::mutex> lock(m_pState->mutex);
    lines.swap(m_pState->lines);
    m_pState->bNotified = false;
    return lines;
}

bool CLinkBatchThreads::HasEnded() const
{
    return m_pState->bEnded;
}

bool CLinkBatchThreads::WasStopped() const
{
    return m_pState->bStop && m_pState->nDone < m_pState->nTotal;
}

int CLinkBatchThreads::GetPairsDone() const
{
    return m_pState->nDone;
}

int CLinkBatchThreads::GetPairsTotal() const
{
    return m_pState->nTotal;
}

void CLinkBatchThreads::Run(int nWorkers)
{
    State& state = *m_pState;
    // Group the folders by what they are, not how they are spelled.
    std::unordered_map<std::wstring, size_t> groupOf;
    for (int i = 0; i < state.folders.GetCount() && !state.bStop; ++i)
    {
        FolderId folder;
        const std::wstring strKey = FolderKeyOf(state.fs, state.folders.GetAt(i), folder);
        const auto it = groupOf.emplace(strKey, state.groups.size()).first;
        if (it->second == state.groups.size())
            state.groups.emplace_back();
        state.groups[it->second].push_back(i);
    }
    const int nRunners = std::max(1, std::min(nWorkers, static_cast<int>(state.groups.size())));
    std::vector<std::thread> others;
    try
    {
        for (int w = 1; w < nRunners; ++w)
            others.emplace_back([this, w] { Work(w); });
    }
    catch (const std::system_error&)
    {
        // No more threads to be had: the ones there share the folders.
    }
    Work(0);
    for (std::thread& other : others)
        other.join();
    state.bEnded = true;
    if (state.onLines)
        state.onLines();
}

void CLinkBatchThreads::Work(int nWorker)
{
    State& state = *m_pState;
    try
    {
        CLinkRun run(state.sources, state.bSymbolic, state.bRemoveExisting, state.fs, nWorker);
        for (;;)
        {
            std::vector<int> group;
            {
                std::lock_guard<std::mutex> lock(state.mutex);
                if (state.nNextGroup >= state.groups.size())
                    return;
                group = state.groups[state.nNextGroup++];
            }
            for (int i : group)
            {
                run.BeginFolder(state.folders.GetAt(i));
                for (int j = 0; j < state.files.GetCount(); ++j)
                {
                    if (state.bStop)
                        return;
                    Push(run.LinkPair(j));
                }
            }
        }
    }
    catch (...)
    {
        // Out of memory, most likely: the others stop too, and the run ends
        // as a stopped one.
        state.bStop = true;
    }
}

void CLinkBatchThreads::Push(const CString& strLine)
{
    State& state = *m_pState;
    bool bNotify = false;
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        state.lines.push_back(strLine);
        bNotify = !state.bNotified;
        state.bNotified = true;
    }
    ++state.nDone;
    if (bNotify && state.onLines)
        state.onLines();
}

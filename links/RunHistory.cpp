#include "links/RunHistory.h"

#include "files/PathRules.h"
#include "files/TempName.h"
#include "links/LinkJob.h"

#include <shlobj.h>

#include <algorithm>

CString CRunHistory::GetDefaultFolder()
{
    wchar_t szLocal[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, szLocal)))
        return CString();
    CString strFolder = CString(szLocal) + L"\\Quillon";
    ::CreateDirectoryW(strFolder, nullptr);
    strFolder += L"\\Verlauf";
    ::CreateDirectoryW(strFolder, nullptr);
    return (::GetFileAttributesW(strFolder) & FILE_ATTRIBUTE_DIRECTORY) != 0 ? strFolder : CString();
}

namespace {

// The files in a kept folder and its parts: how many, how large; false
// where there are none. An empty one left behind goes (one a run still
// holds stays).
bool CountKept(const CString& strFolder, KeptSummary& kept, bool bPart = false)
{
    const long long nBefore = kept.nFiles;
    WIN32_FIND_DATAW data;
    const HANDLE hFind = ::FindFirstFileW(MakeSystemPath(strFolder + L"\\*"), &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return false;
    do
    {
        // A link to a folder is kept like a file; a part holds more.
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
            (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        {
            ++kept.nFiles;
            kept.nBytes += (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        }
        else if (!bPart && GetKeptPartNumber(data.cFileName) != 0)
            CountKept(strFolder + L"\\" + data.cFileName, kept, true);
    } while (::FindNextFileW(hFind, &data));
    ::FindClose(hFind);
    if (kept.nFiles != nBefore)
        return true;
    ::RemoveDirectoryW(MakeSystemPath(strFolder));
    return false;
}

}  // namespace

bool CRunHistory::ReadEntry(const CString& strPath, Entry& entry)
{
    std::string bytes;
    if (ReadWholeFile(strPath, bytes) != ERROR_SUCCESS)
        return false;
    auto pRecord = std::make_shared<RunRecord>(ReadRunRecord(bytes));
    if (pRecord->damage == RecordDamage::Unreadable)
        return false;
    if (!pRecord->bComplete)
    {
        ::DeleteFileW(MakeSystemPath(strPath));
        return false;
    }
    entry.strPath = strPath;
    entry.nTime = pRecord->nTime;
    const CString strKept = MakeKeptFolderName(pRecord->nTime);
    for (const CString& strFolder : pRecord->folders)
    {
        // A folder listed twice under one spelling is one kept folder.
        const CString strPath = strFolder + strKept;
        if (std::find(entry.keptFolders.begin(), entry.keptFolders.end(), strPath) == entry.keptFolders.end() &&
            CountKept(strPath, entry.kept))
            entry.keptFolders.push_back(strPath);
    }
    entry.bUndoable = !pRecord->bUndoEnded && (!pRecord->made.empty() || !entry.keptFolders.empty());
    entry.pRecord = std::move(pRecord);
    return true;
}

void CRunHistory::Add(Entry entry)
{
    m_kept.nFiles += entry.kept.nFiles;
    m_kept.nBytes += entry.kept.nBytes;
    m_kept.nRuns += entry.kept.nFiles != 0 ? 1 : 0;
    const auto at = std::find_if(m_entries.begin(), m_entries.end(),
                                 [&](const Entry& other) { return other.nTime < entry.nTime; });
    m_entries.insert(at, std::move(entry));
}

void CRunHistory::Load()
{
    m_entries.clear();
    m_kept = KeptSummary();
    if (m_strFolder.IsEmpty())
        return;
    std::vector<CString> names;
    WIN32_FIND_DATAW data;
    const HANDLE hFind = ::FindFirstFileW(MakeSystemPath(m_strFolder + L"\\Lauf-*.txt"), &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return;
    do
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            names.emplace_back(data.cFileName);
    while (::FindNextFileW(hFind, &data));
    ::FindClose(hFind);
    for (const CString& strName : names)
    {
        Entry entry;
        if (ReadEntry(m_strFolder + L"\\" + strName, entry))
            Add(std::move(entry));
    }
}

void CRunHistory::AddRun(ULONGLONG nKeepTime, long long nKept, ULONGLONG nKeptBytes)
{
    Entry entry;
    entry.strPath = m_strFolder + L"\\" + CLinkJob::MakeRecordName(nKeepTime);
    // A run that changed nothing left no record.
    if (m_strFolder.IsEmpty() || ::GetFileAttributesW(MakeSystemPath(entry.strPath)) == INVALID_FILE_ATTRIBUTES)
        return;
    entry.nTime = nKeepTime;
    entry.kept.nFiles = nKept;
    entry.kept.nBytes = nKeptBytes;
    entry.bUndoable = true;
    Add(std::move(entry));
}

void CRunHistory::Reload(const CString& strPath)
{
    const auto it =
        std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& entry) { return entry.strPath == strPath; });
    if (it != m_entries.end())
    {
        m_kept.nFiles -= it->kept.nFiles;
        m_kept.nBytes -= it->kept.nBytes;
        m_kept.nRuns -= it->kept.nFiles != 0 ? 1 : 0;
        m_entries.erase(it);
    }
    Entry entry;
    if (ReadEntry(strPath, entry))
        Add(std::move(entry));
}

bool CRunHistory::HasUndoable() const
{
    return std::any_of(m_entries.begin(), m_entries.end(), [](const Entry& entry) { return entry.bUndoable; });
}

bool CRunHistory::GetUndoable(std::shared_ptr<const RunRecord>& pRecord, CString& strPath)
{
    for (Entry& entry : m_entries)
    {
        if (!entry.bUndoable)
            continue;
        if (entry.pRecord == nullptr)
        {
            // Read now, with what its kept folders hold.
            Entry read;
            if (!ReadEntry(entry.strPath, read))
            {
                entry.bUndoable = false;
                continue;
            }
            m_kept.nFiles += read.kept.nFiles - entry.kept.nFiles;
            m_kept.nBytes += read.kept.nBytes - entry.kept.nBytes;
            entry = std::move(read);
            if (!entry.bUndoable)
                continue;
        }
        pRecord = entry.pRecord;
        strPath = entry.strPath;
        return true;
    }
    return false;
}

std::vector<CString> CRunHistory::GetKeptFolders() const
{
    std::vector<CString> folders;
    for (const Entry& entry : m_entries)
        folders.insert(folders.end(), entry.keptFolders.begin(), entry.keptFolders.end());
    return folders;
}

void CRunHistory::ForgetKept(const std::vector<CString>& released)
{
    for (const Entry& entry : m_entries)
    {
        const bool bAllGone = std::all_of(entry.keptFolders.begin(), entry.keptFolders.end(), [&](const CString& strFolder) {
            return std::find(released.begin(), released.end(), strFolder) != released.end();
        });
        if (!entry.keptFolders.empty() && bAllGone)
            ::DeleteFileW(MakeSystemPath(entry.strPath));
    }
    Load();
}

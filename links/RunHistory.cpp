#include "links/RunHistory.h"

#include "files/PathRules.h"
#include "files/TempName.h"

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

// The files in a kept folder: how many, how large; false where there is
// none. An empty one left behind goes (one a run still holds stays).
bool CountKept(const CString& strFolder, KeptSummary& kept)
{
    const long long nBefore = kept.nFiles;
    WIN32_FIND_DATAW data;
    const HANDLE hFind = ::FindFirstFileW(MakeSystemPath(strFolder + L"\\*"), &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return false;
    do
    {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            continue;
        ++kept.nFiles;
        kept.nBytes += (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    } while (::FindNextFileW(hFind, &data));
    ::FindClose(hFind);
    if (kept.nFiles != nBefore)
        return true;
    ::RemoveDirectoryW(MakeSystemPath(strFolder));
    return false;
}

}  // namespace

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
        entry.strPath = m_strFolder + L"\\" + strName;
        std::string bytes;
        if (ReadWholeFile(entry.strPath, bytes) != ERROR_SUCCESS)
            continue;
        auto pRecord = std::make_shared<RunRecord>(ReadRunRecord(bytes));
        if (pRecord->damage == RecordDamage::Unreadable)
            continue;
        if (!pRecord->bComplete)
        {
            ::DeleteFileW(MakeSystemPath(entry.strPath));
            continue;
        }
        const CString strKept = MakeKeptFolderName(pRecord->nTime);
        KeptSummary here;
        for (const CString& strFolder : pRecord->folders)
        {
            // A folder listed twice under one spelling is one kept folder.
            const CString strPath = strFolder + strKept;
            if (std::find(entry.keptFolders.begin(), entry.keptFolders.end(), strPath) == entry.keptFolders.end() &&
                CountKept(strPath, here))
                entry.keptFolders.push_back(strPath);
        }
        m_kept.nFiles += here.nFiles;
        m_kept.nBytes += here.nBytes;
        m_kept.nRuns += here.nFiles != 0 ? 1 : 0;
        entry.pRecord = std::move(pRecord);
        m_entries.push_back(std::move(entry));
    }
    std::sort(m_entries.begin(), m_entries.end(),
              [](const Entry& a, const Entry& b) { return a.pRecord->nTime > b.pRecord->nTime; });
}

bool CRunHistory::GetUndoable(std::shared_ptr<const RunRecord>& pRecord, CString& strPath) const
{
    for (const Entry& entry : m_entries)
    {
        const RunRecord& record = *entry.pRecord;
        if (record.bUndoEnded || (record.made.empty() && entry.keptFolders.empty()))
            continue;
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

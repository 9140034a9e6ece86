#pragma once

#include "framework/String.h"
#include "links/LinkFileSystem.h"
#include "links/RunRecord.h"

#include <windows.h>

#include <memory>
#include <vector>

// What the recorded runs still keep of the files they replaced.
struct KeptSummary
{
    long long nFiles = 0;
    int nRuns = 0;
    ULONGLONG nBytes = 0;
};

// The records of earlier runs, one file each in the history folder, newest
// first: which run "Rückgängig" undoes next, and what the runs still keep.
// Whatever the folder holds, reading it never fails: a record that cannot
// be read is not offered.
class CRunHistory
{
public:
    explicit CRunHistory(const CString& strFolder) : m_strFolder(strFolder) {}

    // The user's own: "Quillon\Verlauf" in the local application data,
    // made where it is missing; empty where there is none.
    static CString GetDefaultFolder();
    const CString& GetFolder() const { return m_strFolder; }

    // Reads the records again, and looks at the kept folders they name.
    // A record cut off before its first pair is of a run that changed
    // nothing: it goes.
    void Load();
    // A run that just ended, as it counted what it kept: its record is read
    // when it is undone (a run of many pairs would hold the window up).
    void AddRun(ULONGLONG nKeepTime, long long nKept, ULONGLONG nKeptBytes);
    // The record an undo just wrote to, read again with its kept folders.
    void Reload(const CString& strPath);
    bool HasUndoable() const;
    // The newest run an undo can still do something for.
    bool GetUndoable(std::shared_ptr<const RunRecord>& pRecord, CString& strPath);
    const KeptSummary& GetKept() const { return m_kept; }
    // Every kept folder there is, as a path.
    std::vector<CString> GetKeptFolders() const;
    // The kept files are let go: the records of their runs go too, for
    // nothing of those runs can be put back any more.
    void ForgetKept(const std::vector<CString>& released);

private:
    struct Entry
    {
        CString strPath;
        ULONGLONG nTime = 0;
        // Null for a run added as it ended, until it is asked for.
        std::shared_ptr<const RunRecord> pRecord;
        std::vector<CString> keptFolders;
        KeptSummary kept;
        bool bUndoable = false;
    };
    // The record at the path with what its kept folders hold; false where
    // it is not to be offered.
    static bool ReadEntry(const CString& strPath, Entry& entry);
    void Add(Entry entry);

    CString m_strFolder;
    std::vector<Entry> m_entries;
    KeptSummary m_kept;
};

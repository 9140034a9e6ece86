#pragma once

#include "framework/String.h"
#include "links/LinkFileSystem.h"
#include "links/LinkTypes.h"

#include <windows.h>

#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

// What a run's record says: its start (which names its kept folders), its
// kind, its target folders and sources as they were, which pairs it made a
// new link for or replaced, and which of them an undo has settled. A file
// per run, written as the run goes; read as far as it is certain.

struct RecordedSource
{
    CString strPath;
    // The name its links carry.
    CString strName;
    // What a hard link to it is (its own entry's file), and what an
    // absolute symbolic link to it holds.
    LinkFileId id;
    CString strNtPath;
};

enum class RecordDamage
{
    None,
    // Ends within a line: a run or an undo that did not end.
    Cut,
    // A line that does not read as written.
    Corrupt,
    // Another version, or not a record at all: nothing of it is used.
    Unreadable
};

struct RunRecord
{
    ULONGLONG nTime = 0;
    LinkKind kind = LinkKind::Hard;
    std::vector<CString> folders;
    std::vector<RecordedSource> sources;
    // Every folder and source was written before the first pair.
    bool bComplete = false;
    // Pairs as folder * sources + file.
    std::vector<long long> made;
    std::vector<long long> replaced;
    std::unordered_set<long long> undone;
    bool bRunEnded = false;
    bool bUndoEnded = false;
    RecordDamage damage = RecordDamage::None;
    // Where the certain part ends.
    size_t nCertainBytes = 0;

    long long PairOf(int nFolder, int nFile) const
    {
        return static_cast<long long>(nFolder) * static_cast<long long>(sources.size()) + nFile;
    }
    bool IsMade(long long nPair) const;
    bool IsReplaced(long long nPair) const;
};

// Reads a record's bytes as far as every line is whole and reads as
// written; anything after the first line that does not is left unread.
RunRecord ReadRunRecord(const std::string& bytes);

// The record's lines. Each is its fields (UTF-8, separated by tabs, which no
// path holds) and a checksum of them.
std::string FormatRecordHeader(const RunRecord& record);
enum class RecordStep : char
{
    Made = 'N',
    Replaced = 'R',
    Undone = 'U',
    RunEnded = 'E',
    UndoEnded = 'Z'
};
std::string FormatRecordStep(RecordStep step, long long nPair = 0);

// The file of one run's record: the header written through to the disk
// before the first pair; then steps, written in groups (what a crash can
// cost is a group of lines that only said links were made; a replaced file
// is found again in its kept folder whatever the record holds). Add may be
// called from any thread.
class CRunRecordFile
{
public:
    CRunRecordFile() = default;
    ~CRunRecordFile();
    CRunRecordFile(const CRunRecordFile&) = delete;
    CRunRecordFile& operator=(const CRunRecordFile&) = delete;

    // A new file, nothing at the path before.
    [[nodiscard]] DWORD Create(const CString& strPath, const RunRecord& header);
    // An existing record, its steps to be added after its certain part.
    [[nodiscard]] DWORD Append(const CString& strPath, size_t nCertainBytes);
    void Add(RecordStep step, long long nPair = 0);
    // Writes what waits and flushes it to the disk.
    [[nodiscard]] DWORD Flush();
    void Close();
    bool IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }
    const CString& GetPath() const { return m_strPath; }

    // Steps written at once.
    static const size_t kGroup = 512;

private:
    DWORD WriteWaiting();

    CString m_strPath;
    HANDLE m_hFile = INVALID_HANDLE_VALUE;
    // Guarded by m_mutex.
    std::mutex m_mutex;
    std::string m_waiting;
    size_t m_nWaiting = 0;
    DWORD m_dwError = 0;
};

// The whole file; ERROR_FILE_NOT_FOUND where there is none.
[[nodiscard]] DWORD ReadWholeFile(const CString& strPath, std::string& bytes);

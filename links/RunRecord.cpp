#include "links/RunRecord.h"

#include "files/ErrorCode.h"
#include "files/PathRules.h"

#include <algorithm>
#include <cstdio>

namespace {

const char kVersionLine[] = "Quillon-Lauf\t1";

unsigned long Crc32(const char* p, size_t n)
{
    static const std::vector<unsigned long> s_table = [] {
        std::vector<unsigned long> table(256);
        for (unsigned long i = 0; i < 256; ++i)
        {
            unsigned long c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) != 0 ? 0xEDB88320ul ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
        return table;
    }();
    unsigned long crc = 0xFFFFFFFFul;
    for (size_t i = 0; i < n; ++i)
        crc = s_table[(crc ^ static_cast<unsigned char>(p[i])) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFul;
}

std::string ToUtf8(const CString& str)
{
    const int nBytes = ::WideCharToMultiByte(CP_UTF8, 0, str.GetString(), str.GetLength(), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(std::max(nBytes, 0)), '\0');
    if (nBytes > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, str.GetString(), str.GetLength(), &bytes[0], nBytes, nullptr, nullptr);
    return bytes;
}

bool FromUtf8(const std::string& bytes, CString& str)
{
    if (bytes.empty())
        return false;
    const int nChars = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                                             nullptr, 0);
    if (nChars <= 0)
        return false;
    std::wstring wide(static_cast<size_t>(nChars), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), &wide[0], nChars);
    str = CString(wide.c_str(), nChars);
    return true;
}

std::string Hex(ULONGLONG n)
{
    char sz[24];
    std::snprintf(sz, sizeof(sz), "%llx", n);
    return sz;
}

bool FromHex(const std::string& text, ULONGLONG& n)
{
    if (text.empty() || text.size() > 16)
        return false;
    n = 0;
    for (char c : text)
    {
        const int nDigit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (nDigit < 0)
            return false;
        n = (n << 4) | static_cast<ULONGLONG>(nDigit);
    }
    return true;
}

std::string Line(const std::string& fields)
{
    char szCrc[16];
    std::snprintf(szCrc, sizeof(szCrc), "\t#%08lx\n", Crc32(fields.data(), fields.size()));
    return fields + szCrc;
}

std::vector<std::string> Split(const std::string& fields)
{
    std::vector<std::string> parts;
    size_t nStart = 0;
    for (;;)
    {
        const size_t nTab = fields.find('\t', nStart);
        parts.push_back(fields.substr(nStart, nTab == std::string::npos ? std::string::npos : nTab - nStart));
        if (nTab == std::string::npos)
            return parts;
        nStart = nTab + 1;
    }
}

// The fields of a line whose checksum holds.
bool CheckedFields(const std::string& line, std::string& fields)
{
    const size_t nMark = line.rfind("\t#");
    if (nMark == std::string::npos || line.size() - nMark != 10)
        return false;
    ULONGLONG nCrc = 0;
    if (!FromHex(line.substr(nMark + 2), nCrc) || nCrc != Crc32(line.data(), nMark))
        return false;
    fields = line.substr(0, nMark);
    return true;
}

// One line of the record into it; false where it does not belong there.
bool TakeLine(const std::vector<std::string>& f, RunRecord& record, bool& bTimeRead)
{
    if (f.empty() || f[0].size() != 1)
        return false;
    const char cKind = f[0][0];
    if (!record.bComplete)
    {
        if (cKind == 'L' && f.size() == 3 && !bTimeRead && (f[2] == "H" || f[2] == "S"))
        {
            bTimeRead = FromHex(f[1], record.nTime) && record.nTime != 0;
            record.kind = f[2] == "S" ? LinkKind::Symbolic : LinkKind::Hard;
            return bTimeRead;
        }
        if (!bTimeRead)
            return false;
        if (cKind == 'O' && f.size() == 2)
        {
            CString strFolder;
            if (!FromUtf8(f[1], strFolder))
                return false;
            record.folders.push_back(strFolder);
            return true;
        }
        if (cKind == 'Q' && f.size() == 8 && (f[6] == "0" || f[6] == "1"))
        {
            RecordedSource source;
            source.id.bWide = f[6] == "1";
            if (!FromUtf8(f[1], source.strPath) || !FromUtf8(f[2], source.strName) || !IsPlainEntryName(source.strName) ||
                !FromHex(f[3], source.id.nVolume) || !FromHex(f[4], source.id.nHigh) || !FromHex(f[5], source.id.nLow))
                return false;
            if (!f[7].empty() && !FromUtf8(f[7], source.strNtPath))
                return false;
            record.sources.push_back(source);
            return true;
        }
        ULONGLONG nFolders = 0;
        ULONGLONG nSources = 0;
        if (cKind == 'B' && f.size() == 3 && FromHex(f[1], nFolders) && FromHex(f[2], nSources) &&
            nFolders == record.folders.size() && nSources == record.sources.size())
        {
            record.bComplete = true;
            return true;
        }
        return false;
    }
    if (record.bUndoEnded)
        return false;
    if ((cKind == 'E' || cKind == 'Z') && f.size() == 1)
    {
        (cKind == 'E' ? record.bRunEnded : record.bUndoEnded) = true;
        return true;
    }
    ULONGLONG nPair = 0;
    const ULONGLONG nPairs = static_cast<ULONGLONG>(record.folders.size()) * record.sources.size();
    if (f.size() != 2 || !FromHex(f[1], nPair) || nPair >= nPairs)
        return false;
    const long long n = static_cast<long long>(nPair);
    if (cKind == 'N' && !record.bRunEnded)
        record.made.push_back(n);
    else if (cKind == 'R' && !record.bRunEnded)
        record.replaced.push_back(n);
    else if (cKind == 'U')
        record.undone.insert(n);
    else
        return false;
    return true;
}

}  // namespace

bool RunRecord::IsMade(long long nPair) const
{
    return std::binary_search(made.begin(), made.end(), nPair);
}

bool RunRecord::IsReplaced(long long nPair) const
{
    return std::binary_search(replaced.begin(), replaced.end(), nPair);
}

RunRecord ReadRunRecord(const std::string& bytes)
{
    RunRecord record;
    bool bTimeRead = false;
    size_t nStart = 0;
    bool bVersion = false;
    while (nStart < bytes.size())
    {
        const size_t nEnd = bytes.find('\n', nStart);
        if (nEnd == std::string::npos)
        {
            record.damage = RecordDamage::Cut;
            break;
        }
        std::string fields;
        const bool bChecked = CheckedFields(bytes.substr(nStart, nEnd - nStart), fields);
        if (!bVersion)
        {
            if (!bChecked || fields != kVersionLine)
                record.damage = RecordDamage::Unreadable;
            bVersion = true;
        }
        else if (!bChecked || !TakeLine(Split(fields), record, bTimeRead))
            record.damage = RecordDamage::Corrupt;
        if (record.damage != RecordDamage::None)
            break;
        nStart = nEnd + 1;
        record.nCertainBytes = nStart;
    }
    if (!bVersion || record.damage == RecordDamage::Unreadable)
    {
        RunRecord unread;
        unread.damage = RecordDamage::Unreadable;
        return unread;
    }
    // Pairs are written by several workers, in no particular order.
    std::sort(record.made.begin(), record.made.end());
    std::sort(record.replaced.begin(), record.replaced.end());
    return record;
}

std::string FormatRecordHeader(const RunRecord& record)
{
    std::string bytes = Line(kVersionLine);
    bytes += Line("L\t" + Hex(record.nTime) + (record.kind == LinkKind::Symbolic ? "\tS" : "\tH"));
    for (const CString& strFolder : record.folders)
        bytes += Line("O\t" + ToUtf8(strFolder));
    for (const RecordedSource& source : record.sources)
        bytes += Line("Q\t" + ToUtf8(source.strPath) + "\t" + ToUtf8(source.strName) + "\t" + Hex(source.id.nVolume) +
                      "\t" + Hex(source.id.nHigh) + "\t" + Hex(source.id.nLow) + (source.id.bWide ? "\t1\t" : "\t0\t") +
                      ToUtf8(source.strNtPath));
    return bytes + Line("B\t" + Hex(record.folders.size()) + "\t" + Hex(record.sources.size()));
}

std::string FormatRecordStep(RecordStep step, long long nPair)
{
    const std::string strKind(1, static_cast<char>(step));
    if (step == RecordStep::RunEnded || step == RecordStep::UndoEnded)
        return Line(strKind);
    return Line(strKind + "\t" + Hex(static_cast<ULONGLONG>(nPair)));
}

CRunRecordFile::~CRunRecordFile()
{
    Close();
}

DWORD CRunRecordFile::Create(const CString& strPath, const RunRecord& header)
{
    Close();
    const CString strSystem = MakeSystemPath(strPath);
    m_hFile = ::CreateFileW(strSystem, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_hFile == INVALID_HANDLE_VALUE)
        return FailureCode(::GetLastError());
    m_strPath = strPath;
    m_waiting = FormatRecordHeader(header);
    m_nWaiting = 0;
    m_dwError = 0;
    const DWORD dwError = Flush();
    if (dwError != ERROR_SUCCESS)
    {
        // A header not on the disk makes no record: nothing is left of it.
        Close();
        ::DeleteFileW(strSystem);
    }
    return dwError;
}

DWORD CRunRecordFile::Append(const CString& strPath, size_t nCertainBytes)
{
    Close();
    m_hFile = ::CreateFileW(MakeSystemPath(strPath), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_hFile == INVALID_HANDLE_VALUE)
        return FailureCode(::GetLastError());
    // What follows the certain part (a line cut off) is written over.
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(nCertainBytes);
    if (!::SetFilePointerEx(m_hFile, at, nullptr, FILE_BEGIN) || !::SetEndOfFile(m_hFile))
    {
        const DWORD dwError = FailureCode(::GetLastError());
        Close();
        return dwError;
    }
    m_strPath = strPath;
    m_waiting.clear();
    m_nWaiting = 0;
    m_dwError = 0;
    return ERROR_SUCCESS;
}

void CRunRecordFile::Add(RecordStep step, long long nPair)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_hFile == INVALID_HANDLE_VALUE)
        return;
    m_waiting += FormatRecordStep(step, nPair);
    if (++m_nWaiting >= kGroup)
        (void)WriteWaiting();  // a failure stays in m_dwError for Flush
}

DWORD CRunRecordFile::WriteWaiting()
{
    if (!m_waiting.empty() && m_dwError == ERROR_SUCCESS)
    {
        DWORD dwWritten = 0;
        if (!::WriteFile(m_hFile, m_waiting.data(), static_cast<DWORD>(m_waiting.size()), &dwWritten, nullptr) ||
            dwWritten != m_waiting.size())
            m_dwError = FailureCode(::GetLastError());
    }
    m_waiting.clear();
    m_nWaiting = 0;
    return m_dwError;
}

DWORD CRunRecordFile::Flush()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_hFile == INVALID_HANDLE_VALUE)
        return ERROR_INVALID_HANDLE;
    if (WriteWaiting() == ERROR_SUCCESS && !::FlushFileBuffers(m_hFile))
        m_dwError = FailureCode(::GetLastError());
    return m_dwError;
}

void CRunRecordFile::Close()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_hFile == INVALID_HANDLE_VALUE)
        return;
    (void)WriteWaiting();  // closing: whoever cared has flushed
    ::CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
}

DWORD ReadWholeFile(const CString& strPath, std::string& bytes)
{
    const HANDLE hFile = ::CreateFileW(MakeSystemPath(strPath), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return FailureCode(::GetLastError());
    DWORD dwError = ERROR_SUCCESS;
    LARGE_INTEGER size = {};
    if (!::GetFileSizeEx(hFile, &size) || size.QuadPart > (1ll << 30))
        dwError = FailureCode(::GetLastError());
    else
    {
        bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
        DWORD dwRead = 0;
        if (!bytes.empty() && (!::ReadFile(hFile, &bytes[0], static_cast<DWORD>(bytes.size()), &dwRead, nullptr)))
            dwError = FailureCode(::GetLastError());
        bytes.resize(dwRead);
    }
    ::CloseHandle(hFile);
    return dwError;
}

#include "maindlg/Report.h"

#include <algorithm>
#include <cstring>

namespace {

// Rows per chunk before it is split: a few kilobytes to move per insert.
constexpr size_t kChunkLimit = 1024;

}  // namespace

std::string MakeSortKey(const CString& strLine)
{
    std::string key;
    // The order lstrcmpW gives, which sorts the path lists: the thread's
    // locale.
    const LCID locale = ::GetThreadLocale();
    const int cb = ::LCMapStringW(locale, LCMAP_SORTKEY, strLine, -1, nullptr, 0);
    if (cb > 0)
    {
        key.resize(static_cast<size_t>(cb));
        if (::LCMapStringW(locale, LCMAP_SORTKEY, strLine, -1, reinterpret_cast<LPWSTR>(&key[0]), cb) == cb)
            return key;
    }
    // Without a key from the system, the characters themselves, high byte
    // first, so that bytes compare as characters do.
    key.clear();
    for (int i = 0; i < strLine.GetLength(); ++i)
    {
        key += static_cast<char>(strLine[i] >> 8);
        key += static_cast<char>(strLine[i] & 0xFF);
    }
    return key;
}

CReport::CReport() : m_nPlaced(0), m_bStartsValid(false), m_bFrozen(false), m_bHasLastLine(false), m_nGeneration(0) {}

CReport::~CReport() = default;

void CReport::Clear()
{
    m_job.reset();
    std::vector<Row>().swap(m_rows);
    m_nPlaced = 0;
    std::vector<CString>().swap(m_texts);
    std::vector<Chunk>().swap(m_chunks);
    m_starts.clear();
    m_bStartsValid = false;
    std::string().swap(m_keys);
    std::vector<size_t>().swap(m_keyStarts);
    m_bFrozen = false;
    m_strLastLine.Empty();
    m_bHasLastLine = false;
    ++m_nGeneration;
}

void CReport::SetJob(std::shared_ptr<const CLinkJob> job)
{
    m_job = std::move(job);
}

CString CReport::LineOfRow(uint32_t nRow) const
{
    const Row& row = m_rows[nRow];
    if (row.nText >= 0)
        return m_texts[static_cast<size_t>(row.nText)];
    return m_job != nullptr ? m_job->FormatLine(row.result) : CString();
}

int CReport::CompareRows(uint32_t a, uint32_t b) const
{
    const size_t nLengthA = m_keyStarts[a + 1] - m_keyStarts[a];
    const size_t nLengthB = m_keyStarts[b + 1] - m_keyStarts[b];
    const int nCompare =
        std::memcmp(m_keys.data() + m_keyStarts[a], m_keys.data() + m_keyStarts[b], std::min(nLengthA, nLengthB));
    if (nCompare != 0)
        return nCompare;
    return nLengthA < nLengthB ? -1 : (nLengthA > nLengthB ? 1 : 0);
}

namespace {

// Room for one more, grown as the container itself would grow it, so that
// the step after it cannot fail for want of memory.
template <class TContainer>
void MakeRoom(TContainer& container, size_t nMore)
{
    if (container.capacity() - container.size() < nMore)
        container.reserve(std::max(container.size() + nMore, container.size() * 2));
}

}  // namespace

void CReport::InsertRow(const Row& row, const std::string& key)
{
    // What can fail comes first: a row is counted only once it has its
    // place among the others, and its key stays at its number.
    MakeRoom(m_keyStarts, 2);
    MakeRoom(m_keys, key.size());
    MakeRoom(m_rows, 1);
    if (m_chunks.empty())
        m_chunks.emplace_back();
    if (m_keyStarts.empty())
        m_keyStarts.push_back(0);
    m_keys += key;
    m_keyStarts.push_back(m_keys.size());
    m_rows.push_back(row);
    const uint32_t nRow = static_cast<uint32_t>(m_rows.size() - 1);
    m_bStartsValid = false;
    // The first chunk whose last row sorts after the new one takes it, after
    // the rows equal to it; a row after all goes to the last chunk.
    const auto chunk = std::upper_bound(m_chunks.begin(), m_chunks.end() - 1, nRow,
                                        [this](uint32_t row, const Chunk& c) { return CompareRows(row, c.back()) < 0; });
    const auto place = std::upper_bound(chunk->begin(), chunk->end(), nRow,
                                        [this](uint32_t row, uint32_t other) { return CompareRows(row, other) < 0; });
    chunk->insert(place, nRow);
    ++m_nPlaced;
    if (chunk->size() > 2 * kChunkLimit)
    {
        Chunk upper(chunk->begin() + static_cast<std::ptrdiff_t>(kChunkLimit), chunk->end());
        chunk->resize(kChunkLimit);
        m_chunks.insert(chunk + 1, std::move(upper));
    }
}

void CReport::AddResults(const std::vector<LinkPairResult>& results, std::vector<CString>* pLines)
{
    for (const LinkPairResult& result : results)
    {
        // Everything that may fail comes before the row is counted: a row
        // is in the report with its place, or not at all.
        Row row;
        row.result = result;
        const CString strLine = m_job != nullptr ? m_job->FormatLine(result) : CString();
        InsertRow(row, MakeSortKey(strLine));
        if (pLines != nullptr)
            pLines->push_back(strLine);
    }
}

void CReport::AddTexts(const std::vector<CString>& lines)
{
    // A report whose run has ended keeps no sort keys: they are made again
    // for the rows there before more rows come in among them.
    if (m_bFrozen)
    {
        m_bFrozen = false;
        m_keyStarts.assign(1, 0);
        for (uint32_t nRow = 0; nRow < m_rows.size(); ++nRow)
        {
            m_keys += MakeSortKey(LineOfRow(nRow));
            m_keyStarts.push_back(m_keys.size());
        }
        m_bStartsValid = false;
    }
    for (const CString& line : lines)
    {
        const std::string key = MakeSortKey(line);
        MakeRoom(m_texts, 1);
        Row row;
        row.nText = static_cast<int>(m_texts.size());
        m_texts.push_back(line);
        InsertRow(row, key);
    }
}

void CReport::SetLastLine(const CString& strLine)
{
    m_strLastLine = strLine;
    m_bHasLastLine = true;
}

void CReport::Freeze()
{
    std::string().swap(m_keys);
    std::vector<size_t>().swap(m_keyStarts);
    m_bFrozen = true;
}

void CReport::UpdateStarts() const
{
    if (m_bStartsValid)
        return;
    m_starts.resize(m_chunks.size());
    size_t nStart = 0;
    for (size_t c = 0; c < m_chunks.size(); ++c)
    {
        m_starts[c] = nStart;
        nStart += m_chunks[c].size();
    }
    m_bStartsValid = true;
}

size_t CReport::ChunkOf(size_t nPosition) const
{
    UpdateStarts();
    return static_cast<size_t>(std::upper_bound(m_starts.begin(), m_starts.end(), nPosition) - m_starts.begin()) - 1;
}

bool CReport::IsPreview() const
{
    return m_job != nullptr && m_job->GetOptions().bPreview;
}

size_t CReport::GetCount() const
{
    return m_nPlaced + (m_bHasLastLine ? 1 : 0);
}

uint32_t CReport::GetRowAt(size_t nPosition) const
{
    if (nPosition >= m_nPlaced)
        return kLastLine;
    const size_t c = ChunkOf(nPosition);
    return m_chunks[c][nPosition - m_starts[c]];
}

CString CReport::GetLine(size_t nPosition) const
{
    return GetLineOfRow(GetRowAt(nPosition));
}

CString CReport::GetLineOfRow(uint32_t nRow) const
{
    if (nRow >= m_rows.size())
        return nRow == kLastLine && m_bHasLastLine ? m_strLastLine : CString();
    return LineOfRow(nRow);
}

bool CReport::GetFieldsOfRow(uint32_t nRow, LinkLineFields& fields) const
{
    fields = LinkLineFields();
    if (nRow < m_rows.size() && m_rows[nRow].nText < 0 && m_job != nullptr)
    {
        fields = m_job->GetFields(m_rows[nRow].result);
        return true;
    }
    fields.strText = GetLineOfRow(nRow);
    return false;
}

size_t CReport::FindPosition(uint32_t nRow) const
{
    if (m_bFrozen || nRow >= m_rows.size() || m_keyStarts.size() <= nRow + 1)
        return GetCount();
    UpdateStarts();
    // Rows equal to it lie together; it is among them.
    const auto chunk = std::lower_bound(m_chunks.begin(), m_chunks.end(), nRow,
                                        [this](const Chunk& c, uint32_t row) { return CompareRows(c.back(), row) < 0; });
    for (auto c = chunk; c != m_chunks.end(); ++c)
    {
        auto it = std::lower_bound(c->begin(), c->end(), nRow,
                                   [this](uint32_t other, uint32_t row) { return CompareRows(other, row) < 0; });
        for (; it != c->end() && CompareRows(*it, nRow) == 0; ++it)
        {
            if (*it == nRow)
                return m_starts[static_cast<size_t>(c - m_chunks.begin())] + static_cast<size_t>(it - c->begin());
        }
        if (it != c->end())
            break;
    }
    return GetCount();
}

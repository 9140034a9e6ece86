#include "links/LinkReport.h"

#include "links/LinkPrivileges.h"

#include <mutex>
#include <unordered_map>

CString GetCachedErrorText(DWORD dwError)
{
    // A long report asks for the same few texts thousands of times.
    static std::mutex s_mutex;
    static std::unordered_map<DWORD, CString> s_texts;
    {
        std::lock_guard<std::mutex> lock(s_mutex);
        const auto it = s_texts.find(dwError);
        if (it != s_texts.end())
            return it->second;
    }
    const CString strText = GetErrorText(dwError);
    std::lock_guard<std::mutex> lock(s_mutex);
    s_texts.emplace(dwError, strText);
    return strText;
}

CString FormatLinkLine(LinkKind kind, DWORD dwError, const CString& strTarget)
{
    CString strLine;
    strLine.Format(kind == LinkKind::Symbolic ? L"SymbolicLink: %s, File: %s, Error: %ld, %s."
                                              : L"HardLink: %s, File: %s, Error: %ld, %s.",
                   dwError == 0 ? L"OK" : L"FAILED", strTarget.GetString(), static_cast<long>(dwError),
                   GetCachedErrorText(dwError).GetString());
    return strLine;
}

CString FormatSkipSelfLine(const CString& strTarget)
{
    CString strLine;
    strLine.Format(L"Skip: File: %s.", strTarget.GetString());
    return strLine;
}

CString FormatSkipExistingLine(const CString& strSource, const CString& strTarget)
{
    // What was skipped, and what is in its way.
    CString strLine;
    strLine.Format(L"Skip: %s, File: %s.", strSource.GetString(), strTarget.GetString());
    return strLine;
}

CString FormatPairLine(const LinkPairResult& result, LinkKind kind, const CString& strSource,
                       const CString& strTarget)
{
    switch (result.outcome)
    {
    case LinkOutcome::SkipSelf:
        return FormatSkipSelfLine(strTarget);
    case LinkOutcome::SkipExisting:
        return FormatSkipExistingLine(strSource, strTarget);
    case LinkOutcome::Linked:
    default:
        return FormatLinkLine(kind, result.dwError, strTarget);
    }
}

LinkLineFields GetPairFields(const LinkPairResult& result, LinkKind kind, const CString& strSource,
                             const CString& strTarget)
{
    LinkLineFields fields;
    fields.strKind = kind == LinkKind::Symbolic ? L"SymbolicLink" : L"HardLink";
    fields.strTarget = strTarget;
    if (result.outcome != LinkOutcome::Linked)
    {
        fields.strResult = L"Skip";
        if (result.outcome == LinkOutcome::SkipExisting)
            fields.strText = strSource;
        return fields;
    }
    fields.strResult = result.dwError == 0 ? L"OK" : L"FAILED";
    fields.strCode.Format(L"%ld", static_cast<long>(result.dwError));
    fields.strText = GetCachedErrorText(result.dwError);
    // The system's texts end in a line break; a cell wants none.
    int nLength = fields.strText.GetLength();
    while (nLength > 0 && (fields.strText[nLength - 1] == L'\r' || fields.strText[nLength - 1] == L'\n'))
        --nLength;
    fields.strText = fields.strText.Left(nLength);
    return fields;
}

CString FormatEndedEarlyLine(long long nDone, long long nTotal, DWORD dwError)
{
    CString strLine;
    if (dwError == 0)
        strLine.Format(L"Abgebrochen nach %I64d von %I64d Paaren.", nDone, nTotal);
    else
        strLine.Format(L"Abgebrochen nach %I64d von %I64d Paaren. Fehler: %ld, %s.", nDone, nTotal,
                       static_cast<long>(dwError), GetCachedErrorText(dwError).GetString());
    return strLine;
}

#include "links/LinkReport.h"

#include "files/TempName.h"
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

// "12.345" for 12345: thousands grouped as German readers expect.
CString GroupDigits(ULONGLONG nValue)
{
    wchar_t szDigits[32];
    swprintf(szDigits, 32, L"%I64u", nValue);
    CString strGrouped;
    const int nLength = static_cast<int>(::wcslen(szDigits));
    for (int i = 0; i < nLength; ++i)
    {
        if (i > 0 && (nLength - i) % 3 == 0)
            strGrouped += L'.';
        strGrouped += szDigits[i];
    }
    return strGrouped;
}

CString GetSystemTextInLine(DWORD dwError)
{
    // Our own lines end in a full stop of their own: the system's text
    // without its line break and its full stop.
    CString strText = GetCachedErrorText(dwError);
    int nLength = strText.GetLength();
    while (nLength > 0 && (strText[nLength - 1] == L'\r' || strText[nLength - 1] == L'\n' || strText[nLength - 1] == L' '))
        --nLength;
    if (nLength > 0 && strText[nLength - 1] == L'.')
        --nLength;
    return strText.Left(nLength);
}

CString MakeOneLine(const CString& strLine)
{
    // A pair's line keeps the system's text as the system gives it, its
    // line break before the final full stop; on one line that full stop
    // goes where the text has one already.
    int nEnd = strLine.GetLength();
    const bool bFullStop = nEnd > 0 && strLine[nEnd - 1] == L'.';
    if (bFullStop)
        --nEnd;
    int nText = nEnd;
    while (nText > 0 && (strLine[nText - 1] == L'\r' || strLine[nText - 1] == L'\n'))
        --nText;
    if (nText == nEnd)
        return strLine;
    CString strOne = strLine.Left(nText);
    if (bFullStop && (nText == 0 || strLine[nText - 1] != L'.'))
        strOne += L'.';
    return strOne + strLine.Mid(nEnd + (bFullStop ? 1 : 0));
}

CString FormatLinkLine(LinkKind kind, DWORD dwError, const CString& strTarget)
{
    CString strLine;
    strLine.Format(kind == LinkKind::Symbolic   ? L"SymbolicLink: %s, File: %s, Error: %ld, %s."
                   : kind == LinkKind::Junction ? L"Junction: %s, File: %s, Error: %ld, %s."
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

CString FormatByteSize(ULONGLONG nBytes)
{
    if (nBytes < 1024)
        return GroupDigits(nBytes) + (nBytes == 1 ? L" Byte" : L" Bytes");
    const wchar_t* const units[] = {L"KB", L"MB", L"GB", L"TB", L"PB"};
    double dValue = static_cast<double>(nBytes) / 1024.0;
    size_t nUnit = 0;
    while (dValue >= 1024.0 && nUnit + 1 < sizeof(units) / sizeof(units[0]))
    {
        dValue /= 1024.0;
        ++nUnit;
    }
    CString strValue;
    strValue.Format(dValue < 10.0 ? L"%.1f %s" : L"%.0f %s", dValue, units[nUnit]);
    strValue.Replace(L".", L",");
    return strValue;
}

namespace {

// A FILETIME as local date and time, "08.12.2026 09:30".
CString FormatWriteTime(ULONGLONG nWriteTime)
{
    FILETIME utc = {static_cast<DWORD>(nWriteTime & 0xFFFFFFFFu), static_cast<DWORD>(nWriteTime >> 32)};
    FILETIME local = {};
    SYSTEMTIME time = {};
    if (!::FileTimeToLocalFileTime(&utc, &local) || !::FileTimeToSystemTime(&local, &time))
        return CString(L"?");
    CString strTime;
    strTime.Format(L"%02u.%02u.%04u %02u:%02u", time.wDay, time.wMonth, time.wYear, time.wHour, time.wMinute);
    return strTime;
}

// Where the old file lies when it could not be put back: the run's kept
// folder in the target's folder, under its name.
CString AsideSentence(const LinkPairResult& result, const CString& strTarget)
{
    if (!result.bOldAside)
        return CString();
    const int nSlash = strTarget.ReverseFind(L'\\') + 1;
    return L" Die alte Datei liegt jetzt unter " + strTarget.Left(nSlash) + MakeKeptPath(result.nKeptTime, result.nKeptPart) +
           L"\\" + strTarget.Mid(nSlash) + L".";
}

// A symbolic link that was to be relative and could not be: why it holds
// the absolute path. Said of links made and foreseen.
CString PathFormNote(const LinkPairResult& result)
{
    if (result.dwError != 0 || (result.action != PairAction::NewLink && result.action != PairAction::Replace))
        return CString();
    switch (result.pathForm)
    {
    case LinkPathForm::AbsoluteOtherRoot:
        return L"mit absolutem Pfad: die Quelle liegt auf einem anderen Laufwerk";
    case LinkPathForm::AbsoluteNotExpressible:
        return L"mit absolutem Pfad: der Name der Quelle ist nur so erreichbar";
    default:
        return CString();
    }
}

// Why a folder link was refused before anything was tried.
CString RefusalSentence(const LinkPairResult& result)
{
    switch (result.action)
    {
    case PairAction::RefuseCycle:
        return L" Der Zielordner ist die Quelle, liegt in ihr oder führt durch sie: der Link enthielte sich selbst.";
    case PairAction::RefuseRemoteJunction:
        return L" Eine Junction führt nur zu einem Ordner auf einem lokalen Laufwerk; für diese Quelle "
               L"„SymbolicLink (*)“ wählen.";
    default:
        return CString();
    }
}

// The kind a pair's line names: a folder's "Hard" link is a junction.
LinkKind PairKind(const LinkPairResult& result, LinkKind kind)
{
    return result.bFolder && kind == LinkKind::Hard ? LinkKind::Junction : kind;
}

CString PathFormSentence(const LinkPairResult& result)
{
    const CString strNote = PathFormNote(result);
    return strNote.IsEmpty() ? CString() : L" Erstellt " + strNote + L".";
}

void SetFailure(LinkLineFields& fields, DWORD dwError)
{
    fields.strCode.Format(L"%ld", static_cast<long>(dwError));
    fields.strText = GetCachedErrorText(dwError);
    // The system's texts end in a line break; a cell wants none.
    int nLength = fields.strText.GetLength();
    while (nLength > 0 && (fields.strText[nLength - 1] == L'\r' || fields.strText[nLength - 1] == L'\n'))
        --nLength;
    fields.strText = fields.strText.Left(nLength);
}

}  // namespace

CString FormatPairLine(const LinkPairResult& result, LinkKind kind, bool bPreview, const CString& strSource,
                       const CString& strTarget)
{
    if (bPreview)
    {
        // "Vorschau: <what>, Datei: <target>[, Error: <code>][, <detail>]."
        const LinkLineFields fields = GetPairFields(result, kind, true, strSource, strTarget);
        CString strLine = fields.strResult + L", Datei: " + fields.strTarget;
        if (!fields.strCode.IsEmpty())
            return strLine + L", Error: " + fields.strCode + L", " + GetSystemTextInLine(result.dwError) + L"." +
                   RefusalSentence(result);
        if (!fields.strText.IsEmpty())
            strLine += (result.action == PairAction::LeaveExisting || result.action == PairAction::LeaveMade ? L", Quelle: "
                                                                                                           : L", ") +
                       fields.strText;
        return strLine + L".";
    }
    switch (result.action)
    {
    case PairAction::LeaveSource:
        return FormatSkipSelfLine(strTarget);
    case PairAction::LeaveExisting:
    case PairAction::LeaveMade:
        return FormatSkipExistingLine(strSource, strTarget);
    default:
        return FormatLinkLine(PairKind(result, kind), result.dwError, strTarget) + AsideSentence(result, strTarget) +
               RefusalSentence(result) + PathFormSentence(result);
    }
}

LinkLineFields GetPairFields(const LinkPairResult& result, LinkKind kind, bool bPreview, const CString& strSource,
                             const CString& strTarget)
{
    LinkLineFields fields;
    const LinkKind pairKind = PairKind(result, kind);
    fields.strKind = pairKind == LinkKind::Symbolic ? L"SymbolicLink" : pairKind == LinkKind::Junction ? L"Junction" : L"HardLink";
    fields.strTarget = strTarget;
    switch (result.action)
    {
    case PairAction::LeaveSource:
        fields.strResult = bPreview ? L"Vorschau: bleibt (die Quelle selbst)" : L"Skip";
        return fields;
    case PairAction::LeaveExisting:
    case PairAction::LeaveMade:
        fields.strResult = !bPreview                                    ? L"Skip"
                           : result.action == PairAction::LeaveExisting ? L"Vorschau: bleibt (Entfernen aus)"
                                                                        : L"Vorschau: bleibt (in diesem Lauf schon erstellt)";
        fields.strText = strSource;
        return fields;
    case PairAction::NewLink:
    case PairAction::Replace:
    case PairAction::AlreadyLinked:
        if (!bPreview || result.dwError != 0)
            break;
        fields.strResult = result.action == PairAction::NewLink   ? L"Vorschau: neuer Link"
                           : result.action == PairAction::Replace ? L"Vorschau: ersetzt (die alte Datei wird aufbewahrt)"
                                                                  : L"Vorschau: schon verlinkt";
        if (result.action == PairAction::Replace)
            fields.strText = GroupDigits(result.nSize) + L" Bytes, geändert " + FormatWriteTime(result.nWriteTime);
        if (!PathFormNote(result).IsEmpty())
            fields.strText += (fields.strText.IsEmpty() ? L"" : L", ") + PathFormNote(result);
        return fields;
    default:
        break;
    }
    fields.strResult = result.dwError != 0 ? L"FAILED" : L"OK";
    SetFailure(fields, result.dwError);
    fields.strText += AsideSentence(result, strTarget) + RefusalSentence(result) + PathFormSentence(result);
    if (bPreview)
        fields.strResult = L"Vorschau: " + fields.strResult;
    return fields;
}

CString FormatKeptSentence(long long nFiles, ULONGLONG nBytes, ULONGLONG nKeepTime, bool bUndoable)
{
    return L"Aufbewahrt: " + GroupDigits(static_cast<ULONGLONG>(nFiles)) +
           (nFiles == 1 ? L" ersetzte Datei (" : L" ersetzte Dateien (") + FormatByteSize(nBytes) +
           L") im versteckten Ordner " + MakeKeptFolderName(nKeepTime) + L" ihres Zielordners." +
           (bUndoable ? L" Rückgängig mit Strg+Z." : L"");
}

LinkLineFields GetUndoFields(const LinkPairResult& result, const CString& strTarget)
{
    LinkLineFields fields;
    fields.strKind = L"Rückgängig";
    fields.strTarget = strTarget;
    switch (result.undo)
    {
    case UndoStep::LinkRemoved:
        fields.strResult = L"Link entfernt";
        break;
    case UndoStep::PutBack:
        fields.strResult = L"alte Datei zurück";
        break;
    case UndoStep::LinkGone:
        fields.strResult = L"nichts zu tun (der Link ist nicht mehr da)";
        break;
    case UndoStep::Changed:
        fields.strResult = L"bleibt (hier ist jetzt etwas anderes)";
        break;
    case UndoStep::KeptGone:
        fields.strResult = L"bleibt (die aufbewahrte Datei ist nicht mehr da)";
        break;
    case UndoStep::LastName:
        fields.strResult = L"bleibt (der einzige Name seiner Datei)";
        break;
    default:
        fields.strResult = L"FAILED";
        SetFailure(fields, result.dwError);
        break;
    }
    if (result.nKeptTime != 0)
    {
        // The old file is still kept: where.
        LinkPairResult aside = result;
        aside.bOldAside = true;
        fields.strText += AsideSentence(aside, strTarget).Mid(1);
    }
    return fields;
}

CString FormatUndoLine(const LinkPairResult& result, const CString& strTarget)
{
    // "Rückgängig: <what>, Datei: <target>[, Error: <code>, <text>]."[ <where kept>]
    const LinkLineFields fields = GetUndoFields(result, strTarget);
    CString strLine = L"Rückgängig: " + fields.strResult + L", Datei: " + fields.strTarget;
    if (!fields.strCode.IsEmpty())
        strLine += L", Error: " + fields.strCode + L", " + GetSystemTextInLine(result.dwError);
    strLine += L".";
    if (result.nKeptTime != 0)
    {
        LinkPairResult aside = result;
        aside.bOldAside = true;
        strLine += AsideSentence(aside, strTarget);
    }
    return strLine;
}

namespace {

CString Counted(long long n, const wchar_t* pszOne, const wchar_t* pszMany)
{
    return GroupDigits(static_cast<ULONGLONG>(n)) + L" " + (n == 1 ? pszOne : pszMany);
}

}  // namespace

CString FormatUndoSentence(long long nRemoved, long long nPutBack, long long nLeft, long long nStillKept)
{
    CString strLine = L"Rückgängig gemacht: " + Counted(nRemoved, L"Link entfernt", L"Links entfernt") + L", " +
                      Counted(nPutBack, L"alte Datei zurück", L"alte Dateien zurück");
    if (nLeft != 0)
        strLine += L", " + Counted(nLeft, L"Paar so gelassen, wie es war", L"Paare so gelassen, wie sie waren");
    strLine += L".";
    if (nStillKept != 0)
        strLine += L" " + Counted(nStillKept, L"ersetzte Datei bleibt aufbewahrt.", L"ersetzte Dateien bleiben aufbewahrt.");
    return strLine;
}

CString FormatUnrecordedSentence(DWORD dwError)
{
    CString strLine;
    strLine.Format(L"Rückgängig ist für diesen Lauf nicht möglich: sein Verlauf ließ sich nicht schreiben (Error: %ld, %s).",
                   static_cast<long>(dwError), GetSystemTextInLine(dwError).GetString());
    return strLine;
}

CString FormatEndedEarlyLine(long long nDone, long long nTotal, DWORD dwError)
{
    CString strLine = L"Abgebrochen nach " + GroupDigits(static_cast<ULONGLONG>(nDone)) + L" von " +
                      GroupDigits(static_cast<ULONGLONG>(nTotal)) + (nTotal == 1 ? L" Paar." : L" Paaren.");
    if (dwError != 0)
    {
        CString strError;
        strError.Format(L" Fehler: %ld, %s.", static_cast<long>(dwError), GetSystemTextInLine(dwError).GetString());
        strLine += strError;
    }
    return strLine;
}

CString FormatDamagedRecordSentence(size_t nCertainBytes)
{
    return L"Der Verlauf dieses Laufs ist nach " + GroupDigits(nCertainBytes) +
           L" Bytes beschädigt: Links, die danach verzeichnet waren, bleiben; die aufbewahrten Dateien wurden "
           L"trotzdem alle gesucht.";
}

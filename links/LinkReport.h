#pragma once

#include "framework/String.h"
#include "links/LinkTypes.h"

// The lines of a run's report, all made here: the code, the tests, the
// clipboard and the end-to-end sessions take their format from these.

// The line of one pair: the link kind's line for a link tried, or a Skip
// line; in a preview, "Vorschau: " and what the run would do. strTarget is
// the folder as listed followed by the link's name.
CString FormatPairLine(const LinkPairResult& result, LinkKind kind, bool bPreview, const CString& strSource,
                       const CString& strTarget);
CString FormatLinkLine(LinkKind kind, DWORD dwError, const CString& strTarget);
CString FormatSkipSelfLine(const CString& strTarget);
CString FormatSkipExistingLine(const CString& strSource, const CString& strTarget);

// A pair's line as the fields of a table row: link kind, result ("OK",
// "FAILED", "Skip"; a preview's own words), target, error code, and the
// system's text without its line break (for a Skip because something is in
// the way, the source; for a file a preview would replace, its size and
// time).
struct LinkLineFields
{
    CString strKind;
    CString strResult;
    CString strTarget;
    CString strCode;
    CString strText;
};
LinkLineFields GetPairFields(const LinkPairResult& result, LinkKind kind, bool bPreview, const CString& strSource,
                             const CString& strTarget);

// The sentence after the pairs of a run that kept the files it replaced:
// how many, their size, the kept folder's name, and, where the run was
// recorded, how to undo it.
CString FormatKeptSentence(long long nFiles, ULONGLONG nBytes, ULONGLONG nKeepTime, bool bUndoable);

// A pair of an undo: "Rückgängig: ", what was found and done, the target,
// and where an old file that stays kept is.
CString FormatUndoLine(const LinkPairResult& result, const CString& strTarget);
LinkLineFields GetUndoFields(const LinkPairResult& result, const CString& strTarget);
// The sentence after an undo's pairs.
CString FormatUndoSentence(long long nRemoved, long long nPutBack, long long nLeft, long long nStillKept);
// An undo whose record could be read only up to a damaged line.
CString FormatDamagedRecordSentence(size_t nCertainBytes);
// A run whose record could not be written cannot be undone.
CString FormatUnrecordedSentence(DWORD dwError);

// The last line of a run that ended early: stopped by the user, or, with
// dwError not 0, because it could not go on.
CString FormatEndedEarlyLine(long long nDone, long long nTotal, DWORD dwError);

// The system's text for an error code, looked up once per code.
CString GetCachedErrorText(DWORD dwError);
// The same inside a line of the program's own, which ends in its own full
// stop: without the system's line break and full stop.
CString GetSystemTextInLine(DWORD dwError);
// A line as it goes on one line (the clipboard): a pair's line without the
// line break the system's text brings, one full stop at its end.
CString MakeOneLine(const CString& strLine);
// Bytes as Explorer shows sizes, with a decimal comma: "1,2 MB", "512 Bytes".
CString FormatByteSize(ULONGLONG nBytes);
// "12.345" for 12345: thousands grouped as German readers expect.
CString GroupDigits(ULONGLONG nValue);

#pragma once

#include "framework/String.h"
#include "links/LinkTypes.h"

// The lines of a run's report, all made here: the code, the tests, the
// clipboard and the end-to-end sessions take their format from these.

// The line of one pair: the link kind's line for a link tried, or a Skip
// line. strTarget is the folder as listed followed by the link's name.
CString FormatPairLine(const LinkPairResult& result, LinkKind kind, const CString& strSource,
                       const CString& strTarget);
CString FormatLinkLine(LinkKind kind, DWORD dwError, const CString& strTarget);
CString FormatSkipSelfLine(const CString& strTarget);
CString FormatSkipExistingLine(const CString& strSource, const CString& strTarget);

// The last line of a run that ended early: stopped by the user, or, with
// dwError not 0, because it could not go on.
CString FormatEndedEarlyLine(long long nDone, long long nTotal, DWORD dwError);

// The system's text for an error code, looked up once per code.
CString GetCachedErrorText(DWORD dwError);

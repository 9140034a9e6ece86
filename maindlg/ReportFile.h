#pragma once

#include "framework/String.h"
#include "files/FileInPlace.h"
#include "maindlg/Report.h"

#include <windows.h>

#include <string>

// The report as a file that Excel opens as it is: CSV in UTF-8 with a
// byte-order mark, the user's list separator, a header row, one row per
// pair (kind, result, target, code, text) and the other lines with only
// their text; fields quoted as RFC 4180 says.
std::string MakeReportCsv(const CReport& report, wchar_t chSeparator);
// The same in parts: the byte-order mark and the header row, and the rows
// of the lines at places nFrom to nTo (not included).
std::string MakeReportCsvHead(wchar_t chSeparator);
std::string MakeReportCsvRows(const CReport& report, wchar_t chSeparator, size_t nFrom, size_t nTo);

// The user's list separator (";" in German settings); "," where the
// setting cannot serve as one.
wchar_t GetListSeparator();

// "Quillon-Bericht-2026-12-08-0930.csv" for that moment;
// "Quillon-Vorschau-…" for the report of a preview.
CString MakeReportFileName(const SYSTEMTIME& time, bool bPreview);

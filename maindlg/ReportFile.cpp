#include "maindlg/ReportFile.h"


#include <algorithm>

namespace {

void AppendField(std::wstring& row, const CString& strField, wchar_t chSeparator)
{
    const wchar_t* psz = strField.GetString();
    const size_t nLength = static_cast<size_t>(strField.GetLength());
    if (std::wstring::traits_type::find(psz, nLength, chSeparator) == nullptr &&
        std::wstring::traits_type::find(psz, nLength, L'"') == nullptr &&
        std::wstring::traits_type::find(psz, nLength, L'\r') == nullptr &&
        std::wstring::traits_type::find(psz, nLength, L'\n') == nullptr)
    {
        row.append(psz, nLength);
        return;
    }
    row += L'"';
    for (size_t i = 0; i < nLength; ++i)
    {
        if (psz[i] == L'"')
            row += L'"';
        row += psz[i];
    }
    row += L'"';
}

void AppendRow(std::wstring& text, const LinkLineFields& fields, wchar_t chSeparator)
{
    AppendField(text, fields.strKind, chSeparator);
    for (const CString* pField : {&fields.strResult, &fields.strTarget, &fields.strCode, &fields.strText})
    {
        text += chSeparator;
        AppendField(text, *pField, chSeparator);
    }
    text += L"\r\n";
}

void AppendUtf8(std::string& bytes, const std::wstring& text)
{
    if (text.empty())
        return;
    const int nBytes =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    const size_t nStart = bytes.size();
    bytes.resize(nStart + static_cast<size_t>(nBytes));
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[nStart], nBytes, nullptr,
                          nullptr);
}

}  // namespace

std::string MakeReportCsvHead(wchar_t chSeparator)
{
    std::string bytes = "\xEF\xBB\xBF";
    LinkLineFields header;
    header.strKind = L"Art";
    header.strResult = L"Ergebnis";
    header.strTarget = L"Ziel";
    header.strCode = L"Code";
    header.strText = L"Text";
    std::wstring text;
    AppendRow(text, header, chSeparator);
    AppendUtf8(bytes, text);
    return bytes;
}

std::string MakeReportCsvRows(const CReport& report, wchar_t chSeparator, size_t nFrom, size_t nTo)
{
    std::string bytes;
    std::wstring text;
    for (size_t nPosition = nFrom; nPosition < nTo && nPosition < report.GetCount(); ++nPosition)
    {
        LinkLineFields fields;
        report.GetFieldsOfRow(report.GetRowAt(nPosition), fields);
        AppendRow(text, fields, chSeparator);
        // Converted in slices: a long report is not held twice as UTF-16.
        if (text.size() > (1u << 20))
        {
            AppendUtf8(bytes, text);
            text.clear();
        }
    }
    AppendUtf8(bytes, text);
    return bytes;
}

std::string MakeReportCsv(const CReport& report, wchar_t chSeparator)
{
    return MakeReportCsvHead(chSeparator) + MakeReportCsvRows(report, chSeparator, 0, report.GetCount());
}

wchar_t GetListSeparator()
{
    wchar_t szSeparator[8] = {};
    if (::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SLIST, szSeparator, 8) == 0)
        return L',';
    const wchar_t ch = szSeparator[0];
    // A separator must be one character that no field begins a quote or a
    // row with.
    if (ch == L'\0' || ch == L'"' || ch == L'\r' || ch == L'\n' || szSeparator[1] != L'\0')
        return L',';
    return ch;
}

CString MakeReportFileName(const SYSTEMTIME& time, bool bPreview)
{
    CString strName;
    strName.Format(L"Quillon-%s-%04u-%02u-%02u-%02u%02u.csv", bPreview ? L"Vorschau" : L"Bericht", time.wYear,
                   time.wMonth, time.wDay, time.wHour, time.wMinute);
    return strName;
}

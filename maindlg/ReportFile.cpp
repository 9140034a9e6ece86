#include "maindlg/ReportFile.h"

#include "links/TempName.h"
#include "shell/PathHelpers.h"

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

std::string MakeReportCsv(const CReport& report, wchar_t chSeparator)
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
    const size_t nCount = report.GetCount();
    for (size_t nPosition = 0; nPosition < nCount; ++nPosition)
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

CString MakeReportFileName(const SYSTEMTIME& time)
{
    CString strName;
    strName.Format(L"Quillon-Bericht-%04u-%02u-%02u-%02u%02u.csv", time.wYear, time.wMonth, time.wDay, time.wHour,
                   time.wMinute);
    return strName;
}

DWORD WriteFileInPlace(const CString& strPath, const std::string& bytes)
{
    // A read-only file is not replaced, as Windows' own rename refuses to
    // (some systems, Wine among them, would).
    const DWORD dwOld = ::GetFileAttributesW(MakeSystemPath(strPath));
    if (dwOld != INVALID_FILE_ATTRIBUTES && (dwOld & FILE_ATTRIBUTE_READONLY))
        return ERROR_ACCESS_DENIED;
    const int nSlash = strPath.ReverseFind(L'\\');
    const CString strTemp = strPath.Left(nSlash + 1) + MakeTempName();
    const CString strSystemTemp = MakeSystemPath(strTemp);
    const HANDLE hFile =
        ::CreateFileW(strSystemTemp, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return ::GetLastError();
    DWORD dwError = ERROR_SUCCESS;
    for (size_t nDone = 0; nDone < bytes.size() && dwError == ERROR_SUCCESS;)
    {
        const DWORD dwChunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - nDone, 1u << 20));
        DWORD dwWritten = 0;
        if (!::WriteFile(hFile, bytes.data() + nDone, dwChunk, &dwWritten, nullptr) || dwWritten == 0)
            dwError = dwWritten == 0 && ::GetLastError() == ERROR_SUCCESS ? ERROR_WRITE_FAULT : ::GetLastError();
        nDone += dwWritten;
    }
    if (dwError == ERROR_SUCCESS && !::FlushFileBuffers(hFile))
        dwError = ::GetLastError();
    ::CloseHandle(hFile);
    if (dwError == ERROR_SUCCESS &&
        !::MoveFileExW(strSystemTemp, MakeSystemPath(strPath), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        dwError = ::GetLastError();
    if (dwError != ERROR_SUCCESS)
        ::DeleteFileW(strSystemTemp);
    return dwError;
}

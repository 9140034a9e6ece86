#include <gtest/gtest.h>

#include "links/LinkPrivileges.h"
#include "links/LinkReport.h"

#include <string>

// The program's own lines take the system's text without its line break
// and full stop, count as German readers count, and say "Paar" for one; a
// pair's line keeps the system's text as it is in the list and loses only
// the line break on one line.
TEST(LinkReportTest, OwnLinesAndOneLineFormsSayEachThingOnce)
{
    std::wstring text = GetErrorText(ERROR_NOT_ENOUGH_MEMORY).GetString();
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L'.'))
        text.pop_back();
    ASSERT_FALSE(text.empty());
    const struct
    {
        long long nDone;
        long long nTotal;
        DWORD dwError;
        std::wstring expected;
    } ended[] = {
        {1, 1, 0, L"Abgebrochen nach 1 von 1 Paar."},
        {12345, 100000, 0, L"Abgebrochen nach 12.345 von 100.000 Paaren."},
        {0, 4, ERROR_NOT_ENOUGH_MEMORY, L"Abgebrochen nach 0 von 4 Paaren. Fehler: 8, " + text + L"."},
    };
    for (const auto& c : ended)
        EXPECT_EQ(c.expected, FormatEndedEarlyLine(c.nDone, c.nTotal, c.dwError).GetString());

    const CString strOk = FormatLinkLine(LinkKind::Hard, 0, L"C:\\T\\a.txt");
    ASSERT_EQ(L"\r\n.", std::wstring(strOk.Right(3).GetString()));
    const std::wstring one = MakeOneLine(strOk).GetString();
    EXPECT_EQ(std::wstring::npos, one.find(L'\r'));
    EXPECT_EQ(std::wstring::npos, one.find(L".."));
    EXPECT_EQ(L'.', one.back());
    EXPECT_EQ(L"Skip: File: C:\\T\\a.txt.", std::wstring(MakeOneLine(FormatSkipSelfLine(L"C:\\T\\a.txt")).GetString()));

    LinkPairResult failed;
    failed.action = PairAction::NewLink;
    failed.dwError = ERROR_NOT_ENOUGH_MEMORY;
    EXPECT_EQ(L"Vorschau: FAILED, Datei: C:\\T\\a.txt, Error: 8, " + text + L".",
              FormatPairLine(failed, LinkKind::Hard, true, L"C:\\S\\a.txt", L"C:\\T\\a.txt").GetString());
    EXPECT_EQ(std::wstring(L"Vorschau: FAILED"),
              GetPairFields(failed, LinkKind::Hard, true, L"", L"C:\\T\\a.txt").strResult.GetString());
}

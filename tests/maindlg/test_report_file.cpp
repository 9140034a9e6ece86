#include <gtest/gtest.h>

#include "links/LinkRun.h"
#include "maindlg/ReportFile.h"
#include "tests/links/fake_file_system.h"
#include "tests/maindlg/main_window_support.h"
#include "tests/shell/scripted_pickers.h"

#include <fstream>
#include <iterator>
#include <map>
#include <regex>

namespace {

std::string Utf8(const std::wstring& text)
{
    std::string bytes(static_cast<size_t>(::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr,
                                                                nullptr)),
                      '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &bytes[0], static_cast<int>(bytes.size()), nullptr, nullptr);
    bytes.pop_back();
    return bytes;
}

std::string ReadAll(const std::wstring& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::wstring ErrorCell(DWORD dwError)
{
    std::wstring text = GetCachedErrorText(dwError).GetString();
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n'))
        text.pop_back();
    return text;
}

}  // namespace

// One row per line in the list's order, each pair's fields apart, quoted
// where a field holds the separator, a quote or a line break; the lines
// that are not pairs with only their text; UTF-8 after a byte-order mark.
TEST(ReportFileTest, CsvHasARowPerLineInTheListsOrder)
{
    CFakeFileSystem fs;
    const CVectorPathList folders = {L"C:\\Zi;el, \"neu\"\\"};
    const CVectorPathList files = {L"C:\\Quelle\\a.txt", L"C:\\Quelle\\Größe.txt", L"C:\\Zi;el, \"neu\"\\c.txt",
                                   L"C:\\Quelle\\d.txt"};
    const auto job = std::make_shared<CLinkJob>(folders, files, Options(LinkKind::Hard), fs);
    CReport report;
    report.SetJob(job);
    report.AddResults({{0, 0, PairAction::NewLink, false, UndoStep::None, 0},
                       {0, 1, PairAction::NewLink, false, UndoStep::None, ERROR_ACCESS_DENIED},
                       {0, 2, PairAction::LeaveSource, false, UndoStep::None, 0},
                       {0, 3, PairAction::LeaveExisting, false, UndoStep::None, 0}});
    report.AddTexts({L"Nicht gefunden: C:\\x;y.txt."});
    report.SetLastLine(L"Abgebrochen nach 4 von 5 Paaren.");
    report.Freeze();

    const std::wstring target = L"\"C:\\Zi;el, \"\"neu\"\"\\";
    // Each line the list shows, and the row it becomes with ";".
    const std::map<std::wstring, std::wstring> rows = {
        {job->FormatLine({0, 0, PairAction::NewLink, false, UndoStep::None, 0}).GetString(),
         L"HardLink;OK;" + target + L"a.txt\";0;" + ErrorCell(0)},
        {job->FormatLine({0, 1, PairAction::NewLink, false, UndoStep::None, ERROR_ACCESS_DENIED}).GetString(),
         L"HardLink;FAILED;" + target + L"Größe.txt\";5;" + ErrorCell(ERROR_ACCESS_DENIED)},
        {job->FormatLine({0, 2, PairAction::LeaveSource, false, UndoStep::None, 0}).GetString(), L"HardLink;Skip;" + target + L"c.txt\";;"},
        {job->FormatLine({0, 3, PairAction::LeaveExisting, false, UndoStep::None, 0}).GetString(),
         L"HardLink;Skip;" + target + L"d.txt\";;C:\\Quelle\\d.txt"},
        {L"Nicht gefunden: C:\\x;y.txt.", L";;;;\"Nicht gefunden: C:\\x;y.txt.\""},
        {L"Abgebrochen nach 4 von 5 Paaren.", L";;;;Abgebrochen nach 4 von 5 Paaren."},
    };
    ASSERT_EQ(rows.size(), report.GetCount());
    std::wstring expected = L"Art;Ergebnis;Ziel;Code;Text\r\n";
    for (size_t i = 0; i < report.GetCount(); ++i)
        expected += rows.at(report.GetLine(i).GetString()) + L"\r\n";
    EXPECT_EQ("\xEF\xBB\xBF" + Utf8(expected), MakeReportCsv(report, L';'));

    // A saved preview says so in every row, and by its name.
    LinkRunOptions options = Options(LinkKind::Hard);
    options.bPreview = true;
    CReport preview;
    preview.SetJob(std::make_shared<CLinkJob>(folders, files, options, fs));
    preview.AddResults({{0, 0, PairAction::NewLink, false, UndoStep::None, 0}, {0, 1, PairAction::NewLink, false, UndoStep::None, ERROR_NOT_SAME_DEVICE}});
    const std::string csv = MakeReportCsv(preview, L';');
    EXPECT_NE(std::string::npos, csv.find(";Vorschau: neuer Link;"));
    EXPECT_NE(std::string::npos, csv.find(";Vorschau: FAILED;"));
    const SYSTEMTIME time = {2026, 12, 3, 8, 9, 30, 0, 0};
    EXPECT_EQ(std::wstring(L"Quillon-Vorschau-2026-12-08-0930.csv"), MakeReportFileName(time, true).GetString());
    EXPECT_EQ(std::wstring(L"Quillon-Bericht-2026-12-08-0930.csv"), MakeReportFileName(time, false).GetString());

    // With "," the fields that hold one are quoted, the others not.
    const std::string comma = MakeReportCsv(report, L',');
    EXPECT_NE(std::string::npos, comma.find("HardLink,Skip,\"C:\\Zi;el, \"\"neu\"\"\\c.txt\",,\r\n")) << comma;
    EXPECT_NE(std::string::npos, comma.find(",,,,Nicht gefunden: C:\\x;y.txt.\r\n")) << comma;
}

// The file is written beside its place and renamed into it: a file there is
// replaced whole, and where writing fails it stays as it was and nothing is
// left behind.
TEST(ReportFileTest, WritingReplacesAFileWholeOrLeavesItAsItWas)
{
    CTempTree tree;
    const std::wstring folder = tree.Root() + L"\\";
    const std::wstring path = folder + L"Bericht.csv";
    std::ofstream(path.c_str()) << "old";
    EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), WriteFileInPlace(path.c_str(), "new;report"));
    EXPECT_EQ("new;report", ReadAll(path));

    const std::wstring readOnly = tree.File(L"fest.csv");
    std::ofstream(readOnly.c_str()) << "kept";
    ::SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    const struct
    {
        std::wstring path;
        DWORD dwError;
    } failures[] = {
        {folder + L"fehlt\\Bericht.csv", ERROR_PATH_NOT_FOUND},
        {tree.Folder(L"Ordner"), ERROR_ACCESS_DENIED},
        {readOnly, ERROR_ACCESS_DENIED},
    };
    for (const auto& failure : failures)
    {
        SCOPED_TRACE(failure.path);
        EXPECT_EQ(failure.dwError, WriteFileInPlace(failure.path.c_str(), "new"));
        EXPECT_EQ(0, TempFilesIn(folder));
    }
    EXPECT_EQ("kept", ReadAll(readOnly));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW((folder + L"Ordner").c_str()));
}

// Ctrl+S anywhere in the window asks where to, starting in the folder picked
// last with a name of the date and time, and writes the report there; a
// cancelled dialog writes nothing, and an empty report asks nothing.
TEST(ReportFileTest, CtrlSSavesTheReportWhereTheUserSays)
{
    CTempTree tree;
    CTestMainDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_QUILLON_DIALOG));
    dlg.m_strFolder = tree.Root().c_str();
    CScriptedPickers pickers;
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    ::SetKeyboardState(keys);
    MSG msg = {::GetDlgItem(dlg.m_hWnd, IDC_LIST_FILES), WM_KEYDOWN, 'S', 0, 0, {0, 0}};

    EXPECT_TRUE(dlg.PreTranslateMessage(&msg));
    EXPECT_EQ(0, pickers.nSaveCalls);

    dlg.GetReportView().AddTexts({L"Nicht gefunden: C:\\ä.txt."});
    const std::wstring path = tree.Root() + L"\\saved.csv";
    for (const bool bChosen : {false, true})
    {
        pickers.saveResult = bChosen ? path : L"";
        EXPECT_TRUE(dlg.PreTranslateMessage(&msg));
        // Written in slices on the window's timer.
        MSG pending;
        while (dlg.IsSavingReport() && ::GetMessageW(&pending, nullptr, 0, 0) > 0)
            ::DispatchMessageW(&pending);
        EXPECT_EQ(bChosen, ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES);
    }
    EXPECT_EQ(2, pickers.nSaveCalls);
    EXPECT_EQ(tree.Root(), pickers.saveFolderSeen);
    EXPECT_TRUE(std::regex_match(pickers.saveNameSeen, std::wregex(L"Quillon-Bericht-\\d{4}-\\d\\d-\\d\\d-\\d{4}\\.csv")))
        << pickers.saveNameSeen;
    EXPECT_EQ(MakeReportCsv(dlg.GetReportView().GetReport(), GetListSeparator()), ReadAll(path));

    // Without Ctrl, S is the list's own.
    keys[VK_CONTROL] = 0;
    ::SetKeyboardState(keys);
    EXPECT_FALSE(dlg.PreTranslateMessage(&msg));
}

#include <gtest/gtest.h>

#include "fake_file_system.h"
#include "files/PathRules.h"
#include "links/LinkRun.h"
#include "links/RunHistory.h"
#include "links/Win32FileSystem.h"
#include "tests/temp_tree.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

void Write(const std::wstring& path, const std::string& content, DWORD dwAttributes = FILE_ATTRIBUTE_NORMAL)
{
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << ::GetLastError();
    DWORD written = 0;
    ::WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    ::CloseHandle(h);
    ::SetFileAttributesW(path.c_str(), dwAttributes);
}

// What a name holds: its file's index, contents and attributes ("-" for
// nothing there).
std::string Holds(const std::wstring& path)
{
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return "-";
    BY_HANDLE_FILE_INFORMATION info = {};
    ::GetFileInformationByHandle(h, &info);
    char buffer[64];
    DWORD read = 0;
    ::ReadFile(h, buffer, sizeof(buffer), &read, nullptr);
    ::CloseHandle(h);
    return std::to_string(info.nFileIndexLow) + " " + std::string(buffer, read) + " " +
           std::to_string(::GetFileAttributesW(path.c_str()) & ~static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
}

}  // namespace

TEST(Win32UndoTest, ARunUndoneAfterARestartLeavesEveryNameAsItWas)
{
    // New, replaced (plain, read-only, hidden, with a second name), already
    // linked and skipped pairs; the history read afresh, as the next start
    // reads it; then the undo.
    CTempTree tree;
    const std::wstring s = tree.Root() + L"\\S\\";
    const std::wstring t = tree.TargetFolder(L"T");
    const std::wstring history = tree.Folder(L"Verlauf");
    tree.Folder(L"S");
    tree.Folder(L"O");
    std::vector<std::wstring> files;
    for (const wchar_t* name : {L"new.txt", L"plain.txt", L"ro.txt", L"hidden.txt", L"second.txt", L"linked.txt", L"later.txt"})
    {
        files.push_back(s + name);
        Write(files.back(), "source");
    }
    Write(t + L"plain.txt", "old plain");
    Write(t + L"ro.txt", "old ro", FILE_ATTRIBUTE_READONLY);
    Write(t + L"hidden.txt", "old hidden", FILE_ATTRIBUTE_HIDDEN);
    Write(t + L"second.txt", "old second");
    ASSERT_TRUE(::CreateHardLinkW((tree.Root() + L"\\O\\second.txt").c_str(), (t + L"second.txt").c_str(), nullptr));
    ASSERT_TRUE(::CreateHardLinkW((t + L"linked.txt").c_str(), (s + L"linked.txt").c_str(), nullptr));
    std::vector<std::wstring> names = {tree.Root() + L"\\O\\second.txt"};
    for (const std::wstring& file : files)
        names.push_back(t + GetFileName(file.c_str()).GetString());
    std::vector<std::string> before;
    for (const std::wstring& name : names)
        before.push_back(Holds(name));
    before.push_back(Holds(s + L"ro.txt"));

    CWin32FileSystem fs(nullptr);
    LinkRunOptions options;
    options.kind = LinkKind::Hard;
    options.strRecordFolder = history.c_str();
    // An earlier run, offered once this one is undone.
    const std::wstring u = tree.TargetFolder(L"U");
    Write(u + L"plain.txt", "old earlier");
    options.nKeepTime = 133932384000000000ull;
    {
        CLinkRun earlier(CVectorPathList({u}), CVectorPathList({s + L"plain.txt"}), options, fs, 0, nullptr);
    }
    options.nKeepTime = 0;
    {
        CLinkRun run(CVectorPathList({t}), CVectorPathList(files), options, fs, 0, nullptr);
        CString strLast;
        ASSERT_TRUE(run.GetLastLine(strLast));
        EXPECT_NE(-1, strLast.Find(L"Aufbewahrt: 4 ersetzte Dateien")) << strLast.GetString();
        EXPECT_NE(-1, strLast.Find(L"Rückgängig mit Strg+Z.")) << strLast.GetString();
    }
    // A name changed after the run is left as it is.
    ASSERT_TRUE(::DeleteFileW((t + L"later.txt").c_str()));
    Write(t + L"later.txt", "the user's own");
    const std::string later = Holds(t + L"later.txt");

    CRunHistory restarted(history.c_str());
    restarted.Load();
    EXPECT_EQ(5, restarted.GetKept().nFiles);
    EXPECT_EQ(2, restarted.GetKept().nRuns);
    std::shared_ptr<const RunRecord> pRecord;
    CString strPath;
    ASSERT_TRUE(restarted.GetUndoable(pRecord, strPath));
    std::vector<std::wstring> lines;
    {
        CLinkRun undo(pRecord, strPath, fs, 2, nullptr);
        undo.Wait();
        for (const LinkPairResult& result : undo.TakeResults())
            lines.emplace_back(undo.GetJob()->FormatLine(result).GetString());
        CString strLast;
        ASSERT_TRUE(undo.GetLastLine(strLast));
        EXPECT_EQ(L"Rückgängig gemacht: 1 Link entfernt, 4 alte Dateien zurück, 1 Paar so gelassen, wie es war.",
                  std::wstring(strLast.GetString()));
    }
    EXPECT_EQ(6u, lines.size());
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(),
                                     L"Rückgängig: bleibt (hier ist jetzt etwas anderes), Datei: " + t + L"later.txt."));
    before[names.size() - 1] = later;
    for (size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(before[i], Holds(names[i])) << names[i];
    EXPECT_EQ(before.back(), Holds(s + L"ro.txt")) << "a source changed";
    EXPECT_TRUE(KeptIn(t).empty());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(strPath)) << "an undo that kept nothing leaves no record";
    restarted.Load();
    ASSERT_TRUE(restarted.GetUndoable(pRecord, strPath));
    EXPECT_EQ(std::vector<CString>{u.c_str()}, pRecord->folders);
    {
        CLinkRun undo(pRecord, strPath, fs, 0, nullptr);
    }
    EXPECT_EQ("old earlier", Holds(u + L"plain.txt").substr(Holds(u + L"plain.txt").find(' ') + 1, 11));
    restarted.Load();
    EXPECT_FALSE(restarted.GetUndoable(pRecord, strPath));
    EXPECT_EQ(0, restarted.GetKept().nFiles);
}

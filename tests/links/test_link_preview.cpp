#include <gtest/gtest.h>

#include "fake_file_system.h"
#include "files/PathRules.h"
#include "links/LinkRun.h"
#include "links/LinkPrivileges.h"
#include "links/Win32FileSystem.h"
#include "tests/temp_tree.h"
#include "wine_host.h"

#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The results of a run on this thread, and each as the line a run gives.
std::vector<LinkPairResult> RunJob(const std::vector<std::wstring>& folders, const std::vector<std::wstring>& files,
                                   bool bRemove, bool bPreview, std::vector<std::wstring>& lines)
{
    CWin32FileSystem fs(LookUpCreateSymbolicLinkW());
    LinkRunOptions options = Options(LinkKind::Hard, bRemove);
    options.bPreview = bPreview;
    CLinkRun run(CVectorPathList(folders), CVectorPathList(files), options, fs, 0, nullptr);
    const std::vector<LinkPairResult> results = run.TakeResults();
    lines.clear();
    for (const LinkPairResult& result : results)
        lines.emplace_back(FormatPairLine(result, LinkKind::Hard, false, files[static_cast<size_t>(result.nFile)].c_str(),
                                          (folders[static_cast<size_t>(result.nFolder)] +
                                           GetFileName(files[static_cast<size_t>(result.nFile)].c_str()).GetString())
                                              .c_str())
                               .GetString());
    return results;
}

// Every name under the folders with its size, content, attributes and file
// index, and each folder's last write time: what a preview must not change.
std::wstring Snapshot(const std::vector<std::wstring>& folders)
{
    std::wstring dump;
    for (const std::wstring& folder : folders)
    {
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        ::GetFileAttributesExW(folder.c_str(), GetFileExInfoStandard, &data);
        dump += folder + L" written " + std::to_wstring(data.ftLastWriteTime.dwLowDateTime) + L"\n";
        WIN32_FIND_DATAW found;
        HANDLE hFind = ::FindFirstFileW((folder + L"*").c_str(), &found);
        if (hFind == INVALID_HANDLE_VALUE)
            continue;
        do
        {
            std::ifstream in((folder + found.cFileName).c_str(), std::ios::binary);
            const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            dump += std::wstring(found.cFileName) + L" " + std::to_wstring(found.nFileSizeLow) + L" " +
                    std::to_wstring(found.dwFileAttributes) + L" " + std::wstring(content.begin(), content.end()) +
                    L"\n";
        } while (::FindNextFileW(hFind, &found));
        ::FindClose(hFind);
    }
    return dump;
}

}  // namespace

// On the real disk, every case Wine can make: what the preview says of each
// pair is what "Erstellen" then does with it, and the preview changes
// nothing, folder times included. Run again, every pair is already linked.
TEST(LinkPreviewTest, WhatThePreviewForetellsTheRunDoes)
{
    CTempTree tree(L"preview");
    const std::wstring s = tree.TargetFolder(L"S"), s2 = tree.TargetFolder(L"S2"), t = tree.TargetFolder(L"T");
    for (const wchar_t* name : {L"new.txt", L"repl.txt", L"linked.txt", L"dup.txt", L"dir.txt"})
        std::ofstream((s + name).c_str()) << "source";
    std::ofstream((s2 + L"dup.txt").c_str()) << "second";
    std::ofstream((t + L"repl.txt").c_str()) << "old file";
    ASSERT_TRUE(::CreateHardLinkW((t + L"linked.txt").c_str(), (s + L"linked.txt").c_str(), nullptr));
    tree.Folder(L"T\\dir.txt");
    const std::vector<std::wstring> files = {s + L"new.txt", s + L"repl.txt", s + L"linked.txt", s + L"dup.txt",
                                             s2 + L"dup.txt", s + L"gone.txt", s + L"dir.txt"};
    std::vector<std::wstring> folders = {t, s, tree.Root() + L"\\missing\\"};

    // A drive letter for Linux's /dev/shm, a file system of its own, where it
    // can be had.
    const std::wstring shm = L"Z:\\dev\\shm\\quillon-preview-" + std::to_wstring(::GetCurrentProcessId());
    std::unique_ptr<CWineDrive> other;
    if (!UnixPathOf(s).empty() && ::CreateDirectoryW(shm.c_str(), nullptr))
        other.reset(new CWineDrive(L'Q', UnixPathOf(shm)));
    if (other != nullptr && other->IsMapped())
        folders.push_back(other->Root());

    // What the preview must say of each pair, a row per folder (T, S, a
    // missing folder, Q:), a word per file: N new link, R replace, L already
    // linked, M made before in this run, E kept (removal off), S the source
    // itself, D a folder in the way, F failing; with the error code foreseen.
    const struct
    {
        bool bRemove;
        const char* rows[4];
    } passes[] = {
        {true, {"N R L N M N2 D183", "S S S S S S S", "F3 F3 F3 F3 F3 F3 F3", "N17 N17 N17 N17 N17 N2 N17"}},
        {false, {"E E E E E N2 E", "S S S S E S S", "F3 F3 F3 F3 F3 F3 F3", "N17 N17 N17 N17 N17 N2 N17"}},
        {true, {"L L L L M N2 D183", "S S S S S S S", "F3 F3 F3 F3 F3 F3 F3", "N17 N17 N17 N17 N17 N2 N17"}},
    };
    const std::map<char, PairAction> actions = {
        {'N', PairAction::NewLink},   {'R', PairAction::Replace},       {'L', PairAction::AlreadyLinked},
        {'M', PairAction::LeaveMade}, {'E', PairAction::LeaveExisting}, {'S', PairAction::LeaveSource},
        {'D', PairAction::LeaveFolder}, {'F', PairAction::Fail}};
    for (const auto& pass : passes)
    {
        SCOPED_TRACE(&pass - passes);
        const std::wstring before = Snapshot(folders);
        std::vector<std::wstring> foretold;
        std::vector<std::wstring> done;
        const std::vector<LinkPairResult> preview = RunJob(folders, files, pass.bRemove, true, foretold);
        EXPECT_EQ(before, Snapshot(folders));
        const std::vector<LinkPairResult> run = RunJob(folders, files, pass.bRemove, false, done);
        ASSERT_EQ(folders.size() * files.size(), preview.size());
        ASSERT_EQ(preview.size(), run.size());
        for (size_t i = 0; i < run.size(); ++i)
        {
            const size_t nFolder = static_cast<size_t>(preview[i].nFolder), nFile = static_cast<size_t>(preview[i].nFile);
            SCOPED_TRACE(folders[nFolder] + L" <- " + files[nFile]);
            std::istringstream words(pass.rows[nFolder]);
            std::string word;
            for (size_t j = 0; j <= nFile; ++j)
                words >> word;
            EXPECT_EQ(static_cast<int>(actions.at(word[0])), static_cast<int>(preview[i].action));
            EXPECT_EQ(word.size() > 1 ? std::stoul(word.substr(1)) : 0ul, preview[i].dwError);
            EXPECT_EQ(foretold[i], done[i]);
        }
        // The file the preview said would go, with its size.
        if (&pass == passes)
        {
            EXPECT_EQ(8u, preview[1].nSize);
        }
    }
    if (other == nullptr || !other->IsMapped())
        GTEST_SKIP() << "the other-volume row needs a second Linux file system mapped to a drive letter";
    other.reset();
    RemoveTree(shm);
}

// Symbolic links, which Wine cannot make, on the double: the preview reads
// and never writes, and its lines say in German what the run would do.
TEST(LinkPreviewTest, SymbolicPreviewOnlyReadsAndSaysWhatWouldHappen)
{
    CFakeFileSystem fs;
    for (const wchar_t* name : {L"C:\\S\\new.txt", L"C:\\S\\linked.txt", L"C:\\S\\other.txt"})
        fs.Add(name);
    fs.Add(L"C:\\T\\linked.txt", CFakeFileSystem::Kind::SymbolicLink, L"C:\\S\\linked.txt");
    fs.nodes[fs.Add(L"C:\\T\\other.txt")].size = 12345;
    LinkRunOptions options = Options(LinkKind::Symbolic);
    options.bPreview = true;
    const std::vector<CString> lines = RunLinkBatch(
        CVectorPathList{L"C:\\T\\", L"C:\\S\\"}, CVectorPathList{L"C:\\S\\new.txt", L"C:\\S\\linked.txt", L"C:\\S\\other.txt"},
        options, fs);
    // As patterns: the file time shows in local time.
    const std::vector<std::wstring> expected = {
        L"Vorschau: neuer Link, Datei: C:\\\\T\\\\new\\.txt\\.",
        L"Vorschau: schon verlinkt, Datei: C:\\\\T\\\\linked\\.txt\\.",
        L"Vorschau: ersetzt \\(die alte Datei wird aufbewahrt\\), Datei: C:\\\\T\\\\other\\.txt, 12.345 Bytes, geändert \\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d\\.",
        L"Vorschau: bleibt \\(die Quelle selbst\\), Datei: C:\\\\S\\\\new\\.txt\\.",
    };
    ASSERT_EQ(6u, lines.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_TRUE(std::regex_match(lines[i].GetString(), std::wregex(expected[i]))) << lines[i].GetString();
    for (const std::wstring& call : fs.calls)
        for (const wchar_t* write : {L"symlink", L"hardlink", L"rename", L"set ", L"delete", L"mkdir", L"move"})
            EXPECT_EQ(std::wstring::npos, call.find(write)) << call;
}

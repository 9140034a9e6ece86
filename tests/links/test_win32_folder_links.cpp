#include <gtest/gtest.h>

#include "fake_file_system.h"
#include "links/LinkPrivileges.h"
#include "links/LinkRun.h"
#include "links/Win32FileSystem.h"
#include "tests/temp_tree.h"

#include <string>
#include <vector>

namespace {

std::vector<std::wstring> NamesIn(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    const HANDLE hFind = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
    for (BOOL bMore = hFind != INVALID_HANDLE_VALUE; bMore; bMore = ::FindNextFileW(hFind, &data))
        if (data.cFileName[0] != L'.')
            names.push_back(data.cFileName);
    if (hFind != INVALID_HANDLE_VALUE)
        ::FindClose(hFind);
    return names;
}

}  // namespace

TEST(Win32FolderLinkTest, AFolderRunEndsAsTheSystemSaysAndLeavesNothingHalfMade)
{
    // A folder source into an empty target folder and into one holding a
    // real folder of the name, as junctions and as directory symbolic links.
    CTempTree tree;
    const std::wstring source = tree.Root() + L"\\S\\Daten";
    const std::wstring empty = tree.Root() + L"\\T1";
    const std::wstring holding = tree.Root() + L"\\T2";
    for (const wchar_t* folder : {L"S", L"T1", L"T2"})
        tree.Folder(folder);
    tree.File(L"S\\Daten", L"a.txt");
    tree.File(L"T2\\Daten", L"innen.txt");
    CWin32FileSystem fs(LookUpCreateSymbolicLinkW());
    bool bMade = false;
    for (const LinkKind kind : {LinkKind::Hard, LinkKind::Symbolic})
    {
        const wchar_t* word = kind == LinkKind::Hard ? L"Junction" : L"SymbolicLink";
        SCOPED_TRACE(std::wstring(word));
        const std::vector<CString> lines = RunLinkBatch(CVectorPathList({empty + L"\\", holding + L"\\"}),
                                                        CVectorPathList({source + L"\\"}), Options(kind, true), fs);
        ASSERT_EQ(2u, lines.size());
        // The real folder stays with what it holds, whatever removal says.
        EXPECT_EQ(LinkLine(word, holding + L"\\Daten", ERROR_ALREADY_EXISTS), lines[1].GetString());
        EXPECT_EQ(std::vector<std::wstring>{L"innen.txt"}, NamesIn(holding + L"\\Daten"));
        EXPECT_EQ(std::vector<std::wstring>{L"a.txt"}, NamesIn(source));
        const std::wstring made = empty + L"\\Daten";
        if (::GetFileAttributesW(made.c_str()) != INVALID_FILE_ATTRIBUTES)
        {
            // Where the system makes it: a link into the source.
            bMade = true;
            EXPECT_EQ(LinkLine(word, made, 0), lines[0].GetString());
            EXPECT_EQ(std::vector<std::wstring>{L"a.txt"}, NamesIn(made));
            EXPECT_TRUE(::RemoveDirectoryW(made.c_str()));
            continue;
        }
        // Where it does not: FAILED with the system's code, nothing left.
        const std::wstring line = lines[0].GetString();
        const size_t nCode = line.find(L"Error: ") + 7;
        const DWORD dwCode = static_cast<DWORD>(std::wcstoul(line.c_str() + nCode, nullptr, 10));
        EXPECT_NE(0u, dwCode);
        EXPECT_EQ(LinkLine(word, made, dwCode), line);
        EXPECT_TRUE(NamesIn(empty).empty()) << "a folder or temporary name was left";
    }
    if (!bMade)
        GTEST_SKIP() << "this system made no link to a folder (Wine 8: reparse data cannot be set, symbolic links are "
                        "reported and not made); each pair said FAILED with the system's code and left nothing";
}

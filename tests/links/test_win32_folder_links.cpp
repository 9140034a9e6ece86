#include <gtest/gtest.h>

#include "fake_file_system.h"
#include "links/LinkPrivileges.h"
#include "links/LinkRun.h"
#include "links/Win32FileSystem.h"
#include "tests/temp_tree.h"

#include <string>
#include <vector>

namespace {

// What a folder holds, names only.
std::vector<std::wstring> NamesIn(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    const HANDLE hFind = ::FindFirstFileW((folder + L"*").c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return names;
    do
        if (std::wstring(data.cFileName) != L"." && std::wstring(data.cFileName) != L"..")
            names.push_back(data.cFileName);
    while (::FindNextFileW(hFind, &data));
    ::FindClose(hFind);
    return names;
}

}  // namespace

TEST(Win32FolderLinkTest, AFolderRunEndsAsTheSystemSaysAndLeavesNothingHalfMade)
{
    // A folder source into an empty target folder and into one that holds
    // a real folder of the name, as junctions and as directory symbolic
    // links. Wine makes neither (its reparse data calls fail, its symbolic
    // links are reported and not made): every pair must say FAILED with
    // the system's code and leave no folder or temporary name behind.
    CTempTree tree;
    const std::wstring source = tree.Root() + L"\\S\\Daten";
    const std::wstring empty = tree.Root() + L"\\T1\\";
    const std::wstring holding = tree.Root() + L"\\T2\\";
    for (const std::wstring& folder : {tree.Root() + L"\\S", source, empty, holding, holding + L"Daten"})
        ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr)) << ::GetLastError();
    for (const std::wstring& file : {source + L"\\a.txt", holding + L"Daten\\innen.txt"})
        ::CloseHandle(::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    CWin32FileSystem fs(LookUpCreateSymbolicLinkW());
    bool bMadeAny = false;
    for (const LinkKind kind : {LinkKind::Hard, LinkKind::Symbolic})
    {
        SCOPED_TRACE(kind == LinkKind::Hard ? "junction" : "directory symbolic link");
        const std::vector<CString> lines =
            RunLinkBatch(CVectorPathList({empty, holding}), CVectorPathList({source + L"\\"}), Options(kind, true), fs);
        ASSERT_EQ(2u, lines.size());
        const wchar_t* word = kind == LinkKind::Hard ? L"Junction" : L"SymbolicLink";
        // The real folder stays, with what it holds, whatever removal says.
        EXPECT_EQ(LinkLine(word, holding + L"Daten", ERROR_ALREADY_EXISTS), lines[1].GetString());
        EXPECT_EQ(std::vector<std::wstring>{L"innen.txt"}, NamesIn(holding + L"Daten\\"));
        EXPECT_EQ(std::vector<std::wstring>{L"Daten"}, NamesIn(holding));
        const std::wstring made = empty + L"Daten";
        const DWORD dwAttributes = ::GetFileAttributesW(made.c_str());
        if (dwAttributes != INVALID_FILE_ATTRIBUTES)
        {
            // Where the system makes it: a link, leading into the source.
            bMadeAny = true;
            EXPECT_EQ(LinkLine(word, made, 0), lines[0].GetString());
            EXPECT_NE(0u, dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
            EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW((made + L"\\a.txt").c_str()));
            EXPECT_TRUE(::RemoveDirectoryW(made.c_str()));
            continue;
        }
        const std::wstring head = std::wstring(word) + L": FAILED, File: " + made + L", Error: ";
        ASSERT_EQ(head, std::wstring(lines[0].GetString()).substr(0, head.size()));
        const DWORD dwCode = static_cast<DWORD>(std::stoul(std::wstring(lines[0].GetString()).substr(head.size())));
        EXPECT_NE(0u, dwCode);
        EXPECT_EQ(LinkLine(word, made, dwCode), lines[0].GetString());
        EXPECT_TRUE(NamesIn(empty).empty()) << "a folder or temporary name was left";
        EXPECT_EQ(std::vector<std::wstring>{L"a.txt"}, NamesIn(source + L"\\"));
    }
    if (!bMadeAny)
        GTEST_SKIP() << "this system made no link to a folder (Wine 8: reparse data cannot be set, symbolic links are "
                        "reported and not made); each pair said FAILED with the system's code and left nothing";
}

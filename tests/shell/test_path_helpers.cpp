#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>

#include "shell/PathHelpers.h"
#include "tests/shell/shell_test_support.h"

namespace {

// A drive letter that nothing is mapped to, or 0.
wchar_t MissingDriveLetter()
{
    const DWORD drives = ::GetLogicalDrives();
    for (wchar_t letter = L'Y'; letter >= L'E'; --letter)
    {
        if ((drives & (1u << (letter - L'A'))) == 0)
            return letter;
    }
    return 0;
}

}  // namespace

TEST(FindExistingFolder, WalksUpToTheNearestExistingFolder)
{
    // Only these exist; the checks are recorded to see which ones were made.
    const std::set<std::wstring> existing = {L"c:\\", L"d:\\data\\", L"d:\\data", L"e:\\a\\b.txt"};
    struct Case
    {
        const wchar_t* path;
        const wchar_t* result;
    };
    const Case cases[] = {
        {L"C:\\", L"c:\\"},
        {L"D:\\Data\\Old\\", L"d:\\data\\"},
        {L"D:\\Data\\Old\\Sub\\", L"d:\\data\\"},
        {L"D:\\DATA", L"d:\\data"},
        {L"F:\\Data\\Old\\Sub\\", L"f:\\"},
        {L"x:\\", L""},
        {L"", L""},
        {L"file.txt", L""},
        {L"c:\\x:////y", L""},
        {L"E:\\A\\B.TXT", L"e:\\a\\b.txt"},
        {L"e:\\a\\c.txt", L"e:\\"},
        {L"c:\\gone\\deeper\\still\\", L"c:\\"},
    };
    for (const Case& c : cases)
    {
        std::set<std::wstring> checked;
        const CString result = FindExistingFolder(c.path, [&](const CString& p) {
            checked.insert(Str(p));
            return existing.count(Str(p)) != 0;
        });
        EXPECT_EQ(std::wstring(c.result), Str(result)) << c.path;
        // Roots reached by the walk are returned without being checked, and
        // the ":////" text is refused before anything is looked at.
        if (std::wstring(c.path) == L"F:\\Data\\Old\\Sub\\")
        {
            EXPECT_EQ(0u, checked.count(L"f:\\"));
        }
        if (std::wstring(c.path) == L"c:\\x:////y")
        {
            EXPECT_TRUE(checked.empty());
        }
    }
}

TEST(FindExistingFolder, UsesTheRealFileSystem)
{
    CTempFolder tree;
    const std::wstring kept = tree.MakeDir(L"Kept");
    tree.MakeDir(L"Kept\\Gone");
    const std::wstring gone = kept + L"\\Gone\\Deeper\\";
    RemoveTree(kept + L"\\Gone\\");

    EXPECT_EQ(Lower(kept + L"\\"), Str(FindExistingFolder(gone.c_str())));
    EXPECT_EQ(Lower(kept), Str(FindExistingFolder(kept.c_str())));
    EXPECT_EQ(Lower(tree.Path()), Str(FindExistingFolder((tree.Path() + L"nothing.txt").c_str())));

    const wchar_t letter = MissingDriveLetter();
    if (letter == 0)
        GTEST_SKIP() << "every drive letter from E to Y is mapped in this prefix";
    const std::wstring root = std::wstring(1, letter) + L":\\";
    EXPECT_EQ(L"", Str(FindExistingFolder(root.c_str())));
    EXPECT_EQ(Lower(root), Str(FindExistingFolder((root + L"Some\\Folder\\").c_str())));
}

TEST(PathHelpers, TrailingBackslashIsAddedAndRemovedOnce)
{
    struct Case
    {
        std::wstring input;
        std::wstring added;
        std::wstring removed;
    };
    const Case cases[] = {
        {L"", L"", L""},
        {L"c:\\data", L"c:\\data\\", L"c:\\data"},
        {L"c:\\", L"c:\\", L"c:"},
        {L"c:\\data\\\\", L"c:\\data\\\\", L"c:\\data\\"},
        {std::wstring(L"c:\\dir\0junk", 11), L"c:\\dir\\", std::wstring(L"c:\\dir\0junk", 11)},
        {std::wstring(L"\0junk", 5), L"", std::wstring(L"\0junk", 5)},
    };
    for (const Case& c : cases)
    {
        CString added(c.input.data(), static_cast<int>(c.input.size()));
        AddTrailingBackslash(added);
        EXPECT_EQ(c.added, Str(added)) << ::testing::PrintToString(c.input);
        CString removed(c.input.data(), static_cast<int>(c.input.size()));
        RemoveTrailingBackslash(removed);
        EXPECT_EQ(c.removed, Str(removed)) << ::testing::PrintToString(c.input);
    }
}

TEST(PathHelpers, GuidStringIsNewBracedUpperCaseAndOnlyMadeWhenEmpty)
{
    CString first;
    MakeGuidString(first);
    CString second;
    MakeGuidString(second);
    ASSERT_EQ(38, first.GetLength());
    EXPECT_TRUE(IsBracedGuidString(first)) << Str(first);
    EXPECT_EQ(Str(first), Str(CString(first).MakeUpper()));
    EXPECT_NE(Str(first), Str(second));

    CString kept(L"{already there}");
    MakeGuidString(kept);
    EXPECT_EQ(L"{already there}", Str(kept));

    struct Case
    {
        const wchar_t* text;
        bool bGuid;
    };
    const Case cases[] = {
        {L"{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}", true},
        {L"{0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0}", true},
        {L"0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0", false},
        {L"{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F}", false},
        {L"{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1FG}", false},
        {L"{0F1E2D3C+4B5A-6978-8796-A5B4C3D2E1F0}", false},
        {L"(0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0)", false},
        {L"", false},
        {L"hand edited", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.bGuid, IsBracedGuidString(c.text)) << c.text;
}

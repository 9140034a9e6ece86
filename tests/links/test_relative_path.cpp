#include <gtest/gtest.h>

#include "files/RelativePath.h"

#include <string>

TEST(RelativePathTest, TheLinksFolderToItsSourceAndBackAgain)
{
    struct Row
    {
        const wchar_t* folder;
        const wchar_t* target;
        RelativePath result;
        const wchar_t* relative;
    };
    const std::wstring deep = L"C:\\" + std::wstring(40, L'x') + L"\\" + std::wstring(200, L'y') + L"\\" +
                              std::wstring(200, L'z');
    const std::wstring deepTarget = L"C:\\" + std::wstring(40, L'x') + L"\\q\\a.txt";
    const Row rows[] = {
        {L"C:\\Ziel\\", L"C:\\Quelle\\a.txt", RelativePath::Made, L"..\\Quelle\\a.txt"},            // siblings
        {L"C:\\Quelle\\Sub", L"C:\\Quelle\\a.txt", RelativePath::Made, L"..\\a.txt"},               // child folder
        {L"C:\\Quelle", L"C:\\Quelle\\Sub\\Tief\\a.txt", RelativePath::Made, L"Sub\\Tief\\a.txt"},   // parent folder
        {L"C:\\a\\b\\c\\d\\", L"C:\\a\\x\\y.txt", RelativePath::Made, L"..\\..\\..\\x\\y.txt"},     // deep
        {L"C:\\", L"C:\\a.txt", RelativePath::Made, L"a.txt"},                                       // root
        {L"C:\\Ziel", L"c:\\ZIEL\\..a.txt", RelativePath::Made, L"..a.txt"},                         // letter case
        {L"\\\\?\\C:\\Ziel", L"C:\\Quelle\\a.txt", RelativePath::Made, L"..\\Quelle\\a.txt"},        // \\?\ form
        {L"\\\\srv\\share\\Ziel", L"\\\\?\\UNC\\SRV\\Share\\a.txt", RelativePath::Made, L"..\\a.txt"},
        {deep.c_str(), deepTarget.c_str(), RelativePath::Made, L"..\\..\\q\\a.txt"},                  // long paths
        {L"C:\\Ziel", L"D:\\Quelle\\a.txt", RelativePath::OtherRoot, L""},                          // other volume
        {L"\\\\srv\\a\\Ziel", L"\\\\srv\\b\\a.txt", RelativePath::OtherRoot, L""},                   // other share
        {L"C:\\Ziel", L"C:\\Quelle\\a.txt.", RelativePath::NotExpressible, L""},                    // \\?\ only
        {L"C:\\Ziel", L"C:\\Quelle\\..\\a.txt", RelativePath::NotExpressible, L""},
        {L"Ziel", L"C:\\a.txt", RelativePath::NotExpressible, L""},                                 // not absolute
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(std::wstring(row.folder) + L" -> " + row.target);
        CString strRelative;
        EXPECT_EQ(row.result, MakeRelativePath(row.folder, row.target, strRelative));
        EXPECT_EQ(std::wstring(row.relative), strRelative.GetString());
        // Followed from the folder, the path leads to the target.
        if (row.result == RelativePath::Made && row.folder[0] == L'C')
        {
            EXPECT_EQ(0, ResolveRelativePath(row.folder, strRelative).CompareNoCase(row.target));
        }
    }
    // What is not a path from the folder resolves to nothing; ".." stops at
    // the root.
    for (const wchar_t* held : {L"C:\\a.txt", L"\\a.txt", L"C:a.txt", L"\\\\srv\\s\\a.txt", L""})
        EXPECT_TRUE(ResolveRelativePath(L"C:\\Ziel", held).IsEmpty()) << held;
    EXPECT_EQ(std::wstring(L"C:\\a.txt"), ResolveRelativePath(L"C:\\Ziel", L"..\\..\\..\\.\\a.txt").GetString());
}
